#include "MqttPayload.h"
#include "MqttPublisher.h"

#include "MosquittoBroker.h"
#include "MqttTestClient.h"
#include "ServerProcess.h"
#include "TestCertificate.h"

#include "core/NoValue.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

// Readings, events, availability and discovery configs on a real broker
// (mosquitto on loopback), what a subscriber sees, and the broker's faults.
class tst_MqttPublisher : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void readingsEventsAndAvailability();
    void lastWillAfterAKill();
    void aDeviceThatLeavesIsRemoved();
    void leftoversOfEarlierRunsAreRemoved();
    void passwordBroker();
    void tlsBroker();
    void brokerThatIsNotThereYet();
    void eventsWaitBoundedWhileDisconnected();
    void brokerRestartedDuringABurst();
    void serverThatNeverAnswers();

private:
    MqttPublisher::Options options(quint16 port) const;
    static bool waitConnected(QSignalSpy &spy, int timeoutMs = 30000);
    static QJsonObject json(const std::optional<MqttTestClient::Message> &m);
    static QByteArray event(int sequence);

    QTemporaryDir m_dir;
    TestCertificate m_cert;
    DeviceSettings m_freezer;
    DeviceSettings m_store;
};

namespace {
const QString Prefix = QStringLiteral("moravin/Cold_room");
const QString Status = QStringLiteral("moravin/Cold_room/status");
const QString Events = QStringLiteral("moravin/Cold_room/events");
const QString FreezerT = QStringLiteral("moravin/Cold_room/0012AB34/channel1");
const QString FreezerH = QStringLiteral("moravin/Cold_room/0012AB34/channel2");
const QString FreezerConfig1 = QStringLiteral("homeassistant/sensor/moravin_0012AB34_1/config");
const QString FreezerConfig2 = QStringLiteral("homeassistant/sensor/moravin_0012AB34_2/config");
const QString StoreConfig1 = QStringLiteral("homeassistant/sensor/moravin_00AABBCCDDEE_1/config");
const QString StoreConfig2 = QStringLiteral("homeassistant/sensor/moravin_00AABBCCDDEE_2/config");
const QString StoreT = QStringLiteral("moravin/Cold_room/00AABBCCDDEE/channel1");
constexpr qint64 T0 = 1714525964;

int clientNumber = 0;
QString uniqueId(const QString &what)
{
    return QStringLiteral("%1-%2-%3")
        .arg(what)
        .arg(QCoreApplication::applicationPid())
        .arg(++clientNumber);
}

// Retained messages reach a subscriber that comes later: that is how a
// reading or a config is known to be kept by the broker. The broker sends
// them on subscribing, before it handles anything the newcomer publishes
// afterwards: once its own marker is back, everything kept has arrived.
std::optional<MqttTestClient::Message> retainedOn(quint16 port, const QString &topic,
                                                  const MqttTestClient::Options &o = {})
{
    MqttTestClient late;
    const QString marker = QStringLiteral("moravin-test/") + uniqueId(QStringLiteral("marker"));
    if (!late.connectTo(port, o) || !late.subscribe(topic, 1) || !late.subscribe(marker, 1) ||
        !late.publish(marker, "end", 1))
        return std::nullopt;
    QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired() && !late.last(marker))
        QThread::msleep(10);
    return late.last(topic);
}

// Long enough for a test to start a broker and subscribe before the
// publisher's next attempt.
constexpr int SlowRetryMs = 10000;
} // namespace

void tst_MqttPublisher::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY2(m_cert.create(m_dir.filePath(QStringLiteral("cert")),
                           {QStringLiteral("IP:127.0.0.1"), QStringLiteral("DNS:localhost")}),
             qPrintable(m_cert.error()));
    m_freezer.deviceNumber = QStringLiteral("0012AB34");
    m_freezer.deviceName = QStringLiteral("Freezer 1");
    m_freezer.ch1Name = QStringLiteral("Temperature");
    m_freezer.ch2Name = QStringLiteral("Humidity");
    m_freezer.ch1Unit = 1;
    m_freezer.ch2Unit = 3;
    m_store.deviceNumber = QStringLiteral("00AABBCCDDEE");
    m_store.deviceName = QStringLiteral("Store");
    m_store.ch1Unit = 2;
}

