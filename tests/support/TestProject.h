#pragma once

#include "core/DeviceSettings.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariant>

#include <functional>
#include <optional>
#include <vector>

struct sqlite3;

// A project as the recorder leaves it, in a folder of the test's: the project
// file and, beside it, the database with the readings table, filled by the
// test.
class TestProject
{
public:
    struct Row
    {
        QString serial;
        std::optional<double> ch1;
        std::optional<double> ch2;
        qint64 pointDate = 0;
    };
    // A channel's value at a time; a null variant is a missing reading.
    using Signal = std::function<QVariant(qint64 time)>;

    TestProject(const QString &directory, const QString &name);

    QString projectFile() const { return m_projectFile; }
    QString databasePath() const { return m_databasePath; }

    // A USB device with its names and units.
    static DeviceSettings usbDevice(const QString &number, const QString &name,
                                    const QString &ch1Name, const QString &ch2Name, int ch1Unit = 1,
                                    int ch2Unit = 3);
    // A LAN device on a loopback port where nothing listens, for tests that
    // never need an answer from it.
    static DeviceSettings lanDevice(const QString &number);

    // A new project file: header, device list and the record times that are
    // not null.
    bool writeProject(const QList<DeviceSettings> &devices, const QString &recordStart = QString(),
                      const QString &recordStop = QString(), int dataInterval = 1000) const;
    // A new database with the readings table, empty.
    bool createDatabase(const char *journalMode = "delete") const;
    bool addRows(const std::vector<Row> &rows) const;
    // One row per step from first to last (both included).
    bool addReadings(const QString &serial, qint64 first, qint64 last, int step,
                     const Signal &channel1, const Signal &channel2) const;
    bool addRow(const QString &serial, const QVariant &channel1, const QVariant &channel2,
                qint64 time) const;
    // Every key and value of the project file.
    QVariantMap projectValues() const;

    // A new database file at path with the readings table and these rows.
    static bool makeDatabase(const QString &path, const std::vector<Row> &rows,
                             const char *journalMode = "delete");
    // Runs sql on an open handle; a failure is printed and gives false.
    static bool exec(sqlite3 *db, const char *sql);
    static QByteArray fileHash(const QString &path);

private:
    QString m_projectFile;
    QString m_databasePath;
};
