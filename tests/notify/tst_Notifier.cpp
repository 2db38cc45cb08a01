#include "Notifier.h"

#include "MqttPublisher.h"
#include "SmtpSender.h"

#include "MosquittoBroker.h"
#include "MqttTestClient.h"
#include "ServerProcess.h"
#include "SmtpTestServer.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QtTest>

// A project's notifications end to end: readings and log events in, mails
// at a real SMTP server and messages at a real broker out, on a clock the
// test moves.
class tst_Notifier : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void anAlarmThatLastsSendsOneMailAndOneMessage();
    void failuresBecomeLogRecords();
    void mailsGatheringAtTheCloseGoOut();
    void aPrefixNoTopicCanHoldIsReported();

private:
    void configure(quint16 smtpPort, quint16 mqttPort);
    QList<QJsonObject> eventsSeen() const;

    std::unique_ptr<SmtpTestServer> m_smtp;
    std::unique_ptr<MosquittoBroker> m_broker;
    std::unique_ptr<MqttTestClient> m_watcher;
    std::unique_ptr<Notifier> m_notifier;
    qint64 m_now = 0;
};

namespace {
const QString Freezer = QStringLiteral("0012AB34");
const QString Store = QStringLiteral("00AABBCCDDEE");
const QString Events = QStringLiteral("moravin/Cold_room/events");
constexpr qint64 T0 = 1714525964; // 2024-05-01 03:12:44 in Berlin
} // namespace

void tst_Notifier::init()
{
    m_smtp = std::make_unique<SmtpTestServer>();
    QVERIFY2(m_smtp->start(), qPrintable(m_smtp->error()));
    m_broker = std::make_unique<MosquittoBroker>();
    QVERIFY2(m_broker->start(), qPrintable(m_broker->error()));
    m_watcher = std::make_unique<MqttTestClient>();
    QVERIFY(m_watcher->connectTo(m_broker->port()));
    QVERIFY(m_watcher->subscribe(QStringLiteral("moravin/#"), 1));

    m_now = T0;
    m_notifier = std::make_unique<Notifier>();
    m_notifier->setClock([this] { return m_now; });
    DeviceSettings freezer;
    freezer.deviceNumber = Freezer;
    freezer.deviceName = QStringLiteral("Freezer 1");
    freezer.ch1Name = QStringLiteral("Temperature");
    freezer.ch1Unit = 1;
    freezer.ch1Min = -30;
    freezer.ch1Max = 8;
    DeviceSettings store;
    store.deviceNumber = Store;
    store.deviceName = QStringLiteral("Store");
    m_notifier->setProject(QStringLiteral("Cold room"), {freezer, store});
}

void tst_Notifier::cleanup()
{
    m_notifier.reset();
    m_watcher.reset();
    m_broker.reset();
    m_smtp.reset();
}

void tst_Notifier::configure(quint16 smtpPort, quint16 mqttPort)
{
    NotifySettings mail;
    mail.mailEnabled = true;
    mail.host = QStringLiteral("127.0.0.1");
    mail.port = smtpPort;
    mail.security = NotifySettings::Security::None;
    mail.sender = QStringLiteral("recorder@lab.example");
    mail.recipients = QStringList{QStringLiteral("alarm@lab.example")};
    mail.alarmDelayMinutes = 5;
    mail.endHysteresis = 0.5;
    MqttSettings mqtt;
    mqtt.enabled = true;
    mqtt.host = QStringLiteral("127.0.0.1");
    mqtt.port = mqttPort;
    m_notifier->configure(mail, QString(), mqtt, QString());
}

QList<QJsonObject> tst_Notifier::eventsSeen() const
{
    QList<QJsonObject> list;
    for (const MqttTestClient::Message &m : m_watcher->messagesOn(Events))
        list << QJsonDocument::fromJson(m.payload).object();
    return list;
}