MqttPublisher::Options tst_MqttPublisher::options(quint16 port) const
{
    MqttPublisher::Options o;
    o.host = QStringLiteral("127.0.0.1");
    o.port = port;
    o.clientId = uniqueId(QStringLiteral("recorder"));
    o.prefix = Prefix;
    o.discoveryPrefix = QStringLiteral("homeassistant");
    o.reconnectMinMs = 200;
    o.reconnectMaxMs = 1000;
    return o;
}

bool tst_MqttPublisher::waitConnected(QSignalSpy &spy, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        for (const QList<QVariant> &s : qAsConst(spy)) {
            if (s.at(0).toBool())
                return true;
        }
        QTest::qWait(20);
    }
    return false;
}

QJsonObject tst_MqttPublisher::json(const std::optional<MqttTestClient::Message> &m)
{
    return m ? QJsonDocument::fromJson(m->payload).object() : QJsonObject();
}

QByteArray tst_MqttPublisher::event(int sequence)
{
    return QStringLiteral("{\"kind\":\"alarm_begin\",\"seq\":%1}").arg(sequence).toUtf8();
}

void tst_MqttPublisher::readingsEventsAndAvailability()
{
    MosquittoBroker broker;
    QVERIFY2(broker.start(), qPrintable(broker.error()));
    MqttTestClient watcher;
    QVERIFY(watcher.connectTo(broker.port()));
    QVERIFY(watcher.subscribe(QStringLiteral("moravin/#"), 1));
    QVERIFY(watcher.subscribe(QStringLiteral("homeassistant/#"), 1));

    MqttPublisher publisher;
    QSignalSpy state(&publisher, &MqttPublisher::connectionChanged);
    publisher.setDevices({m_freezer});
    publisher.start(options(broker.port()));
    QVERIFY(waitConnected(state));
    QVERIFY(publisher.isConnected());
    QTRY_VERIFY_WITH_TIMEOUT(watcher.last(Status), 10000);
    QCOMPARE(watcher.last(Status)->payload, QByteArray("online"));

    QTRY_VERIFY_WITH_TIMEOUT(watcher.last(FreezerConfig2), 10000);
    const QJsonObject config = json(watcher.last(FreezerConfig1));
    QCOMPARE(config.value(QStringLiteral("state_topic")).toString(), FreezerT);
    QCOMPARE(config.value(QStringLiteral("device_class")).toString(),
             QStringLiteral("temperature"));
    QCOMPARE(json(watcher.last(FreezerConfig2)).value(QStringLiteral("device_class")).toString(),
             QStringLiteral("humidity"));

    publisher.publishReading(m_freezer.deviceNumber, T0, 9.4, NoValue, true, false);
    QTRY_VERIFY_WITH_TIMEOUT(watcher.last(FreezerH), 10000);
    const QJsonObject t = json(watcher.last(FreezerT));
    QCOMPARE(t.value(QStringLiteral("value")).toDouble(), 9.4);
    QCOMPARE(t.value(QStringLiteral("unit")).toString(), QString::fromUtf8("°C"));
    QCOMPARE(t.value(QStringLiteral("alarm")).toBool(), true);
    QCOMPARE(t.value(QStringLiteral("unix")).toVariant().toLongLong(), T0);
    QVERIFY(json(watcher.last(FreezerH)).value(QStringLiteral("value")).isNull());
    QCOMPARE(json(watcher.last(FreezerH)).value(QStringLiteral("unit")).toString(),
             QStringLiteral("%"));
    // A device not in the project publishes nothing.
    publisher.publishReading(QStringLiteral("STRANGER"), T0, 1, 2, false, false);

    publisher.publishEvent(event(1));
    QTRY_VERIFY_WITH_TIMEOUT(watcher.last(Events), 10000);
    QCOMPARE(json(watcher.last(Events)).value(QStringLiteral("seq")).toInt(), 1);

    // What the broker keeps for a newcomer: status, readings, configs; not events.
    QCOMPARE(retainedOn(broker.port(), Status).value_or(MqttTestClient::Message()).payload,
             QByteArray("online"));
    QCOMPARE(json(retainedOn(broker.port(), FreezerT)).value(QStringLiteral("value")).toDouble(),
             9.4);
    QVERIFY(retainedOn(broker.port(), FreezerConfig1));
    QVERIFY(!retainedOn(broker.port(), Events));
    for (const MqttTestClient::Message &m : watcher.messages())
        QVERIFY2(!m.topic.contains(QStringLiteral("STRANGER")), qPrintable(m.topic));

    // A clean stop says "offline" itself.
    publisher.stop();
    QTRY_COMPARE_WITH_TIMEOUT(watcher.last(Status).value_or(MqttTestClient::Message()).payload,
                              QByteArray("offline"), 10000);
    QVERIFY(!publisher.isConnected());

    // A restart at once: the new connection waits for the old one's goodbye,
    // so its "online" is the last word and the last reading is kept.
    publisher.start(options(broker.port()));
    publisher.stop();
    publisher.start(options(broker.port()));
    QTRY_VERIFY_WITH_TIMEOUT(publisher.isConnected(), 20000);
    QTRY_COMPARE_WITH_TIMEOUT(
        retainedOn(broker.port(), Status).value_or(MqttTestClient::Message()).payload,
        QByteArray("online"), 10000);
    QCOMPARE(json(retainedOn(broker.port(), FreezerT)).value(QStringLiteral("value")).toDouble(),
             9.4);
}

