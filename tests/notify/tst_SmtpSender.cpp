#include "SmtpSender.h"

#include "ServerProcess.h"
#include "SmtpTestServer.h"
#include "TestCertificate.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

// Mails handed to a real SMTP server (aiosmtpd on loopback): what arrives,
// plain and over TLS, and every way it can fail.
class tst_SmtpSender : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void plainDelivery();
    void startTlsWithLogin();
    void implicitTls();
    void faults_data();
    void faults();
    void oneRefusedRecipientDoesNotKeepTheMailFromTheOthers();
    void retriesWithGrowingPausesUntilTheServerIsThere();
    void anotherServerIsTriedAtOnce();
    void queueIsBoundedAndSaysWhenItDrops();
    void goingAwayDoesNotWaitForASilentServer();

private:
    SmtpServer serverAt(quint16 port, NotifySettings::Security security) const;
    static MailMessage mail(const QString &subject,
                            const QStringList &to = {QStringLiteral("alarm@lab.example")});

    QTemporaryDir m_dir;
    TestCertificate m_cert;      // for 127.0.0.1 and localhost
    TestCertificate m_wrongCert; // for another name
};

void tst_SmtpSender::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY2(m_cert.create(m_dir.filePath(QStringLiteral("good")),
                           {QStringLiteral("IP:127.0.0.1"), QStringLiteral("DNS:localhost")}),
             qPrintable(m_cert.error()));
    // Signed by the trusted authority, but for another name.
    QVERIFY2(m_wrongCert.create(m_dir.filePath(QStringLiteral("wrong")),
                                {QStringLiteral("DNS:wrong.example")}, &m_cert),
             qPrintable(m_wrongCert.error()));
}

SmtpServer tst_SmtpSender::serverAt(quint16 port, NotifySettings::Security security) const
{
    SmtpServer s;
    s.host = QStringLiteral("127.0.0.1");
    s.port = port;
    s.security = security;
    s.caFile = m_cert.caFile();
    s.connectTimeoutMs = 10000;
    s.timeoutMs = 30000;
    return s;
}

MailMessage tst_SmtpSender::mail(const QString &subject, const QStringList &to)
{
    MailMessage m;
    m.from = QStringLiteral("recorder@lab.example");
    m.to = to;
    m.subject = subject;
    m.body = QString::fromUtf8("Value:    9.4 °C\nLimit:    8.0 °C (upper limit)\n");
    m.date = QDateTime::currentSecsSinceEpoch();
    return m;
}

void tst_SmtpSender::plainDelivery()
{
    SmtpTestServer server;
    QVERIFY2(server.start(), qPrintable(server.error()));
    SmtpSender sender;
    sender.setServer(serverAt(server.port(), NotifySettings::Security::None));
    QSignalSpy sent(&sender, &SmtpSender::sent);
    QSignalSpy problem(&sender, &SmtpSender::problem);
    const QString subject = QString::fromUtf8("ALARM Kühlraum Temperature 9.4 °C > 8.0 °C");
    const quint64 id = sender.send(
        mail(subject, {QStringLiteral("alarm@lab.example"), QStringLiteral("boss@lab.example")}));
    QTRY_COMPARE_WITH_TIMEOUT(sent.count(), 1, 30000);
    QCOMPARE(sent.at(0).at(0).value<quint64>(), id);
    QCOMPARE(problem.count(), 0);

    const QList<QJsonObject> mails = server.messages();
    QCOMPARE(mails.size(), 1);
    const QJsonObject m = mails.first();
    QCOMPARE(m.value(QStringLiteral("mail_from")).toString(),
             QStringLiteral("recorder@lab.example"));
    QCOMPARE(
        m.value(QStringLiteral("rcpt_tos")).toVariant().toStringList(),
        (QStringList{QStringLiteral("alarm@lab.example"), QStringLiteral("boss@lab.example")}));
    QCOMPARE(m.value(QStringLiteral("subject")).toString(), subject);
    QCOMPARE(m.value(QStringLiteral("body")).toString(),
             QString::fromUtf8("Value:    9.4 °C\nLimit:    8.0 °C (upper limit)\n"));
    const QJsonObject headers = m.value(QStringLiteral("headers")).toObject();
    QCOMPARE(headers.value(QStringLiteral("From")).toString(),
             QStringLiteral("Moravin Lite <recorder@lab.example>"));
    QCOMPARE(headers.value(QStringLiteral("To")).toString(),
             QStringLiteral("alarm@lab.example, boss@lab.example"));
    QVERIFY(headers.contains(QStringLiteral("Date")));
    QVERIFY(headers.contains(QStringLiteral("Message-ID")));
    QCOMPARE(m.value(QStringLiteral("tls")).toBool(), false);
    QCOMPARE(m.value(QStringLiteral("login")).toString(), QString());
}

