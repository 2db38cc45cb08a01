#include "ReportTestProject.h"

#include "core/ProjectFile.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

namespace {

// Runs work on a connection of its own that is gone afterwards.
void withDatabase(const QString &path, const std::function<void(QSqlDatabase &)> &work)
{
    const QString name = QUuid::createUuid().toString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (!db.open())
            qFatal("test database: %s", qPrintable(db.lastError().text()));
        work(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

} // namespace

ReportTestProject::ReportTestProject(const QString &directory, const QString &name)
{
    QDir().mkpath(directory);
    m_projectFile = directory + QLatin1Char('/') + name + QStringLiteral(".qpj");
    m_databasePath = directory + QLatin1Char('/') + ProjectFile::databaseNameFor(m_projectFile);
}

DeviceSettings ReportTestProject::device(const QString &number, const QString &name,
                                         const QString &ch1Name, const QString &ch2Name,
                                         int ch1Unit, int ch2Unit)
{
    DeviceSettings d;
    d.deviceNumber = number;
    d.deviceName = name;
    d.ch1Name = ch1Name;
    d.ch2Name = ch2Name;
    d.ch1Unit = ch1Unit;
    d.ch2Unit = ch2Unit;
    d.deviceInterface = DeviceSettings::Usb;
    d.interfaceAddress = QStringLiteral("/dev/ttyACM0");
    return d;
}

void ReportTestProject::writeProject(const QList<DeviceSettings> &devices,
                                     const QString &recordStart, const QString &recordStop,
                                     int dataInterval) const
{
    const ProjectFile project(m_projectFile);
    project.writeHeader(QFileInfo(m_projectFile).completeBaseName(), dataInterval,
                        ProjectFile::databaseNameFor(m_projectFile));
    project.saveDeviceList(devices);
    project.writeValue(QStringLiteral("record_start_time"), recordStart);
    project.writeValue(QStringLiteral("record_stop_time"), recordStop);
}

void ReportTestProject::createDatabase() const
{
    withDatabase(m_databasePath, [](QSqlDatabase &db) {
        QSqlQuery(db).exec(QStringLiteral(
            "create table kelvantis (\t\tid integer primary key autoincrement,\t\tserialno "
            "varchar(18) not null, \t\tchannel1 float, channel2 float, \t\tpointDate integer "
            "not null\t\t)"));
    });
}

void ReportTestProject::addReadings(const QString &serial, qint64 first, qint64 last, int step,
                                    const Signal &channel1, const Signal &channel2) const
{
    withDatabase(m_databasePath, [&](QSqlDatabase &db) {
        db.transaction();
        QSqlQuery q(db);
        q.prepare(QStringLiteral("insert into kelvantis (serialno, channel1, channel2, pointDate)"
                                 " values (?, ?, ?, ?)"));
        for (qint64 t = first; t <= last; t += step) {
            q.addBindValue(serial);
            q.addBindValue(channel1(t));
            q.addBindValue(channel2(t));
            q.addBindValue(t);
            q.exec();
        }
        db.commit();
    });
}

void ReportTestProject::addRow(const QString &serial, const QVariant &channel1,
                               const QVariant &channel2, qint64 time) const
{
    addReadings(
        serial, time, time, 1, [&](qint64) { return channel1; }, [&](qint64) { return channel2; });
}

QVariantMap ReportTestProject::projectValues() const
{
    QVariantMap values;
    QSettings s(m_projectFile, QSettings::IniFormat);
    for (const QString &key : s.allKeys())
        values.insert(key, s.value(key));
    return values;
}
