#include "GenerateLinearQueries.h"
#include "PostgresServer.h"
#include "ReportReadings.h"
#include "SpoolWriter.h"
#include "Trendora.h"
#include "companion/CompanionStart.h"
#include "core/NoValue.h"
#include "core/ProjectFile.h"
#include "store/Forwarder.h"
#include "store/ReadingsDatabase.h"
#include "store/ReadingsSource.h"
#include "store/ServerReadings.h"
#include "store/ServerSettings.h"

#include <QListWidget>

#include <QTemporaryDir>
#include <QtTest>

#include <sqlite3.h>

#include <algorithm>

// The viewer's and the report's reads from a streaming standby give what the
// project's SQLite file gives, on data that makes order matter: repeated
// times, a clock set back, missing values, a device in two projects.
class tst_ServerReadings : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void standbyReadsWhatTheFileHolds_data();
    void standbyReadsWhatTheFileHolds();
    void spanAndCatalogue();
    void readerErrors();
    void readerSurvivesAServerRestart();
    void programsReadTheStandbyAsTheFile();
    void siteProjectListsEveryProject();

private:
    static ViewerSeries chart(const ReadingsSource &source, const QList<DeviceSettings> &devices,
                              const QList<QPair<int, int>> &channels, qint64 start, qint64 end);
    // The file's rows as the programs read them (scan order), each device's
    // ordered by time with equal times kept in scan order.
    std::vector<ServerReadings::Row> fileRows(const QString &spool, const QStringList &serials,
                                              qint64 start, qint64 end);
    bool forward(const QString &spool, const QUuid &store, const QString &project,
                 const QVector<ServerDevice> &devices = {});

    PostgresServer m_primary{PostgresServer::Listen::Loopback};
    PostgresServer m_standby{PostgresServer::Listen::Loopback};
    QTemporaryDir m_dir;
    QString m_lab;
    QString m_store2;
    QUuid m_labId = QUuid::createUuid();
    QUuid m_coldId = QUuid::createUuid();
};

bool tst_ServerReadings::forward(const QString &spool, const QUuid &store, const QString &project,
                                 const QVector<ServerDevice> &devices)
{
    ForwarderSettings s;
    s.connection = m_primary.connectionString();
    s.storeId = store;
    s.projectName = project;
    s.spoolPath = spool;
    s.host = project + "-pc";
    s.devices = devices;
    s.batchRows = 1000;
    s.pollMs = 50;
    Forwarder forwarder(s);
    forwarder.start();
    QDeadlineTimer deadline(60000);
    while (!deadline.hasExpired()) {
        if (forwarder.state() == Forwarder::State::Connected && forwarder.waiting() == 0)
            return true;
        QTest::qWait(20);
    }
    return false;
}

void tst_ServerReadings::initTestCase()
{
    QString error;
    QVERIFY2(m_primary.setUp(&error), qPrintable(error));
    // The standby first, so that the readings reach it by streaming.
    QVERIFY2(m_standby.setUpStandbyOf(m_primary, &error), qPrintable(error));
    QCOMPARE(m_standby.query("select pg_is_in_recovery()"), QStringLiteral("t"));

    m_lab = m_dir.filePath("lab.dat");
    SpoolWriter lab(m_lab);
    QVERIFY(lab.open());
    const qint64 t0 = 1700000000;
    // Three devices at 1 s for two hours; B misses values, C reads every 10 s.
    for (int t = 0; t < 7200; ++t) {
        lab.append("A", 20 + (t % 100) * 0.01, 45.5, t0 + t);
        lab.append("B", t % 13 ? 5.25 + t * 1e-3 : NoValue, t % 17 ? -1.5 : NoValue, t0 + t);
        if (t % 10 == 0)
            lab.append("C", 100 + t, 0.001 * t, t0 + t);
        if (lab.buffered() >= 40)
            QVERIFY(lab.flush());
    }
    QVERIFY(lab.flush());
    // The clock set back by ten minutes: times come again, with new values.
    for (int t = 6600; t < 6900; ++t)
        QVERIFY(lab.insertRaw("A", 99 + t, 1, t0 + t));
    // One time stored twice by another program.
    QVERIFY(lab.insertRaw("B", 7.75, NoValue, t0 + 100));
    QVERIFY(lab.insertRaw("B", 8.5, 3, t0 + 100));

    // Another project with device A as well.
    m_store2 = m_dir.filePath("cold.dat");
    SpoolWriter cold(m_store2);
    QVERIFY(cold.open());
    for (int t = 0; t < 3600; ++t) {
        cold.append("A", -18 + t * 1e-4, NoValue, t0 + 1800 + t);
        cold.append("Z", 4, 60, t0 + 1800 + t);
    }
    QVERIFY(cold.flush());

    ServerDevice a;
    a.serialNo = "A";
    a.deviceName = "Incubator";
    ServerDevice b;
    b.serialNo = "B";
    b.deviceName = "Bench";
    QVERIFY(forward(m_lab, m_labId, "lab", {a, b}));
    ServerDevice z;
    z.serialNo = "Z";
    z.deviceName = "Freezer";
    QVERIFY(forward(m_store2, m_coldId, "cold", {z}));
    QVERIFY(m_standby.waitForReplayOf(m_primary));
}

