#pragma once

#include "DeviceSettings.h"

#include <QList>
#include <QString>
#include <QStringList>

// The start-up reader shared by the viewer and the report program: rebuilds
// the project file path from the command line and reads the device list.
// A failure carries the text the program shows before it ends.
class CompanionProjectReader
{
public:
    struct Result
    {
        bool ok = false;
        QString errorText;
        QString projectFile;
        QString databasePath;
        bool namesServer = false; // the readings are read from a site's server
        bool site = false;        // ... and the devices are the server's catalogue
        QList<DeviceSettings> devices;
    };

    // arguments as the process received them, program name first.
    static Result read(const QStringList &arguments);
    static QString projectPathFromArguments(const QStringList &arguments);
};
