#include "TestProject.h"

#include "core/ProjectFile.h"
#include "store/StoreSchema.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <sqlite3.h>

namespace {

// An open handle that is closed with its scope.
class Database
{
public:
    explicit Database(const QString &path)
    {
        if (sqlite3_open(QFile::encodeName(path).constData(), &m_db) != SQLITE_OK) {
            qWarning("sqlite: cannot open %s: %s", qPrintable(path), sqlite3_errmsg(m_db));
            sqlite3_close(m_db);
            m_db = nullptr;
        }
    }
    ~Database() { sqlite3_close(m_db); }
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    sqlite3 *handle() const { return m_db; }

private:
    sqlite3 *m_db = nullptr;
};

bool insertRows(sqlite3 *db, const std::vector<TestProject::Row> &rows)
{
    namespace R = StoreSchema::Readings;
    const QByteArray sql =
        QStringLiteral("insert into %1 (%2, %3, %4, %5) values (?, ?, ?, ?)")
            .arg(QLatin1String(R::Table), QLatin1String(R::SerialNo), QLatin1String(R::Channel1),
                 QLatin1String(R::Channel2), QLatin1String(R::PointDate))
            .toUtf8();
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr) != SQLITE_OK) {
        qWarning("sqlite: %s", sqlite3_errmsg(db));
        return false;
    }
    bool ok = TestProject::exec(db, "begin");
    for (const TestProject::Row &r : rows) {
        const QByteArray serial = r.serial.toUtf8();
        sqlite3_bind_text(st, 1, serial.constData(), serial.size(), SQLITE_TRANSIENT);
        r.ch1 ? sqlite3_bind_double(st, 2, *r.ch1) : sqlite3_bind_null(st, 2);
        r.ch2 ? sqlite3_bind_double(st, 3, *r.ch2) : sqlite3_bind_null(st, 3);
        sqlite3_bind_int64(st, 4, r.pointDate);
        ok = sqlite3_step(st) == SQLITE_DONE && ok;
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    return TestProject::exec(db, "commit") && ok;
}

std::optional<double> valueOf(const QVariant &v)
{
    return v.isNull() ? std::nullopt : std::optional<double>(v.toDouble());
}

} // namespace

TestProject::TestProject(const QString &directory, const QString &name)
{
    QDir().mkpath(directory);
    m_projectFile = directory + QLatin1Char('/') + name + QStringLiteral(".qpj");
    m_databasePath = directory + QLatin1Char('/') + ProjectFile::databaseNameFor(m_projectFile);
}

DeviceSettings TestProject::usbDevice(const QString &number, const QString &name,
                                      const QString &ch1Name, const QString &ch2Name, int ch1Unit,
                                      int ch2Unit)
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

DeviceSettings TestProject::lanDevice(const QString &number)
{
    DeviceSettings d;
    d.deviceNumber = number;
    d.deviceInterface = DeviceSettings::Lan;
    d.interfaceAddress = QStringLiteral("127.0.0.1");
    d.tcpPort = 9;
    d.deviceName = QStringLiteral("Dev ") + number;
    return d;
}

bool TestProject::writeProject(const QList<DeviceSettings> &devices, const QString &recordStart,
                               const QString &recordStop, int dataInterval) const
{
    QFile::remove(m_projectFile);
    const ProjectFile project(m_projectFile);
    bool ok = project.writeHeader(QFileInfo(m_projectFile).completeBaseName(), dataInterval,
                                  ProjectFile::databaseNameFor(m_projectFile)) &&
              project.saveDeviceList(devices);
    if (!recordStart.isNull())
        ok = project.writeValue(QStringLiteral("record_start_time"), recordStart) && ok;
    if (!recordStop.isNull())
        ok = project.writeValue(QStringLiteral("record_stop_time"), recordStop) && ok;
    return ok;
}

bool TestProject::createDatabase(const char *journalMode) const
{
    return makeDatabase(m_databasePath, {}, journalMode);
}

bool TestProject::addRows(const std::vector<Row> &rows) const
{
    const Database db(m_databasePath);
    return db.handle() && insertRows(db.handle(), rows);
}

bool TestProject::addReadings(const QString &serial, qint64 first, qint64 last, int step,
                              const Signal &channel1, const Signal &channel2) const
{
    std::vector<Row> rows;
    for (qint64 t = first; t <= last; t += step)
        rows.push_back({serial, valueOf(channel1(t)), valueOf(channel2(t)), t});
    return addRows(rows);
}

bool TestProject::addRow(const QString &serial, const QVariant &channel1, const QVariant &channel2,
                         qint64 time) const
{
    return addRows({{serial, valueOf(channel1), valueOf(channel2), time}});
}

QVariantMap TestProject::projectValues() const
{
    QVariantMap values;
    const QSettings s(m_projectFile, QSettings::IniFormat);
    const QStringList keys = s.allKeys();
    for (const QString &key : keys)
        values.insert(key, s.value(key));
    return values;
}

bool TestProject::makeDatabase(const QString &path, const std::vector<Row> &rows,
                               const char *journalMode)
{
    QFile::remove(path);
    const Database db(path);
    if (!db.handle())
        return false;
    const QByteArray journal = QByteArray("pragma journal_mode = ") + journalMode;
    return exec(db.handle(), journal.constData()) &&
           exec(db.handle(), StoreSchema::Readings::CreateStatement) &&
           insertRows(db.handle(), rows);
}

bool TestProject::exec(sqlite3 *db, const char *sql)
{
    char *error = nullptr;
    const bool ok = sqlite3_exec(db, sql, nullptr, nullptr, &error) == SQLITE_OK;
    if (!ok)
        qWarning("sqlite: %s: %s", sql, error);
    sqlite3_free(error);
    return ok;
}

QByteArray TestProject::fileHash(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}
