#pragma once

#include "core/DeviceSettings.h"

#include <QList>
#include <QString>
#include <QVariant>

#include <functional>

// A project of the recorder's making in a folder of the test's: the project
// file and a database with the recorder's table, filled by the test.
class ReportTestProject
{
public:
    using Signal = std::function<QVariant(qint64 time)>;

    ReportTestProject(const QString &directory, const QString &name);

    QString projectFile() const { return m_projectFile; }
    QString databasePath() const { return m_databasePath; }

    static DeviceSettings device(const QString &number, const QString &name, const QString &ch1Name,
                                 const QString &ch2Name, int ch1Unit = 1, int ch2Unit = 3);
    void writeProject(const QList<DeviceSettings> &devices, const QString &recordStart,
                      const QString &recordStop, int dataInterval = 1000) const;
    // The recorder's table, empty.
    void createDatabase() const;
    // One row per step from first to last (both included).
    void addReadings(const QString &serial, qint64 first, qint64 last, int step,
                     const Signal &channel1, const Signal &channel2) const;
    void addRow(const QString &serial, const QVariant &channel1, const QVariant &channel2,
                qint64 time) const;

    // Every key and value of the project file.
    QVariantMap projectValues() const;

private:
    QString m_projectFile;
    QString m_databasePath;
};
