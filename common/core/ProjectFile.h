#pragma once

#include "DeviceListCodec.h"

#include <QString>
#include <QVariant>

// The project file (".qpj"): an INI file read and written through QSettings.
// Every call opens the file afresh; nothing of it is cached.
class ProjectFile
{
public:
    explicit ProjectFile(const QString &path);

    QString path() const { return m_path; }
    QString baseName() const;
    QString directory() const;

    // The three keys written when a project is created.
    bool writeHeader(const QString &projectName, int dataInterval,
                     const QString &databaseName) const;

    // Copies the current "DeviceList" to "Backup", then writes the new list.
    bool saveDeviceList(const QList<DeviceSettings> &devices) const;
    DeviceListCodec::Result loadDeviceList(DeviceListCodec::Reader reader) const;

    QString projectName() const;
    QString databaseName() const;
    // Directory of the project file + "/" + "databaseName".
    QString databasePath() const;
    // The stored value as an integer; 0 when missing or not a number.
    int storedDataInterval() const;
    QString recordStartTime() const;
    QString recordStopTime() const;
    // The subject and author of the last report made; the report program
    // writes both after each report.
    QString reportSubject() const;
    QString reportAuthor() const;
    bool writeReportHeading(const QString &subject, const QString &author) const;

    bool writeValue(const QString &key, const QVariant &value) const;
    QVariant readValue(const QString &key) const;

    // "<dir, cut to 40 characters>/<name>.qpj" as the status bars show it.
    static QString displayName(const QString &path, const QString &name);
    static QString databaseNameFor(const QString &projectPath);

private:
    QString m_path;
};