void tst_Notifier::anAlarmThatLastsSendsOneMailAndOneMessage()
{
    QSignalSpy mqttState(m_notifier.get(), &Notifier::mqttStateChanged);
    configure(m_smtp->port(), m_broker->port());
    QTRY_VERIFY_WITH_TIMEOUT(m_notifier->publisher()->isConnected(), 30000);

    m_notifier->reading(Freezer, m_now, 5.0, 40, false, false);
    QTRY_VERIFY_WITH_TIMEOUT(m_watcher->last(QStringLiteral("moravin/Cold_room/0012AB34/channel1")),
                             10000);

    // Into alarm; the display would show it now, notifications wait 5 minutes.
    m_now = T0 + 10;
    m_notifier->reading(Freezer, m_now, 9.4, 40, true, false);
    for (m_now = T0 + 11; m_now < T0 + 310; m_now += 30) {
        m_notifier->reading(Freezer, m_now, 9.6, 40, true, false);
        m_notifier->tick(m_now);
    }
    QTest::qWait(300);
    QVERIFY(eventsSeen().isEmpty());

    m_now = T0 + 310;
    m_notifier->tick(m_now);
    QTRY_COMPARE_WITH_TIMEOUT(eventsSeen().size(), 1, 10000);
    const QJsonObject begin = eventsSeen().first();
    QCOMPARE(begin.value(QStringLiteral("kind")).toString(), QStringLiteral("alarm_begin"));
    QCOMPARE(begin.value(QStringLiteral("device")).toString(), QStringLiteral("Freezer 1"));
    QCOMPARE(begin.value(QStringLiteral("unix")).toVariant().toLongLong(), T0 + 10);

    // Within the same minute: the store stops answering.
    m_now = T0 + 330;
    EventRecord lost;
    lost.time = m_now;
    lost.kind = EventKind::CommLost;
    lost.serialNo = Store;
    m_notifier->event(lost);
    QTRY_COMPARE_WITH_TIMEOUT(eventsSeen().size(), 2, 10000);
    m_now = T0 + 369;
    m_notifier->tick(m_now);
    QTest::qWait(300);
    QCOMPARE(m_smtp->messageCount(), 0);

    m_now = T0 + 370;
    m_notifier->tick(m_now);
    QTRY_COMPARE_WITH_TIMEOUT(m_smtp->messageCount(), 1, 30000);
    const QJsonObject digest = m_smtp->messages().first();
    QCOMPARE(digest.value(QStringLiteral("subject")).toString(),
             QStringLiteral("2 EVENTS Cold room: 1 ALARM, 1 NO ANSWER"));
    const QString body = digest.value(QStringLiteral("body")).toString();
    QVERIFY2(body.contains(QString::fromUtf8("ALARM Freezer 1 Temperature 9.6 °C > 8.0 °C")),
             qPrintable(body));
    QVERIFY(body.contains(QStringLiteral("NO ANSWER Store")));
    QVERIFY(body.contains(QStringLiteral("2024-05-01 03:12:54 (UTC+02:00)")));

    // Still in alarm, then just inside the limits: nothing new.
    for (int i = 1; i <= 5; ++i) {
        m_now = T0 + 400 + i * 30;
        m_notifier->reading(Freezer, m_now, i % 2 ? 8.5 : 7.8, 40, i % 2, false);
        m_notifier->tick(m_now);
    }
    // Back by the margin: the end goes out, its mail a minute later.
    m_now = T0 + 600;
    m_notifier->reading(Freezer, m_now, 6.0, 40, false, false);
    QTRY_COMPARE_WITH_TIMEOUT(eventsSeen().size(), 3, 10000);
    QCOMPARE(eventsSeen().last().value(QStringLiteral("kind")).toString(),
             QStringLiteral("alarm_end"));
    m_now = T0 + 660;
    m_notifier->tick(m_now);
    QTRY_COMPARE_WITH_TIMEOUT(m_smtp->messageCount(), 2, 30000);
    QCOMPARE(m_smtp->messages().last().value(QStringLiteral("subject")).toString(),
             QString::fromUtf8("ALARM END Freezer 1 Temperature 6.0 °C"));
    QCOMPARE(eventsSeen().size(), 3);
    QVERIFY(!mqttState.isEmpty());
    QCOMPARE(mqttState.last().at(0).toBool(), true);
}