std::vector<ServerReadings::Row> tst_ServerReadings::fileRows(const QString &spool,
                                                              const QStringList &serials,
                                                              qint64 start, qint64 end)
{
    std::vector<ServerReadings::Row> rows;
    sqlite3 *db = nullptr;
    sqlite3_open_v2(spool.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt *st = nullptr;
    sqlite3_prepare_v2(db,
                       "select channel1, channel2, pointDate from kelvantis where serialno = ?1"
                       " and pointDate >= ?2 and pointDate <= ?3",
                       -1, &st, nullptr);
    for (int d = 0; d < serials.size(); ++d) {
        const QByteArray serial = serials.at(d).toUtf8();
        sqlite3_bind_text(st, 1, serial.constData(), serial.size(), SQLITE_TRANSIENT);
        sqlite3_bind_int64(st, 2, start);
        sqlite3_bind_int64(st, 3, end);
        std::vector<ServerReadings::Row> device;
        while (sqlite3_step(st) == SQLITE_ROW) {
            ServerReadings::Row r;
            r.device = d;
            r.channel1 =
                sqlite3_column_type(st, 0) == SQLITE_NULL ? NoValue : sqlite3_column_double(st, 0);
            r.channel2 =
                sqlite3_column_type(st, 1) == SQLITE_NULL ? NoValue : sqlite3_column_double(st, 1);
            r.pointDate = sqlite3_column_int64(st, 2);
            device.push_back(r);
        }
        sqlite3_reset(st);
        std::stable_sort(device.begin(), device.end(),
                         [](const ServerReadings::Row &x, const ServerReadings::Row &y) {
                             return x.pointDate < y.pointDate;
                         });
        rows.insert(rows.end(), device.begin(), device.end());
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return rows;
}

void tst_ServerReadings::standbyReadsWhatTheFileHolds_data()
{
    QTest::addColumn<QStringList>("serials");
    QTest::addColumn<qint64>("start");
    QTest::addColumn<qint64>("end");
    const qint64 t0 = 1700000000;
    QTest::newRow("four channels, all day")
        << QStringList{"A", "B", "C", "B"} << t0 - 86400 << t0 + 86400;
    QTest::newRow("over the clock's step back") << QStringList{"A"} << t0 + 6500 << t0 + 7000;
    QTest::newRow("a repeated time") << QStringList{"B", "C"} << t0 + 100 << t0 + 100;
    QTest::newRow("a device without readings") << QStringList{"Q", "C"} << t0 << t0 + 3600;
    QTest::newRow("before the first reading") << QStringList{"A"} << t0 - 500 << t0 - 1;
}

void tst_ServerReadings::standbyReadsWhatTheFileHolds()
{
    QFETCH(QStringList, serials);
    QFETCH(qint64, start);
    QFETCH(qint64, end);
    ServerReadings reader(m_standby.connectionString());
    reader.setStore(m_labId);
    std::vector<ServerReadings::Row> rows;
    QVERIFY2(reader.read(serials, start, end, &rows), qPrintable(reader.errorText()));
    const std::vector<ServerReadings::Row> expected = fileRows(m_lab, serials, start, end);
    QCOMPARE(rows.size(), expected.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        const ServerReadings::Row &r = rows[i];
        const ServerReadings::Row &e = expected[i];
        QVERIFY2(r.device == e.device && r.pointDate == e.pointDate && r.channel1 == e.channel1 &&
                     r.channel2 == e.channel2,
                 qPrintable(QStringLiteral("row %1: %2 %3 %4 %5 instead of %6 %7 %8 %9")
                                .arg(i)
                                .arg(r.device)
                                .arg(r.pointDate)
                                .arg(r.channel1)
                                .arg(r.channel2)
                                .arg(e.device)
                                .arg(e.pointDate)
                                .arg(e.channel1)
                                .arg(e.channel2)));
    }
}

void tst_ServerReadings::spanAndCatalogue()
{
    ServerReadings reader(m_standby.connectionString());
    qint64 first = 0, last = 0;
    reader.setStore(m_labId);
    QVERIFY2(reader.span(&first, &last), qPrintable(reader.errorText()));
    QCOMPARE(first, qint64(1700000000));
    QCOMPARE(last, qint64(1700007199));

    reader.setStore(m_coldId);
    QVERIFY(reader.span(&first, &last));
    QCOMPARE(first, qint64(1700001800));
    QCOMPARE(last, qint64(1700005399));

    // A site project: every store; device A's rows of both projects.
    reader.setStore(QUuid());
    QVERIFY(reader.span(&first, &last));
    QCOMPARE(first, qint64(1700000000));
    QCOMPARE(last, qint64(1700007199));
    std::vector<ServerReadings::Row> rows;
    QVERIFY(reader.read({"A"}, 1700001800, 1700001801, &rows));
    QCOMPARE(rows.size(), size_t(4));
    QCOMPARE(rows[0].channel1, 20.0); // lab before cold at the same time
    QCOMPARE(rows[1].channel1, -18.0);

    QVector<ServerProject> projects;
    QVERIFY2(reader.catalogue(&projects), qPrintable(reader.errorText()));
    QCOMPARE(projects.size(), 2);
    QCOMPARE(projects[0].projectName, QStringLiteral("cold"));
    QCOMPARE(projects[0].host, QStringLiteral("cold-pc"));
    QCOMPARE(projects[0].storeId, m_coldId.toString(QUuid::WithoutBraces));
    QStringList cold, lab;
    for (const ServerDevice &d : projects[0].devices)
        cold << d.serialNo + "=" + d.deviceName + ":" + QString::number(d.position);
    for (const ServerDevice &d : projects[1].devices)
        lab << d.serialNo + "=" + d.deviceName + ":" + QString::number(d.position);
    QCOMPARE(cold, QStringList({"Z=Freezer:0", "A=:-1"}));
    QCOMPARE(lab, QStringList({"A=Incubator:0", "B=Bench:1", "C=:-1"}));
    QCOMPARE(projects[1].devices[2].firstPoint, qint64(1700000000));
    QCOMPARE(projects[1].devices[2].lastPoint, qint64(1700007190));
}

void tst_ServerReadings::readerErrors()
{
    // A store the server has never seen: no rows, no span, no error.
    ServerReadings reader(m_standby.connectionString());
    reader.setStore(QUuid::createUuid());
    std::vector<ServerReadings::Row> rows;
    QVERIFY(reader.read({"A"}, 0, 2000000000, &rows));
    QVERIFY(rows.empty());
    qint64 first, last;
    QVERIFY(!reader.span(&first, &last));
    QVERIFY(reader.errorText().isEmpty());

    ServerReadings nowhere(m_primary.connectionString("moravin_admin", "postgres"));
    QVERIFY(!nowhere.read({"A"}, 0, 1, &rows));
    QVERIFY2(nowhere.errorText().contains("no Moravin tables"), qPrintable(nowhere.errorText()));

    ServerReadings unreachable(
        QStringLiteral("host=127.0.0.1 port=%1 dbname=x").arg(ServerProcess::freeLoopbackPort()),
        5000);
    QVERIFY(!unreachable.read({"A"}, 0, 1, &rows));
    QVERIFY2(unreachable.errorText().startsWith("The server cannot be reached"),
             qPrintable(unreachable.errorText()));
}

void tst_ServerReadings::readerSurvivesAServerRestart()
{
    ServerReadings reader(m_standby.connectionString());
    reader.setStore(m_labId);
    std::vector<ServerReadings::Row> before, after;
    QVERIFY(reader.read({"C"}, 0, 2000000000, &before));
    QCOMPARE(before.size(), size_t(720));
    QVERIFY(m_standby.stop());
    QString error;
    QVERIFY2(m_standby.start(&error), qPrintable(error));
    // The same reader, whose connection the restart broke.
    QVERIFY2(reader.read({"C"}, 0, 2000000000, &after), qPrintable(reader.errorText()));
    QCOMPARE(after.size(), before.size());
}

ViewerSeries tst_ServerReadings::chart(const ReadingsSource &source,
                                       const QList<DeviceSettings> &devices,
                                       const QList<QPair<int, int>> &channels, qint64 start,
                                       qint64 end)
{
    QList<CompanionChannel> picked;
    for (const auto &c : channels)
        picked << CompanionChannel::fromDevice(devices.at(c.first), c.second);
    GenerateLinearQueries worker("test", source.databasePath(), QString(), picked,
                                 QString::number(start), QString::number(end));
    worker.setIntervalHint(1000);
    worker.setSource(source);
    worker.start();
    worker.wait();
    return worker.takeResult();
}

// The viewer's and the report's workers and the period lookup, given a
// project that names the primary and reads from the standby, show what they
// show from the project's file.
void tst_ServerReadings::programsReadTheStandbyAsTheFile()
{
    const QString project = m_dir.filePath("lab.qpj");
    QVERIFY(ProjectFile(project).writeHeader("lab", 1000, "lab.dat"));
    ServerSettings settings;
    settings.connection = m_primary.connectionString();
    settings.readConnection = m_standby.connectionString();
    settings.storeId = m_labId;
    QString message;
    QVERIFY2(ServerSettings::write(project, settings, &message), qPrintable(message));
    const ReadingsSource server = ReadingsSource::forProject(project);
    QVERIFY(server.isServer() && !server.isSite());
    QCOMPARE(server.connection(), m_standby.connectionString());
    const ReadingsSource file = ReadingsSource::file(m_lab);

    qint64 first = 0, last = 0, fileFirst = 0, fileLast = 0;
    QVERIFY(server.recordedPeriod(&first, &last, "test"));
    QVERIFY(file.recordedPeriod(&fileFirst, &fileLast, "test"));
    QCOMPARE(first, fileFirst);
    QCOMPARE(last, fileLast);

    QList<DeviceSettings> devices;
    for (const char *serial : {"A", "B", "C"}) {
        DeviceSettings d;
        d.deviceNumber = serial;
        d.ch1Name = "one";
        d.ch2Name = "two";
        devices << d;
    }
    const qint64 t0 = 1700000000;
    const QList<QList<QPair<int, int>>> selections{
        {{0, 1}, {1, 1}, {1, 2}, {2, 2}}, {{0, 1}}, {{1, 1}, {2, 1}}};
    const QList<QPair<qint64, qint64>> ranges{{t0 - 86400, t0 + 86400}, {t0 + 6500, t0 + 7000}};
    for (const auto &channels : selections) {
        for (const auto &range : ranges) {
            const ViewerSeries a = chart(server, devices, channels, range.first, range.second);
            const ViewerSeries b = chart(file, devices, channels, range.first, range.second);
            QVERIFY(a.rowCount() > 0);
            QCOMPARE(a.times, b.times);
            QCOMPARE(a.values, b.values);
            QCOMPARE(a.lines.size(), b.lines.size());
            for (int i = 0; i < a.lines.size(); ++i)
                QCOMPARE(a.lines[i].breaks, b.lines[i].breaks);

            QList<ReportChannel> report;
            for (const auto &c : channels)
                report << ReportChannel::fromDevice(devices.at(c.first), c.second);
            const ReportReadings::Result fromServer =
                ReportReadings::read(server, report, range.first, range.second);
            const ReportReadings::Result fromFile = ReportReadings::read(
                ReadingsDatabase(m_lab, "test"), report, range.first, range.second);
            QVERIFY2(fromServer.ok, qPrintable(fromServer.errorText));
            QVERIFY(fromFile.ok);
            QCOMPARE(fromServer.total, fromFile.total);
            for (int c = 0; c < report.size(); ++c) {
                QCOMPARE(fromServer.channels[c].size(), fromFile.channels[c].size());
                for (int i = 0; i < fromFile.channels[c].size(); ++i) {
                    QCOMPARE(fromServer.channels[c][i].time, fromFile.channels[c][i].time);
                    QCOMPARE(fromServer.channels[c][i].value, fromFile.channels[c][i].value);
                }
            }
        }
    }
}

// A project file that names the server and no database: the companions
// start on it, list the devices of both projects under their names, and
// chart channels of both.
void tst_ServerReadings::siteProjectListsEveryProject()
{
    const QString site = m_dir.filePath("site.qpj");
    ServerSettings settings;
    settings.connection = m_standby.connectionString();
    QString message;
    QVERIFY2(ServerSettings::write(site, settings, &message), qPrintable(message));
    const CompanionStart start = CompanionStart::read({"Trendora", site});
    QVERIFY2(start.ok, qPrintable(start.errorText));
    QVERIFY(start.project.site);
    const ReadingsSource source = ReadingsSource::forProject(site);
    QVERIFY(source.isSite() && source.storeId().isNull());

    const QVector<ServerProject> &projects = start.site;
    QCOMPARE(projects.size(), 2);
    QCOMPARE(projects[0].title(), QStringLiteral("cold (cold-pc)"));
    QCOMPARE(projects[1].title(), QStringLiteral("lab (lab-pc)"));

    Trendora window(site, start.project.devices);
    window.addSiteDevices(projects);
    auto *list = window.findChild<QListWidget *>("listWidget_device");
    QVERIFY(list);
    QCOMPARE(list->count(), 2 + 2 * (2 + 3));
    QCOMPARE(list->item(0)->text(), QStringLiteral("cold (cold-pc)"));
    QCOMPARE(list->item(5)->text(), QStringLiteral("lab (lab-pc)"));
    window.slotConfigSelected(list->item(0)); // a heading is not a channel
    QVERIFY(window.selectedItems().isEmpty());
    window.slotConfigSelected(list->item(1)); // Z, channel 1
    window.slotConfigSelected(list->item(8)); // B, channel 1
    QCOMPARE(window.selectedItems().size(), 2);

    const QList<DeviceSettings> devices{projects[0].devices[0].toSettings(),
                                        projects[1].devices[1].toSettings()};
    QCOMPARE(devices[0].deviceNumber, QStringLiteral("Z"));
    QCOMPARE(devices[1].deviceNumber, QStringLiteral("B"));
    const ViewerSeries both = chart(source, devices, {{0, 1}, {1, 1}}, 1700000000, 1700007199);
    QCOMPARE(both.values.size(), 2);
    const auto valued = [](const QVector<double> &v) {
        return int(std::count_if(v.begin(), v.end(), [](double x) { return x != NoValue; }));
    };
    QCOMPARE(valued(both.values[0]), 3600); // Z of the cold project
    QVERIFY(valued(both.values[1]) > 6000); // B of the lab

    // A site whose server cannot be reached: the companion says why instead
    // of opening with no devices.
    const QString away = m_dir.filePath("away.qpj");
    settings.connection = QStringLiteral("host=127.0.0.1 port=%1 dbname=x connect_timeout=5")
                              .arg(ServerProcess::freeLoopbackPort());
    QVERIFY2(ServerSettings::write(away, settings, &message), qPrintable(message));
    const CompanionStart failed = CompanionStart::read({"Pagewright", away});
    QVERIFY(!failed.ok);
    QVERIFY(failed.site.isEmpty());
    QVERIFY2(failed.errorText.startsWith("The server cannot be reached"),
             qPrintable(failed.errorText));
}

QTEST_MAIN(tst_ServerReadings)
#include "tst_ServerReadings.moc"