void tst_MqttPublisher::lastWillAfterAKill()
{
    MosquittoBroker broker;
    QVERIFY2(broker.start(), qPrintable(broker.error()));
    MqttTestClient watcher;
    QVERIFY(watcher.connectTo(broker.port()));
    QVERIFY(watcher.subscribe(QStringLiteral("moravin/#"), 1));

    QProcess recorder;
    recorder.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    recorder.start(qEnvironmentVariable("MORAVIN_TEST_BINARY_DIR") +
                       QStringLiteral("/tests/notify/moravin-notify-publisher"),
                   {QString::number(broker.port()), Prefix});
    QVERIFY2(recorder.waitForStarted(10000), qPrintable(recorder.errorString()));
    // Generous: a sanitized process starts slowly on a busy machine.
    QTRY_VERIFY_WITH_TIMEOUT(watcher.last(FreezerT), 90000);
    QCOMPARE(watcher.last(Status)->payload, QByteArray("online"));

    recorder.kill(); // SIGKILL: no goodbye, the broker speaks for it
    QVERIFY(recorder.waitForFinished(10000));
    QTRY_COMPARE_WITH_TIMEOUT(watcher.last(Status).value_or(MqttTestClient::Message()).payload,
                              QByteArray("offline"), 30000);
    QCOMPARE(retainedOn(broker.port(), Status).value_or(MqttTestClient::Message()).payload,
             QByteArray("offline"));
}