void tst_SmtpSender::startTlsWithLogin()
{
    SmtpTestServer::Options o;
    o.security = SmtpTestServer::Security::StartTls;
    o.certFile = m_cert.certFile();
    o.keyFile = m_cert.keyFile();
    o.user = QStringLiteral("alice");
    o.password = QString::fromUtf8("pä ss");
    SmtpTestServer server;
    QVERIFY2(server.start(o), qPrintable(server.error()));
    SmtpSender sender;
    SmtpServer s = serverAt(server.port(), NotifySettings::Security::StartTls);
    s.user = QStringLiteral("alice");
    s.password = QString::fromUtf8("pä ss");
    sender.setServer(s);
    QSignalSpy sent(&sender, &SmtpSender::sent);
    QSignalSpy problem(&sender, &SmtpSender::problem);
    sender.send(mail(QStringLiteral("TEST over STARTTLS")));
    QTRY_VERIFY_WITH_TIMEOUT(sent.count() + problem.count() > 0, 30000);
    QVERIFY2(problem.isEmpty(),
             problem.isEmpty() ? "" : qPrintable(problem.first().at(1).toString()));
    const QJsonObject m = server.messages().value(0);
    QCOMPARE(m.value(QStringLiteral("subject")).toString(), QStringLiteral("TEST over STARTTLS"));
    QCOMPARE(m.value(QStringLiteral("tls")).toBool(), true);
    QCOMPARE(m.value(QStringLiteral("login")).toString(), QStringLiteral("alice"));
}

void tst_SmtpSender::implicitTls()
{
    SmtpTestServer::Options o;
    o.security = SmtpTestServer::Security::Tls;
    o.certFile = m_cert.certFile();
    o.keyFile = m_cert.keyFile();
    SmtpTestServer server;
    QVERIFY2(server.start(o), qPrintable(server.error()));
    SmtpSender sender;
    SmtpServer s = serverAt(server.port(), NotifySettings::Security::Tls);
    s.host = QStringLiteral("localhost"); // the certificate's other name
    sender.setServer(s);
    QSignalSpy sent(&sender, &SmtpSender::sent);
    QSignalSpy problem(&sender, &SmtpSender::problem);
    sender.send(mail(QStringLiteral("TEST over TLS")));
    QTRY_VERIFY_WITH_TIMEOUT(sent.count() + problem.count() > 0, 30000);
    QVERIFY2(problem.isEmpty(),
             problem.isEmpty() ? "" : qPrintable(problem.first().at(1).toString()));
    QCOMPARE(server.messages().value(0).value(QStringLiteral("tls")).toBool(), true);
}

namespace {
enum class Fault
{
    WrongPassword,
    RefusedConnection,
    SilentServer,
    CertificateForAnotherName,
    CertificateOfAnUnknownAuthority,
    NoStartTls,
    TlsAgainstPlainServer,
    AllRecipientsRefused
};
}
Q_DECLARE_METATYPE(Fault)

void tst_SmtpSender::faults_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("permanent");
    QTest::newRow("wrong password")
        << Fault::WrongPassword << "refused the user name or password" << true;
    QTest::newRow("refused connection")
        << Fault::RefusedConnection << "refused the connection" << false;
    QTest::newRow("accepts, never answers")
        << Fault::SilentServer << "did not answer in time" << false;
    QTest::newRow("certificate for another name")
        << Fault::CertificateForAnotherName << "does not match its name or is not trusted" << true;
    QTest::newRow("certificate of an unknown authority")
        << Fault::CertificateOfAnUnknownAuthority << "does not match its name or is not trusted"
        << true;
    QTest::newRow("STARTTLS chosen, server has none")
        << Fault::NoStartTls << "does not offer STARTTLS" << true;
    QTest::newRow("TLS chosen, server speaks plain")
        << Fault::TlsAgainstPlainServer << "TLS handshake" << true;
    QTest::newRow("every recipient refused")
        << Fault::AllRecipientsRefused << "refused the recipient alarm@lab.example" << true;
}

