#pragma once

#include "core/CompanionProjectReader.h"
#include "store/ServerProject.h"

#include <QStringList>
#include <QVector>

// What a companion starts with: the project its arguments name and, for a site
// project, the server's catalogue of every recorder's devices.
struct CompanionStart
{
    bool ok = false;
    QString errorText; // why it cannot start, for the message box
    CompanionProjectReader::Result project;
    QVector<ServerProject> site;

    // arguments as the process received them, program name first.
    static CompanionStart read(const QStringList &arguments);
};
