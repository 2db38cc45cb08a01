// The recorder's notifications end to end: a real recorder process (this
// program with --child) records a simulated LAN device into a project
// whose [Mqtt] and [Notify] groups point at a mosquitto and an aiosmtpd on
// loopback. Live readings, discovery configs, the alarm's message and mail,
// a broker outage that recording does not notice, and the last will after
// a kill -9.
#include "MoravinMain.h"
#include "MosquittoBroker.h"
#include "MqttSettings.h"
#include "MqttTestClient.h"
#include "NotifySettings.h"
#include "SimulatorProcess.h"
#include "SmtpTestServer.h"
#include "core/ProjectFile.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <cstring>

namespace {

const QString Serial = QStringLiteral("00AA11BB22CC");
const QString Prefix = QStringLiteral("moravin/Cold_room");
const QString Status = Prefix + QStringLiteral("/status");
const QString Reading1 = Prefix + QLatin1Char('/') + Serial + QStringLiteral("/channel1");
const QString Config1 =
    QStringLiteral("homeassistant/sensor/moravin_") + Serial + QStringLiteral("_1/config");
const QString Config2 =
    QStringLiteral("homeassistant/sensor/moravin_") + Serial + QStringLiteral("_2/config");

int runChild(int argc, char *argv[], const QString &project)
{
    QLoggingCategory::setFilterRules(QStringLiteral("moravin.*.debug=false"));
    QApplication app(argc, argv);
    MoravinMain window;
    window.projectLoaded(project);
    if (!window.isProjectOpen())
        return 3;
    window.slotStartRecord();
    std::puts("recording");
    std::fflush(stdout);
    return app.exec();
}

qint64 count(const QString &path, const QString &sql)
{
    qint64 rows = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "rows");
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=2000"));
        if (db.open()) {
            QSqlQuery q(db);
            if (q.exec(sql) && q.next())
                rows = q.value(0).toLongLong();
        }
    }
    QSqlDatabase::removeDatabase("rows");
    return rows;
}

qint64 rowCount(const QString &path)
{
    return count(path, QStringLiteral("select count(*) from kelvantis"));
}

QJsonObject json(const std::optional<MqttTestClient::Message> &m)
{
    return m ? QJsonDocument::fromJson(m->payload).object() : QJsonObject();
}

// What the broker keeps on topic, as a subscriber that comes now sees it:
// retained messages arrive before the echo of its own marker.
std::optional<MqttTestClient::Message> retainedOn(quint16 port, const QString &topic)
{
    MqttTestClient late;
    const QString marker = QStringLiteral("moravin-test/marker");
    if (!late.connectTo(port) || !late.subscribe(topic, 1) || !late.subscribe(marker, 1) ||
        !late.publish(marker, "end", 1))
        return std::nullopt;
    QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired() && !late.last(marker))
        QThread::msleep(10);
    return late.last(topic);
}

} // namespace

class tst_RecorderNotifications : public QObject
{
    Q_OBJECT
private slots:
    void recorderPublishesMailsAndOutlivesTheBroker();
};