void tst_MqttPublisher::aDeviceThatLeavesIsRemoved()
{
    MosquittoBroker broker;
    QVERIFY2(broker.start(), qPrintable(broker.error()));
    MqttPublisher publisher;
    QSignalSpy state(&publisher, &MqttPublisher::connectionChanged);
    publisher.setDevices({m_freezer, m_store});
    publisher.start(options(broker.port()));
    QVERIFY(waitConnected(state));
    publisher.publishReading(m_store.deviceNumber, T0, 70, 20, false, false);
    QTRY_VERIFY_WITH_TIMEOUT(retainedOn(broker.port(), StoreT), 10000);
    QVERIFY(retainedOn(broker.port(), StoreConfig2));

    MqttTestClient watcher;
    QVERIFY(watcher.connectTo(broker.port()));
    QVERIFY(watcher.subscribe(QStringLiteral("homeassistant/#"), 1));
    QTRY_VERIFY_WITH_TIMEOUT(watcher.last(StoreConfig1), 10000);
    publisher.setDevices({m_freezer});
    // An empty retained message removes the config (and the kept reading).
    QTRY_VERIFY_WITH_TIMEOUT(watcher.last(StoreConfig1)->payload.isEmpty(), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(watcher.last(StoreConfig2)->payload.isEmpty(), 10000);
    QVERIFY(!retainedOn(broker.port(), StoreConfig1));
    QVERIFY(!retainedOn(broker.port(), StoreT));
    QVERIFY(retainedOn(broker.port(), FreezerConfig1));
    // Readings of the device that left go nowhere now.
    publisher.publishReading(m_store.deviceNumber, T0 + 1, 71, 21, false, false);
    QVERIFY(!retainedOn(broker.port(), StoreT));
}

void tst_MqttPublisher::leftoversOfEarlierRunsAreRemoved()
{
    MosquittoBroker broker;
    QVERIFY2(broker.start(), qPrintable(broker.error()));
    // Left by a run in which the store was still part of the project, and
    // one of another recorder with its own prefix.
    const QString foreign = QStringLiteral("homeassistant/sensor/moravin_FOREIGN_1/config");
    {
        // Published through the publisher of an "earlier run".
        MqttPublisher old;
        QSignalSpy state(&old, &MqttPublisher::connectionChanged);
        old.setDevices({m_freezer, m_store});
        old.start(options(broker.port()));
        QVERIFY(waitConnected(state));
        old.publishReading(m_store.deviceNumber, T0, 70, 20, false, false);
        MqttPublisher::Options other = options(broker.port());
        other.prefix = QStringLiteral("moravin/Other");
        DeviceSettings stranger = m_store;
        stranger.deviceNumber = QStringLiteral("FOREIGN");
        MqttPublisher neighbour;
        QSignalSpy neighbourState(&neighbour, &MqttPublisher::connectionChanged);
        neighbour.setDevices({stranger});
        neighbour.start(other);
        QVERIFY(waitConnected(neighbourState));
        QTRY_VERIFY_WITH_TIMEOUT(retainedOn(broker.port(), StoreT), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(retainedOn(broker.port(), foreign), 10000);
    }
    QVERIFY(retainedOn(broker.port(), StoreConfig1));

    MqttPublisher publisher;
    QSignalSpy state(&publisher, &MqttPublisher::connectionChanged);
    publisher.setDevices({m_freezer});
    publisher.start(options(broker.port()));
    QVERIFY(waitConnected(state));
    QTRY_VERIFY_WITH_TIMEOUT(!retainedOn(broker.port(), StoreConfig1), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(!retainedOn(broker.port(), StoreConfig2), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(!retainedOn(broker.port(), StoreT), 10000);
    QVERIFY(retainedOn(broker.port(), FreezerConfig1));
    QVERIFY(retainedOn(broker.port(), foreign));
}

void tst_MqttPublisher::passwordBroker()
{
    MosquittoBroker::Options b;
    b.user = QStringLiteral("moravin");
    b.password = QStringLiteral("s3cret");
    MosquittoBroker broker;
    QVERIFY2(broker.start(b), qPrintable(broker.error()));
    MqttTestClient::Options login;
    login.user = b.user;
    login.password = b.password;

    MqttPublisher wrong;
    QSignalSpy wrongState(&wrong, &MqttPublisher::connectionChanged);
    MqttPublisher::Options o = options(broker.port());
    o.user = b.user;
    o.password = QStringLiteral("guess");
    wrong.setDevices({m_freezer});
    wrong.start(o);
    QTRY_VERIFY_WITH_TIMEOUT(!wrongState.isEmpty(), 30000);
    QCOMPARE(wrongState.first().at(0).toBool(), false);
    QVERIFY2(wrongState.first().at(1).toString().contains(
                 QStringLiteral("refused the user name or password")),
             qPrintable(wrongState.first().at(1).toString()));
    // It keeps trying, but says so once.
    QTest::qWait(1500);
    QCOMPARE(wrongState.count(), 1);
    QVERIFY(!retainedOn(broker.port(), Status, login));
    wrong.stop();

    MqttPublisher right;
    QSignalSpy state(&right, &MqttPublisher::connectionChanged);
    o.password = b.password;
    right.setDevices({m_freezer});
    right.start(o);
    QVERIFY(waitConnected(state));
    QCOMPARE(retainedOn(broker.port(), Status, login).value_or(MqttTestClient::Message()).payload,
             QByteArray("online"));
}

void tst_MqttPublisher::tlsBroker()
{
    MosquittoBroker::Options b;
    b.certFile = m_cert.certFile();
    b.keyFile = m_cert.keyFile();
    MosquittoBroker broker;
    QVERIFY2(broker.start(b), qPrintable(broker.error()));
    MqttTestClient::Options tls;
    tls.caFile = m_cert.caFile();

    MqttPublisher publisher;
    QSignalSpy state(&publisher, &MqttPublisher::connectionChanged);
    MqttPublisher::Options o = options(broker.port());
    o.tls = true;
    o.caFile = m_cert.caFile();
    publisher.setDevices({m_freezer});
    publisher.start(o);
    QVERIFY(waitConnected(state));
    publisher.publishReading(m_freezer.deviceNumber, T0, 3.5, 50, false, false);
    QTRY_VERIFY_WITH_TIMEOUT(retainedOn(broker.port(), FreezerT, tls), 10000);

    // The broker's certificate names 127.0.0.1 and localhost, not this.
    TestCertificate other;
    QVERIFY2(other.create(m_dir.filePath(QStringLiteral("other")),
                          {QStringLiteral("DNS:other.example")}, &m_cert),
             qPrintable(other.error()));
    MosquittoBroker::Options ob;
    ob.certFile = other.certFile();
    ob.keyFile = other.keyFile();
    MosquittoBroker mismatched;
    QVERIFY2(mismatched.start(ob), qPrintable(mismatched.error()));
    MqttPublisher refused;
    QSignalSpy refusedState(&refused, &MqttPublisher::connectionChanged);
    MqttPublisher::Options ro = options(mismatched.port());
    ro.tls = true;
    ro.caFile = m_cert.caFile();
    refused.start(ro);
    QTRY_VERIFY_WITH_TIMEOUT(!refusedState.isEmpty(), 30000);
    QCOMPARE(refusedState.first().at(0).toBool(), false);
    QVERIFY2(refusedState.first().at(1).toString().contains(QStringLiteral("TLS handshake")),
             qPrintable(refusedState.first().at(1).toString()));

    // A CA file that is not there is said at once.
    MqttPublisher missing;
    QSignalSpy missingState(&missing, &MqttPublisher::connectionChanged);
    ro.caFile = m_dir.filePath(QStringLiteral("nothing-here.pem"));
    missing.start(ro);
    QTRY_VERIFY(!missingState.isEmpty());
    QVERIFY(missingState.first().at(1).toString().contains(QStringLiteral("cannot be read")));
    QVERIFY(!missing.isRunning());
}

void tst_MqttPublisher::brokerThatIsNotThereYet()
{
    const quint16 port = ServerProcess::freeLoopbackPort();
    MqttPublisher publisher;
    QSignalSpy state(&publisher, &MqttPublisher::connectionChanged);
    publisher.setDevices({m_freezer});
    MqttPublisher::Options o = options(port);
    o.reconnectMinMs = o.reconnectMaxMs = SlowRetryMs;
    publisher.start(o);
    QTRY_VERIFY_WITH_TIMEOUT(!state.isEmpty(), 30000);
    QVERIFY2(state.first().at(1).toString().contains(QStringLiteral("refused the connection")),
             qPrintable(state.first().at(1).toString()));
    // Meanwhile: readings keep their latest value, events wait.
    publisher.publishReading(m_freezer.deviceNumber, T0, 4.0, 41, false, false);
    publisher.publishReading(m_freezer.deviceNumber, T0 + 1, 4.5, 42, false, false);
    publisher.publishEvent(event(7));

    MosquittoBroker::Options b;
    b.port = port;
    MosquittoBroker broker;
    QVERIFY2(broker.start(b), qPrintable(broker.error()));
    MqttTestClient watcher;
    QVERIFY(watcher.connectTo(port));
    QVERIFY(watcher.subscribe(QStringLiteral("moravin/#"), 1));
    QVERIFY(waitConnected(state));
    QTRY_VERIFY_WITH_TIMEOUT(watcher.last(Events), 30000);
    QCOMPARE(json(watcher.last(Events)).value(QStringLiteral("seq")).toInt(), 7);
    QCOMPARE(json(retainedOn(port, FreezerT)).value(QStringLiteral("value")).toDouble(), 4.5);
    QCOMPARE(watcher.messagesOn(FreezerT).size(), 1);
}

void tst_MqttPublisher::eventsWaitBoundedWhileDisconnected()
{
    const quint16 port = ServerProcess::freeLoopbackPort();
    MqttPublisher publisher;
    QSignalSpy dropped(&publisher, &MqttPublisher::eventsDropped);
    QSignalSpy state(&publisher, &MqttPublisher::connectionChanged);
    MqttPublisher::Options o = options(port);
    o.eventCapacity = 5;
    o.reconnectMinMs = o.reconnectMaxMs = SlowRetryMs;
    publisher.start(o);
    for (int i = 1; i <= 8; ++i)
        publisher.publishEvent(event(i));
    int droppedTotal = 0;
    for (const QList<QVariant> &d : qAsConst(dropped))
        droppedTotal += d.at(0).toInt();
    QCOMPARE(droppedTotal, 3);
    QTRY_VERIFY_WITH_TIMEOUT(!state.isEmpty(), 30000); // the first attempt failed

    MosquittoBroker::Options b;
    b.port = port;
    MosquittoBroker broker;
    QVERIFY2(broker.start(b), qPrintable(broker.error()));
    MqttTestClient watcher;
    QVERIFY(watcher.connectTo(port));
    QVERIFY(watcher.subscribe(Events, 1));
    QTRY_COMPARE_WITH_TIMEOUT(watcher.messagesOn(Events).size(), 5, 30000);
    QList<int> seen;
    for (const MqttTestClient::Message &m : watcher.messagesOn(Events))
        seen << QJsonDocument::fromJson(m.payload).object().value(QStringLiteral("seq")).toInt();
    QCOMPARE(seen, (QList<int>{4, 5, 6, 7, 8}));
}

void tst_MqttPublisher::brokerRestartedDuringABurst()
{
    MosquittoBroker::Options b;
    b.persistence = true;
    MosquittoBroker broker;
    QVERIFY2(broker.start(b), qPrintable(broker.error()));
    // A subscriber whose session the broker keeps over its restart.
    MqttTestClient::Options keep;
    keep.clientId = uniqueId(QStringLiteral("watcher"));
    keep.cleanSession = false;
    MqttTestClient watcher;
    QVERIFY(watcher.connectTo(broker.port(), keep));
    QVERIFY(watcher.subscribe(Events, 1));

    MqttPublisher publisher;
    QSignalSpy state(&publisher, &MqttPublisher::connectionChanged);
    publisher.setDevices({m_freezer});
    publisher.start(options(broker.port()));
    QVERIFY(waitConnected(state));

    constexpr int Burst = 200;
    for (int i = 1; i <= Burst; ++i) {
        publisher.publishEvent(event(i));
        publisher.publishReading(m_freezer.deviceNumber, T0 + i, i, 50, i % 2 == 0, false);
        if (i == Burst / 2)
            QVERIFY2(broker.restart(), qPrintable(broker.output()));
    }
    // Every alarm of the burst arrives (at least once: QoS 1).
    QSet<int> seen;
    QDeadlineTimer deadline(60000);
    while (seen.size() < Burst && !deadline.hasExpired()) {
        QTest::qWait(100);
        seen.clear();
        for (const MqttTestClient::Message &m : watcher.messagesOn(Events))
            seen.insert(
                QJsonDocument::fromJson(m.payload).object().value(QStringLiteral("seq")).toInt());
    }
    QCOMPARE(seen.size(), Burst);
    // And the kept reading is the last one.
    QTRY_COMPARE_WITH_TIMEOUT(
        json(retainedOn(broker.port(), FreezerT)).value(QStringLiteral("value")).toDouble(),
        double(Burst), 30000);
    QCOMPARE(retainedOn(broker.port(), Status).value_or(MqttTestClient::Message()).payload,
             QByteArray("online"));
}

void tst_MqttPublisher::serverThatNeverAnswers()
{
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost));
    MqttPublisher publisher;
    QSignalSpy state(&publisher, &MqttPublisher::connectionChanged);
    MqttPublisher::Options o = options(silent.serverPort());
    o.keepAliveSecs = 5;
    publisher.start(o);
    QTRY_VERIFY_WITH_TIMEOUT(silent.hasPendingConnections(), 30000);
    // Calls return at once whatever the broker does.
    publisher.setDevices({m_freezer});
    for (int i = 0; i < 100; ++i) {
        publisher.publishReading(m_freezer.deviceNumber, T0 + i, i, i, false, false);
        publisher.publishEvent(event(i));
    }
    QTRY_VERIFY_WITH_TIMEOUT(!state.isEmpty(), 60000);
    QCOMPARE(state.first().at(0).toBool(), false);
    QVERIFY(!publisher.isConnected());
    // The GUI thread never waits for the network: the goodbye is the network thread's.
    QElapsedTimer clock;
    clock.start();
    publisher.stop();
    QVERIFY2(clock.elapsed() < 200, qPrintable(QString::number(clock.elapsed())));
}

QTEST_MAIN(tst_MqttPublisher)
#include "tst_MqttPublisher.moc"