void tst_SmtpSender::faults()
{
    QFETCH(Fault, fault);
    QFETCH(QString, message);
    QFETCH(bool, permanent);

    SmtpTestServer server;
    SmtpTestServer::Options o;
    QTcpServer silent;
    SmtpServer s;
    switch (fault) {
    case Fault::WrongPassword:
    case Fault::CertificateForAnotherName:
    case Fault::CertificateOfAnUnknownAuthority:
        o.security = SmtpTestServer::Security::StartTls;
        o.certFile = (fault == Fault::CertificateForAnotherName ? m_wrongCert : m_cert).certFile();
        o.keyFile = (fault == Fault::CertificateForAnotherName ? m_wrongCert : m_cert).keyFile();
        o.user = QStringLiteral("alice");
        o.password = QStringLiteral("right");
        QVERIFY2(server.start(o), qPrintable(server.error()));
        s = serverAt(server.port(), NotifySettings::Security::StartTls);
        s.user = QStringLiteral("alice");
        s.password =
            fault == Fault::WrongPassword ? QStringLiteral("wrong") : QStringLiteral("right");
        if (fault == Fault::CertificateOfAnUnknownAuthority)
            s.caFile.clear(); // the system's authorities do not know the test's
        break;
    case Fault::RefusedConnection:
        s = serverAt(ServerProcess::freeLoopbackPort(), NotifySettings::Security::None);
        break;
    case Fault::SilentServer:
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        s = serverAt(silent.serverPort(), NotifySettings::Security::None);
        s.timeoutMs = 2000;
        break;
    case Fault::NoStartTls:
    case Fault::TlsAgainstPlainServer:
    case Fault::AllRecipientsRefused:
        o.refusedRecipients = QStringList{QStringLiteral("alarm@lab.example")};
        QVERIFY2(server.start(o), qPrintable(server.error()));
        s = serverAt(server.port(), fault == Fault::NoStartTls ? NotifySettings::Security::StartTls
                                    : fault == Fault::TlsAgainstPlainServer
                                        ? NotifySettings::Security::Tls
                                        : NotifySettings::Security::None);
        break;
    }

    SmtpSender sender;
    sender.setRetryPolicy({3, 100, 200});
    sender.setServer(s);
    QSignalSpy sent(&sender, &SmtpSender::sent);
    QSignalSpy problem(&sender, &SmtpSender::problem);
    const quint64 id = sender.send(mail(QStringLiteral("fault")));
    // A permanent failure is reported once; a passing one after each of the three attempts.
    const int reports = permanent ? 1 : 3;
    QTRY_COMPARE_WITH_TIMEOUT(problem.count(), reports, 60000);
    for (int i = 0; i < reports; ++i) {
        QCOMPARE(problem.at(i).at(0).value<quint64>(), id);
        const QString text = problem.at(i).at(1).toString();
        QVERIFY2(text.contains(message), qPrintable(text));
        QCOMPARE(problem.at(i).at(2).toBool(), i < reports - 1);
    }
    QCOMPARE(sent.count(), 0);
    QCOMPARE(server.messageCount(), 0);
    QCOMPARE(sender.queued(), 0);
}

void tst_SmtpSender::oneRefusedRecipientDoesNotKeepTheMailFromTheOthers()
{
    SmtpTestServer::Options o;
    o.refusedRecipients = QStringList{QStringLiteral("gone@lab.example")};
    SmtpTestServer server;
    QVERIFY2(server.start(o), qPrintable(server.error()));
    SmtpSender sender;
    sender.setServer(serverAt(server.port(), NotifySettings::Security::None));
    QSignalSpy sent(&sender, &SmtpSender::sent);
    QSignalSpy problem(&sender, &SmtpSender::problem);
    sender.send(mail(QStringLiteral("ALARM"),
                     {QStringLiteral("gone@lab.example"), QStringLiteral("alarm@lab.example")}));
    QTRY_COMPARE_WITH_TIMEOUT(sent.count(), 1, 30000);
    QTRY_COMPARE(problem.count(), 1);
    QVERIFY2(problem.first().at(1).toString().contains(
                 QStringLiteral("refused the recipient gone@lab.example")),
             qPrintable(problem.first().at(1).toString()));
    QCOMPARE(problem.first().at(2).toBool(), false);
    QCOMPARE(
        server.messages().value(0).value(QStringLiteral("rcpt_tos")).toVariant().toStringList(),
        QStringList{QStringLiteral("alarm@lab.example")});
}