void tst_RecorderNotifications::recorderPublishesMailsAndOutlivesTheBroker()
{
    QTemporaryDir dir;
    MosquittoBroker broker;
    QVERIFY2(broker.start(), qPrintable(broker.error()));
    SmtpTestServer smtp;
    QVERIFY2(smtp.start(), qPrintable(smtp.error()));
    SimulatorProcess simulator;
    QVERIFY(simulator.start({QStringLiteral("--discovery"), QStringLiteral("none"),
                             QStringLiteral("--lan"), QStringLiteral("127.0.0.41:0/") + Serial}));
    const SimulatorProcess::Lan lan = simulator.lan(0);
    QVERIFY(lan.port != 0);

    // The simulated room is always warmer than 15 °C: channel 1 is in alarm.
    DeviceSettings device;
    device.deviceNumber = Serial;
    device.deviceName = QStringLiteral("Freezer 1");
    device.ch1Name = QStringLiteral("Temperature");
    device.ch2Name = QStringLiteral("Humidity");
    device.deviceInterface = DeviceSettings::Lan;
    device.interfaceAddress = lan.address;
    device.tcpPort = lan.port;
    device.ch1Unit = 1;
    device.ch2Unit = 3;
    device.ch1Min = -30;
    device.ch1Max = 15;
    device.ch2Max = 100;
    const QString project = dir.filePath(QStringLiteral("Cold room.qpj"));
    const QString database = dir.filePath(QStringLiteral("Cold room.dat"));
    QVERIFY(ProjectFile(project).writeHeader(QStringLiteral("Cold room"), 1000,
                                             QStringLiteral("Cold room.dat")));
    QVERIFY(ProjectFile(project).saveDeviceList({device}));
    NotifySettings mail;
    mail.mailEnabled = true;
    mail.host = QStringLiteral("127.0.0.1");
    mail.port = smtp.port();
    mail.security = NotifySettings::Security::None;
    mail.sender = QStringLiteral("recorder@example.org");
    mail.recipients = QStringList{QStringLiteral("night@example.org")};
    QVERIFY(mail.save(project));
    MqttSettings mqtt;
    mqtt.enabled = true;
    mqtt.host = QStringLiteral("127.0.0.1");
    mqtt.port = broker.port();
    QVERIFY(mqtt.save(project));

    MqttTestClient watcher;
    QVERIFY(watcher.connectTo(broker.port()));
    QVERIFY(watcher.subscribe(QStringLiteral("moravin/#"), 1));
    QVERIFY(watcher.subscribe(QStringLiteral("homeassistant/#"), 1));

    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child"), project});
    QVERIFY(child.waitForStarted(10000));
    QVERIFY(child.waitForReadyRead(30000));
    QCOMPARE(child.readLine().trimmed(), QByteArray("recording"));

    // Availability, live readings and a discovery config for each channel.
    QTRY_COMPARE_WITH_TIMEOUT(watcher.last(Status).value_or(MqttTestClient::Message()).payload,
                              QByteArray("online"), 20000);
    QTRY_VERIFY_WITH_TIMEOUT(watcher.messagesOn(Reading1).size() >= 2, 20000);
    const QJsonObject reading = json(watcher.last(Reading1));
    QVERIFY2(reading.value(QStringLiteral("value")).toDouble() > 15,
             watcher.last(Reading1)->payload);
    QCOMPARE(reading.value(QStringLiteral("alarm")).toBool(), true);
    QCOMPARE(reading.value(QStringLiteral("unit")).toString(), QString::fromUtf8("°C"));
    QTRY_VERIFY_WITH_TIMEOUT(watcher.last(Config1) && watcher.last(Config2), 20000);
    QCOMPARE(json(watcher.last(Config1)).value(QStringLiteral("state_topic")).toString(), Reading1);
    QCOMPARE(json(watcher.last(Config2)).value(QStringLiteral("device_class")).toString(),
             QStringLiteral("humidity"));

    // The alarm's message, once.
    auto alarms = [&] {
        int n = 0;
        for (const MqttTestClient::Message &m : watcher.messagesOn(Prefix + "/events")) {
            const QJsonObject e = QJsonDocument::fromJson(m.payload).object();
            if (e.value(QStringLiteral("kind")).toString() == QLatin1String("alarm_begin") &&
                e.value(QStringLiteral("serial")).toString() == Serial)
                ++n;
        }
        return n;
    };
    QTRY_COMPARE_WITH_TIMEOUT(alarms(), 1, 20000);

    // The broker goes away: recording goes on; back, it gets the retained
    // state again (it keeps nothing over a restart here).
    broker.stop();
    const qint64 before = rowCount(database);
    QTRY_VERIFY_WITH_TIMEOUT(rowCount(database) >= before + 3, 30000);
    // The event log says why nothing reaches the broker.
    QTRY_VERIFY_WITH_TIMEOUT(count(database, QStringLiteral("select count(*) from events where "
                                                            "kind = 'notify_failed' and detail "
                                                            "like '%mqtt%'")) >= 1,
                             30000);
    QVERIFY(broker.restart());
    QTRY_COMPARE_WITH_TIMEOUT(
        retainedOn(broker.port(), Status).value_or(MqttTestClient::Message()).payload,
        QByteArray("online"), 40000);
    QTRY_VERIFY_WITH_TIMEOUT(retainedOn(broker.port(), Config1), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(retainedOn(broker.port(), Reading1), 10000);
    QCOMPARE(alarms(), 1);

    // One mail for the alarm, once the minute that gathers a digest is over.
    QTRY_VERIFY_WITH_TIMEOUT(smtp.messageCount() >= 1, 100000);
    const QJsonObject message = smtp.messages().first();
    const QString subject = message.value(QStringLiteral("subject")).toString();
    QVERIFY2(subject.startsWith(QStringLiteral("ALARM Freezer 1 Temperature")),
             qPrintable(subject));
    QCOMPARE(message.value(QStringLiteral("rcpt_tos")).toArray().first().toString(),
             QStringLiteral("night@example.org"));
    QVERIFY(message.value(QStringLiteral("body")).toString().contains(QStringLiteral("Cold room")));

    // Killed, the recorder leaves its last will.
    child.kill();
    QVERIFY(child.waitForFinished(10000));
    QTRY_COMPARE_WITH_TIMEOUT(watcher.last(Status).value_or(MqttTestClient::Message()).payload,
                              QByteArray("offline"), 60000);
    QCOMPARE(smtp.messageCount(), 1);
}

int main(int argc, char *argv[])
{
    if (argc == 3 && std::strcmp(argv[1], "--child") == 0)
        return runChild(argc, argv, QString::fromLocal8Bit(argv[2]));
    QApplication app(argc, argv);
    tst_RecorderNotifications test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_RecorderNotifications.moc"
