#pragma once

// Small recording databases and project files for the viewer tests.
#include "core/ProjectFile.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QString>

#include <sqlite3.h>

#include <optional>
#include <vector>

namespace ViewerTestData {

struct Row
{
    QString serial;
    std::optional<double> ch1;
    std::optional<double> ch2;
    qint64 pointDate;
};

inline const char *createTable()
{
    return "create table kelvantis (\t\tid integer primary key autoincrement,\t\tserialno "
           "varchar(18) not null, \t\tchannel1 float, channel2 float, \t\tpointDate integer not "
           "null\t\t)";
}

inline bool exec(sqlite3 *db, const char *sql)
{
    char *error = nullptr;
    const bool ok = sqlite3_exec(db, sql, nullptr, nullptr, &error) == SQLITE_OK;
    if (!ok)
        qWarning("sqlite: %s", error);
    sqlite3_free(error);
    return ok;
}

inline bool insert(sqlite3 *db, const std::vector<Row> &rows)
{
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(db,
                           "insert into kelvantis (serialno, channel1, channel2, pointDate)"
                           " values (?, ?, ?, ?)",
                           -1, &st, nullptr) != SQLITE_OK)
        return false;
    exec(db, "begin");
    for (const Row &r : rows) {
        const QByteArray s = r.serial.toUtf8();
        sqlite3_bind_text(st, 1, s.constData(), s.size(), SQLITE_TRANSIENT);
        r.ch1 ? sqlite3_bind_double(st, 2, *r.ch1) : sqlite3_bind_null(st, 2);
        r.ch2 ? sqlite3_bind_double(st, 3, *r.ch2) : sqlite3_bind_null(st, 3);
        sqlite3_bind_int64(st, 4, r.pointDate);
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    exec(db, "commit");
    sqlite3_finalize(st);
    return true;
}

// A database with the recorder's table and the given rows.
inline bool makeDatabase(const QString &path, const std::vector<Row> &rows,
                         const char *journal = "delete")
{
    QFile::remove(path);
    sqlite3 *db = nullptr;
    if (sqlite3_open(path.toUtf8().constData(), &db) != SQLITE_OK)
        return false;
    exec(db, QByteArray("pragma journal_mode = ").append(journal).constData());
    bool ok = exec(db, createTable()) && insert(db, rows);
    sqlite3_close(db);
    return ok;
}

inline QByteArray fileHash(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

// A project file beside the database with one device per serial number.
inline QString makeProject(const QString &dir, const QString &name, const QStringList &serials,
                           const QString &start, const QString &stop, int interval = 1000)
{
    const QString path = dir + "/" + name + ".qpj";
    QFile::remove(path);
    const ProjectFile file(path);
    file.writeHeader(name, interval, name + ".dat");
    QList<DeviceSettings> devices;
    for (const QString &s : serials) {
        DeviceSettings d;
        d.deviceNumber = s;
        d.deviceName = s == serials.value(1) ? QString() : "Dev " + s;
        d.ch1Name = "Temp " + s;
        d.ch2Name = "Hum " + s;
        d.deviceInterface = DeviceSettings::Usb;
        devices.append(d);
    }
    file.saveDeviceList(devices);
    if (!start.isNull())
        file.writeValue("record_start_time", start);
    if (!stop.isNull())
        file.writeValue("record_stop_time", stop);
    return path;
}

} // namespace ViewerTestData
