#include "BenchDatabase.h"

#include "core/ProjectFile.h"
#include "store/InsertSerialData.h"
#include "store/ReadingsDatabase.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTextStream>

#include <sqlite3.h>

QString BenchDatabase::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           QStringLiteral("/moravin-bench/bench-10M.dat");
}

QString BenchDatabase::monthPath()
{
    return QFileInfo(defaultPath()).path() + QStringLiteral("/bench-16x30d.dat");
}

bool BenchDatabase::isMonth(const QString &path)
{
    return QFileInfo(path).fileName() == QFileInfo(monthPath()).fileName();
}

// The recorder's writer makes the file (table, event log, block summary with
// its triggers); the rows follow as the recorder stores them, every device
// every second in batches of one minute, each batch in the order of the
// compound insert (by device, then by the values), which is not time order.
// Channel 1 is a temperature-like triangle over one hour, channel 2 a
// humidity-like one over six hours; every 100,003 s each device misses 60
// readings (both channels missing). One statement a day, for speed: the
// triggers keep the summary as they do for the recorder's batches.
bool BenchDatabase::writeMonth(const QString &path)
{
    {
        InsertSerialData writer(path, QStringLiteral("benchmonth"));
        if (!writer.createConnection())
            return false;
    }
    sqlite3 *db = nullptr;
    if (sqlite3_open(path.toUtf8().constData(), &db) != SQLITE_OK) {
        sqlite3_close(db);
        return false;
    }
    QTextStream out(stdout);
    bool ok = sqlite3_exec(db, "pragma synchronous = off", nullptr, nullptr, nullptr) == SQLITE_OK;
    for (int day = 0; ok && day < MonthDays; ++day) {
        const QByteArray first = QByteArray::number(day * 86400);
        const QByteArray last = QByteArray::number(day * 86400 + 86399);
        const QByteArray sql =
            "insert into kelvantis (serialno, channel1, channel2, pointDate) "
            "with recursive dev(n) as (select 1 union all select n + 1 from dev where n < " +
            QByteArray::number(MonthDevices) + "), sec(t) as (select " + first +
            " union all select t + 1 from sec where t < " + last +
            "), r(serialno, channel1, channel2, t) as (select printf('BENCH%03d', n), "
            "case when (t + n * 7919) % 100003 < 60 then null else round(15.0 + n + "
            "abs(((t + n * 450) % 3600) - 1800) / 180.0, 2) end, "
            "case when (t + n * 7919) % 100003 < 60 then null else round(40.0 + "
            "abs(((t + n * 1300) % 21600) - 10800) / 540.0, 2) end, t from sec, dev) "
            "select serialno, channel1, channel2, " +
            QByteArray::number(MonthFirst) +
            " + t from r order by t / 60, serialno, channel1, channel2, t";
        ok = sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
        out << "day " << day + 1 << " of " << MonthDays << (ok ? "" : " failed: ")
            << (ok ? "" : sqlite3_errmsg(db)) << "\n";
        out.flush();
    }
    sqlite3_close(db);
    return ok;
}

QString BenchDatabase::fromArguments(const QStringList &arguments)
{
    return QFileInfo(arguments.size() > 1 ? arguments.at(1) : defaultPath()).absoluteFilePath();
}

bool BenchDatabase::ensure(const QString &path)
{
    if (QFileInfo(path).isFile())
        return true;
    QDir().mkpath(QFileInfo(path).path());
    if (isMonth(path)) {
        QTextStream(stdout) << "writing " << path << " with the recorder's writer ...\n";
        const QString part = path + QStringLiteral(".part");
        QFile::remove(part);
        return writeMonth(part) && QFile::rename(part, path);
    }
    QTextStream(stdout) << "writing " << path << " with make-database.sh ...\n";
    QProcess make;
    make.setProcessChannelMode(QProcess::ForwardedChannels);
    make.start(QStringLiteral("sh"), {QStringLiteral(MORAVIN_MAKE_DATABASE), path});
    return make.waitForFinished(-1) && make.exitStatus() == QProcess::NormalExit &&
           make.exitCode() == 0;
}

QString BenchDatabase::writeProject(const QString &path)
{
    const QFileInfo info(path);
    const QString file = info.absolutePath() + QLatin1Char('/') + info.completeBaseName() + ".qpj";
    QFile::remove(file);
    const ProjectFile project(file);
    project.writeHeader(info.completeBaseName(), 1000, info.fileName());
    QList<DeviceSettings> devices;
    for (int n = 1, count = isMonth(path) ? MonthDevices : 8; n <= count; ++n) {
        DeviceSettings d;
        d.deviceNumber = QStringLiteral("BENCH%1").arg(n, 3, 10, QLatin1Char('0'));
        d.deviceName = QStringLiteral("Bench %1").arg(n);
        d.ch1Name = QStringLiteral("Temperature");
        d.ch2Name = QStringLiteral("Humidity");
        d.ch1Unit = 1;
        d.ch2Unit = 3;
        d.deviceInterface = DeviceSettings::Usb;
        devices.append(d);
    }
    project.saveDeviceList(devices);
    qint64 first = 0;
    qint64 last = 0;
    if (ReadingsDatabase(path).recordedPeriod(&first, &last)) {
        const QString format = QStringLiteral("yyyy-MM-dd hh:mm:ss");
        project.writeValue("record_start_time",
                           QDateTime::fromSecsSinceEpoch(first).toString(format));
        project.writeValue("record_stop_time",
                           QDateTime::fromSecsSinceEpoch(last).toString(format));
    }
    return file;
}