void tst_SmtpSender::retriesWithGrowingPausesUntilTheServerIsThere()
{
    const quint16 port = ServerProcess::freeLoopbackPort();
    SmtpSender sender;
    sender.setRetryPolicy({20, 200, 1000});
    sender.setServer(serverAt(port, NotifySettings::Security::None));
    QSignalSpy sent(&sender, &SmtpSender::sent);
    QSignalSpy problem(&sender, &SmtpSender::problem);
    sender.send(mail(QStringLiteral("late server")));
    QTRY_VERIFY_WITH_TIMEOUT(problem.count() >= 2, 30000);
    QCOMPARE(problem.first().at(2).toBool(), true);
    QCOMPARE(sent.count(), 0);

    SmtpTestServer::Options o;
    o.port = port;
    SmtpTestServer server;
    QVERIFY2(server.start(o), qPrintable(server.error()));
    QTRY_COMPARE_WITH_TIMEOUT(sent.count(), 1, 30000);
    QCOMPARE(server.messages().value(0).value(QStringLiteral("subject")).toString(),
             QStringLiteral("late server"));
    for (const QList<QVariant> &p : qAsConst(problem))
        QCOMPARE(p.at(2).toBool(), true);
}

void tst_SmtpSender::anotherServerIsTriedAtOnce()
{
    SmtpSender sender;
    // Pauses far longer than the test: only the new server can end this one.
    sender.setRetryPolicy({5, 600000, 600000});
    sender.setServer(serverAt(ServerProcess::freeLoopbackPort(), NotifySettings::Security::None));
    QSignalSpy sent(&sender, &SmtpSender::sent);
    QSignalSpy problem(&sender, &SmtpSender::problem);
    sender.send(mail(QStringLiteral("moved")));
    QTRY_COMPARE_WITH_TIMEOUT(problem.count(), 1, 30000);
    SmtpTestServer server;
    QVERIFY2(server.start(), qPrintable(server.error()));
    sender.setServer(serverAt(server.port(), NotifySettings::Security::None));
    QTRY_COMPARE_WITH_TIMEOUT(sent.count(), 1, 30000);
}

void tst_SmtpSender::queueIsBoundedAndSaysWhenItDrops()
{
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost));
    SmtpSender sender;
    sender.setCapacity(3);
    sender.setRetryPolicy({3, 100, 100});
    SmtpServer stalled = serverAt(silent.serverPort(), NotifySettings::Security::None);
    stalled.timeoutMs = 3000;
    sender.setServer(stalled);
    QSignalSpy dropped(&sender, &SmtpSender::dropped);
    QSignalSpy sent(&sender, &SmtpSender::sent);

    sender.send(mail(QStringLiteral("#1")));
    // #1 is under way (the server took the connection) and stays.
    QTRY_VERIFY_WITH_TIMEOUT(silent.hasPendingConnections(), 30000);
    for (int i = 2; i <= 6; ++i)
        sender.send(mail(QStringLiteral("#%1").arg(i)));
    int droppedTotal = 0;
    for (const QList<QVariant> &d : qAsConst(dropped))
        droppedTotal += d.at(0).toInt();
    QCOMPARE(droppedTotal, 3);
    QCOMPARE(sender.queued(), 3);

    SmtpTestServer server;
    QVERIFY2(server.start(), qPrintable(server.error()));
    sender.setServer(serverAt(server.port(), NotifySettings::Security::None));
    QTRY_COMPARE_WITH_TIMEOUT(sent.count(), 3, 60000);
    QCOMPARE(sender.queued(), 0);
    QStringList subjects;
    for (const QJsonObject &m : server.messages())
        subjects << m.value(QStringLiteral("subject")).toString();
    subjects.sort();
    QCOMPARE(subjects,
             (QStringList{QStringLiteral("#1"), QStringLiteral("#5"), QStringLiteral("#6")}));
}

void tst_SmtpSender::goingAwayDoesNotWaitForASilentServer()
{
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost));
    QElapsedTimer clock;
    {
        SmtpSender sender;
        SmtpServer s = serverAt(silent.serverPort(), NotifySettings::Security::None);
        s.timeoutMs = 120000;
        sender.setServer(s);
        sender.send(mail(QStringLiteral("never")));
        sender.send(mail(QStringLiteral("never either")));
        QTRY_VERIFY_WITH_TIMEOUT(silent.hasPendingConnections(), 30000);
        QCOMPARE(sender.queued(), 2);
        clock.start();
    }
    // The GUI thread does not wait: the worker cancels the transfer by itself.
    QVERIFY2(clock.elapsed() < 200, qPrintable(QString::number(clock.elapsed())));
    // It ends instead of running into its two-minute limit: the connection closes.
    QTcpSocket *held = silent.nextPendingConnection();
    QVERIFY(held);
    QTRY_COMPARE_WITH_TIMEOUT(held->state(), QAbstractSocket::UnconnectedState, 30000);
}

QTEST_GUILESS_MAIN(tst_SmtpSender)
#include "tst_SmtpSender.moc"