void tst_Notifier::failuresBecomeLogRecords()
{
    QList<EventRecord> failed;
    connect(m_notifier.get(), &Notifier::notifyFailed, this,
            [&failed](const EventRecord &e) { failed << e; });
    const auto via = [&failed](const QString &channel) {
        QList<QJsonObject> found;
        for (const EventRecord &e : qAsConst(failed)) {
            const QJsonObject detail = QJsonDocument::fromJson(e.detail.toUtf8()).object();
            if (e.kind == EventKind::NotifyFailed &&
                detail.value(QStringLiteral("via")).toString() == channel)
                found << detail;
        }
        return found;
    };
    // Nobody listens on either port.
    configure(ServerProcess::freeLoopbackPort(), ServerProcess::freeLoopbackPort());
    m_notifier->mailSender()->setRetryPolicy({1, 100, 100});
    QTRY_VERIFY_WITH_TIMEOUT(!via(QStringLiteral("mqtt")).isEmpty(), 30000);
    QVERIFY(via(QStringLiteral("mqtt"))
                .first()
                .value(QStringLiteral("message"))
                .toString()
                .contains(QStringLiteral("refused the connection")));
    QCOMPARE(failed.first().time, m_now);

    EventRecord stop;
    stop.time = m_now;
    stop.kind = EventKind::SizeStop;
    m_notifier->event(stop);
    m_now += 60;
    m_notifier->tick(m_now);
    QTRY_VERIFY_WITH_TIMEOUT(!via(QStringLiteral("mail")).isEmpty(), 30000);
    QVERIFY(via(QStringLiteral("mail"))
                .first()
                .value(QStringLiteral("message"))
                .toString()
                .contains(QStringLiteral("refused the connection")));
    // The broker stays unreachable; that is said once, not at every retry.
    QTest::qWait(2500);
    QCOMPARE(via(QStringLiteral("mqtt")).size(), 1);
}

void tst_Notifier::mailsGatheringAtTheCloseGoOut()
{
    configure(m_smtp->port(), m_broker->port());
    EventRecord lost;
    lost.time = m_now;
    lost.kind = EventKind::CommLost;
    lost.serialNo = Store;
    m_notifier->event(lost);
    m_notifier->tick(m_now + 1);
    QCOMPARE(m_notifier->mailSender()->queued(), 0);
    // The project closes within the digest's minute: the mail still goes,
    // and the close does not wait for it.
    QElapsedTimer clock;
    clock.start();
    m_notifier.reset();
    QVERIFY2(clock.elapsed() < 200, qPrintable(QString::number(clock.elapsed())));
    QTRY_COMPARE_WITH_TIMEOUT(m_smtp->messageCount(), 1, 30000);
    QCOMPARE(m_smtp->messages().first().value(QStringLiteral("subject")).toString(),
             QStringLiteral("NO ANSWER Store"));
}

void tst_Notifier::aPrefixNoTopicCanHoldIsReported()
{
    QList<EventRecord> failed;
    connect(m_notifier.get(), &Notifier::notifyFailed, this,
            [&failed](const EventRecord &e) { failed << e; });
    MqttSettings mqtt;
    mqtt.enabled = true;
    mqtt.host = QStringLiteral("127.0.0.1");
    mqtt.port = m_broker->port();
    mqtt.topicPrefix = QStringLiteral("moravin/cold room/#"); // as a hand-edited file may hold
    m_notifier->configure(NotifySettings(), QString(), mqtt, QString());
    QCOMPARE(failed.size(), 1);
    QVERIFY2(failed.first().detail.contains(QStringLiteral("must not contain")),
             qPrintable(failed.first().detail));
    QVERIFY(!m_notifier->publisher()->isRunning());
    // Nothing goes out under a broken prefix, and nothing breaks either.
    m_notifier->reading(Freezer, m_now, 9.4, 40, true, false);
    QTest::qWait(300);
    QVERIFY(m_watcher->messages().isEmpty());
}

QTEST_GUILESS_MAIN(tst_Notifier)
#include "tst_Notifier.moc"
