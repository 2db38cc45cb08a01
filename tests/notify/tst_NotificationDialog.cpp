#include "NotificationDialog.h"
#include "SecretStore.h"

#include "FormWidgets.h"
#include "OpenMessages.h"
#include "ServerProcess.h"
#include "SmtpTestServer.h"
#include "TestCertificate.h"

#include "core/ProjectFile.h"
#include "widgets/MessageDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

using FormWidgets::child;

// The notification dialog through its widgets: what it shows and keeps,
// what it refuses, and "Send test e-mail" against a real SMTP server.
class tst_NotificationDialog : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void showsWhatTheProjectKeeps();
    void confirmKeepsSettingsAndPasswordsApart();
    void refusals_data();
    void refusals();
    void portsFollowTheSecurity();
    void testMailArrives();
    void testMailFailuresAreSaid_data();
    void testMailFailuresAreSaid();
    void testMailDoesNotHoldTheWindow();

private:
    NotificationDialog *open();
    void fillMail(NotificationDialog *d, quint16 port);
    QString projectText() const;

    QTemporaryDir m_certDir;
    TestCertificate m_cert;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<SecretStore> m_secrets;
    QString m_project;
};

void tst_NotificationDialog::initTestCase()
{
    QVERIFY2(m_cert.create(m_certDir.filePath(QStringLiteral("cert")),
                           {QStringLiteral("IP:127.0.0.1"), QStringLiteral("DNS:localhost")}),
             qPrintable(m_cert.error()));
}

void tst_NotificationDialog::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_project = m_dir->filePath(QStringLiteral("Cold room.qpj"));
    ProjectFile(m_project).writeHeader(QStringLiteral("Cold room"), 1000,
                                       QStringLiteral("Cold room.dat"));
    m_secrets = std::make_unique<SecretStore>(m_dir->filePath(QStringLiteral("config")),
                                              SecretStore::Mode::FileOnly);
}

void tst_NotificationDialog::cleanup()
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (qobject_cast<QDialog *>(w))
            w->deleteLater();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

NotificationDialog *tst_NotificationDialog::open()
{
    auto *d = new NotificationDialog(m_project, QStringLiteral("Cold room"), m_secrets.get());
    d->show();
    return d;
}

void tst_NotificationDialog::fillMail(NotificationDialog *d, quint16 port)
{
    child<QCheckBox>(d, "checkBox_mailEnabled")->setChecked(true);
    child<QLineEdit>(d, "lineEdit_smtpHost")->setText(QStringLiteral("127.0.0.1"));
    child<QComboBox>(d, "comboBox_security")->setCurrentIndex(0);
    child<QSpinBox>(d, "spinBox_smtpPort")->setValue(port);
    child<QLineEdit>(d, "lineEdit_sender")->setText(QStringLiteral("recorder@lab.example"));
    child<QLineEdit>(d, "lineEdit_recipients")
        ->setText(QStringLiteral("alarm@lab.example; boss@lab.example"));
}

QString tst_NotificationDialog::projectText() const
{
    QFile file(m_project);
    file.open(QIODevice::ReadOnly);
    return QString::fromUtf8(file.readAll());
}

void tst_NotificationDialog::showsWhatTheProjectKeeps()
{
    NotifySettings mail;
    mail.mailEnabled = true;
    mail.host = QStringLiteral("mail.lab.example");
    mail.security = NotifySettings::Security::Tls;
    mail.port = 465;
    mail.user = QStringLiteral("rec");
    mail.sender = QStringLiteral("rec@lab.example");
    mail.recipients = QStringList{QStringLiteral("a@lab.example"), QStringLiteral("b@lab.example")};
    mail.categories = NotifySettings::AlarmBegin | NotifySettings::AutoStop;
    mail.alarmDelayMinutes = 10;
    mail.endHysteresis = 0.5;
    QVERIFY(mail.save(m_project));
    MqttSettings mqtt;
    mqtt.enabled = true;
    mqtt.host = QStringLiteral("broker.lab.example");
    mqtt.user = QStringLiteral("m");
    mqtt.topicPrefix = QStringLiteral("site/cold");
    QVERIFY(mqtt.save(m_project));
    QVERIFY(m_secrets->store(QStringLiteral("smtp"), QStringLiteral("rec@mail.lab.example"),
                             QStringLiteral("mailpw")));
    QVERIFY(m_secrets->store(QStringLiteral("mqtt"), QStringLiteral("m@broker.lab.example"),
                             QStringLiteral("brokerpw")));

    NotificationDialog *d = open();
    QCOMPARE(d->mailSettings(), mail);
    QCOMPARE(d->mqttSettings(), mqtt);
    QCOMPARE(child<QComboBox>(d, "comboBox_security")->currentText(), QStringLiteral("TLS"));
    QCOMPARE(child<QLineEdit>(d, "lineEdit_smtpPassword")->text(), QStringLiteral("mailpw"));
    QCOMPARE(child<QLineEdit>(d, "lineEdit_smtpPassword")->echoMode(), QLineEdit::Password);
    QCOMPARE(child<QLineEdit>(d, "lineEdit_mqttPassword")->text(), QStringLiteral("brokerpw"));
    QVERIFY(!child<QCheckBox>(d, "checkBox_alarmEnd")->isChecked());
    QVERIFY(child<QCheckBox>(d, "checkBox_autoStop")->isChecked());
    // Where the passwords are: here the file, readable only by the user.
    const QString place = child<QLabel>(d, "label_passwordPlace")->text();
    QVERIFY2(place.contains(m_secrets->filePath()), qPrintable(place));
    QCOMPARE(child<QLineEdit>(d, "lineEdit_topicPrefix")->placeholderText(),
             QStringLiteral("moravin/Cold_room"));
    QCOMPARE(child<QPushButton>(d, "pushButton_testMail")->text(),
             QStringLiteral("Send test e-mail"));
}

void tst_NotificationDialog::confirmKeepsSettingsAndPasswordsApart()
{
    QPointer<NotificationDialog> d = open();
    QSignalSpy confirmed(d.data(), &NotificationDialog::settingsConfirmed);
    fillMail(d, 2525);
    child<QLineEdit>(d, "lineEdit_smtpUser")->setText(QStringLiteral("rec"));
    child<QLineEdit>(d, "lineEdit_smtpPassword")->setText(QStringLiteral("Very-Secret-1"));
    child<QCheckBox>(d, "checkBox_alarmEnd")->setChecked(false);
    child<QSpinBox>(d, "spinBox_delay")->setValue(3);
    child<QCheckBox>(d, "checkBox_mqttEnabled")->setChecked(true);
    child<QLineEdit>(d, "lineEdit_mqttHost")->setText(QStringLiteral("127.0.0.1"));
    child<QLineEdit>(d, "lineEdit_mqttUser")->setText(QStringLiteral("m"));
    child<QLineEdit>(d, "lineEdit_mqttPassword")->setText(QStringLiteral("Broker-Secret-2"));
    QTest::mouseClick(child<QPushButton>(d, "pushButton_confirm"), Qt::LeftButton);
    QCOMPARE(confirmed.count(), 1);
    QTRY_VERIFY(d.isNull());

    const NotifySettings mail = NotifySettings::load(m_project);
    QVERIFY(mail.mailEnabled);
    QCOMPARE(mail.port, 2525);
    QCOMPARE(mail.recipients, (QStringList{QStringLiteral("alarm@lab.example"),
                                           QStringLiteral("boss@lab.example")}));
    QCOMPARE(mail.categories, NotifySettings::AllCategories & ~NotifySettings::AlarmEnd);
    QCOMPARE(mail.alarmDelayMinutes, 3);
    QVERIFY(MqttSettings::load(m_project).enabled);
    const QString text = projectText();
    QVERIFY(!text.contains(QStringLiteral("Secret")));
    QCOMPARE(*m_secrets->lookup(QStringLiteral("smtp"), QStringLiteral("rec@127.0.0.1")),
             QStringLiteral("Very-Secret-1"));
    QCOMPARE(*m_secrets->lookup(QStringLiteral("mqtt"), QStringLiteral("m@127.0.0.1")),
             QStringLiteral("Broker-Secret-2"));

    // An emptied password field forgets the password.
    QPointer<NotificationDialog> again = open();
    child<QLineEdit>(again, "lineEdit_smtpPassword")->clear();
    QTest::mouseClick(child<QPushButton>(again, "pushButton_confirm"), Qt::LeftButton);
    QTRY_VERIFY(again.isNull());
    QVERIFY(!m_secrets->lookup(QStringLiteral("smtp"), QStringLiteral("rec@127.0.0.1")));
}

void tst_NotificationDialog::refusals_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    QTest::newRow("no server") << "lineEdit_smtpHost"
                               << ""
                               << "Enter the SMTP server.";
    QTest::newRow("no sender") << "lineEdit_sender"
                               << ""
                               << "Enter the sender address.";
    QTest::newRow("bad sender") << "lineEdit_sender"
                                << "recorder"
                                << "The sender \"recorder\" is not an e-mail address.";
    QTest::newRow("no recipient") << "lineEdit_recipients"
                                  << " , "
                                  << "Enter at least one recipient.";
    QTest::newRow("bad recipient") << "lineEdit_recipients"
                                   << "a@lab.example, boss"
                                   << "The recipient \"boss\" is not an e-mail address.";
    QTest::newRow("missing CA file") << "lineEdit_smtpCaFile"
                                     << "/nonexistent/ca.pem"
                                     << "The CA file /nonexistent/ca.pem does not exist.";
    QTest::newRow("no broker") << "lineEdit_mqttHost"
                               << ""
                               << "Enter the broker address.";
    QTest::newRow("wildcard in the prefix")
        << "lineEdit_topicPrefix"
        << "moravin/+"
        << "The topic prefix must not contain \"+\" or \"#\": MQTT uses them as wildcards.";
    QTest::newRow("hash in the prefix")
        << "lineEdit_topicPrefix"
        << "lab#"
        << "The topic prefix must not contain \"+\" or \"#\": MQTT uses them as wildcards.";
    QTest::newRow("blank in the prefix") << "lineEdit_topicPrefix"
                                         << "cold room"
                                         << "The topic prefix must not contain blanks.";
    QTest::newRow("trailing blank in the prefix") << "lineEdit_topicPrefix"
                                                  << "cold "
                                                  << "The topic prefix must not contain blanks.";
    QTest::newRow("discovery prefix")
        << "lineEdit_discoveryPrefix"
        << "home/+/x"
        << "The discovery prefix must not contain \"+\" or \"#\": MQTT uses them as wildcards.";
}

void tst_NotificationDialog::refusals()
{
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QString, message);
    QPointer<NotificationDialog> d = open();
    fillMail(d, 25);
    child<QCheckBox>(d, "checkBox_mqttEnabled")->setChecked(true);
    child<QLineEdit>(d, "lineEdit_mqttHost")->setText(QStringLiteral("127.0.0.1"));
    const QString before = projectText();
    child<QLineEdit>(d, field.toLatin1().constData())->setText(text);
    QTest::mouseClick(child<QPushButton>(d, "pushButton_confirm"), Qt::LeftButton);
    QVERIFY(!d.isNull());
    QVERIFY(d->isVisible());
    const QList<MessageDialog *> shown = OpenMessages::ownedBy(d);
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.first()->title(), QStringLiteral("INFORMATION"));
    QCOMPARE(shown.first()->text(), message);
    QCOMPARE(projectText(), before);
}

void tst_NotificationDialog::portsFollowTheSecurity()
{
    NotificationDialog *d = open();
    auto *security = child<QComboBox>(d, "comboBox_security");
    auto *port = child<QSpinBox>(d, "spinBox_smtpPort");
    QCOMPARE(security->currentText(), QStringLiteral("STARTTLS"));
    QCOMPARE(port->value(), 587);
    security->setCurrentIndex(2);
    QCOMPARE(port->value(), 465);
    security->setCurrentIndex(0);
    QCOMPARE(port->value(), 25);
    port->setValue(2525); // a port the user chose stays
    security->setCurrentIndex(1);
    QCOMPARE(port->value(), 2525);

    auto *mqttPort = child<QSpinBox>(d, "spinBox_mqttPort");
    child<QCheckBox>(d, "checkBox_mqttTls")->setChecked(true);
    QCOMPARE(mqttPort->value(), 8883);
    child<QCheckBox>(d, "checkBox_mqttTls")->setChecked(false);
    QCOMPARE(mqttPort->value(), 1883);
}

void tst_NotificationDialog::testMailArrives()
{
    SmtpTestServer server;
    QVERIFY2(server.start(), qPrintable(server.error()));
    NotificationDialog *d = open();
    fillMail(d, server.port());
    // The test works before the notifications are switched on.
    child<QCheckBox>(d, "checkBox_mailEnabled")->setChecked(false);
    QTest::mouseClick(child<QPushButton>(d, "pushButton_testMail"), Qt::LeftButton);
    auto *result = child<QLabel>(d, "label_testResult");
    QTRY_VERIFY_WITH_TIMEOUT(result->text().startsWith(QStringLiteral("The test e-mail")), 30000);
    QCOMPARE(result->text(), QStringLiteral("The test e-mail was handed to the server for "
                                            "alarm@lab.example, boss@lab.example."));
    QVERIFY(child<QPushButton>(d, "pushButton_testMail")->isEnabled());
    const QJsonObject m = server.messages().value(0);
    QCOMPARE(m.value(QStringLiteral("subject")).toString(),
             QStringLiteral("TEST Moravin Lite Cold room"));
    QVERIFY(
        m.value(QStringLiteral("body")).toString().contains(QStringLiteral("project Cold room")));
    // Trying is not keeping.
    QVERIFY(!projectText().contains(QStringLiteral("[Notify]")));
}

void tst_NotificationDialog::testMailFailuresAreSaid_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("message");
    QTest::newRow("refused connection") << "refused"
                                        << "refused the connection";
    QTest::newRow("wrong password") << "password"
                                    << "refused the user name or password";
    QTest::newRow("certificate") << "certificate"
                                 << "does not match its name or is not trusted";
    QTest::newRow("refused recipient") << "recipient"
                                       << "refused the recipient boss@lab.example";
    QTest::newRow("bad address, no network") << "address"
                                             << "is not an e-mail address";
}

void tst_NotificationDialog::testMailFailuresAreSaid()
{
    QFETCH(QString, fault);
    QFETCH(QString, message);
    SmtpTestServer server;
    NotificationDialog *d = open();
    SmtpTestServer::Options o;
    if (fault == QLatin1String("password") || fault == QLatin1String("certificate")) {
        o.security = SmtpTestServer::Security::StartTls;
        o.certFile = m_cert.certFile();
        o.keyFile = m_cert.keyFile();
        o.user = QStringLiteral("rec");
        o.password = QStringLiteral("right");
    }
    if (fault == QLatin1String("recipient"))
        o.refusedRecipients = QStringList{QStringLiteral("boss@lab.example")};
    if (fault != QLatin1String("refused"))
        QVERIFY2(server.start(o), qPrintable(server.error()));
    fillMail(d,
             fault == QLatin1String("refused") ? ServerProcess::freeLoopbackPort() : server.port());
    if (o.security == SmtpTestServer::Security::StartTls) {
        child<QComboBox>(d, "comboBox_security")->setCurrentIndex(1);
        child<QLineEdit>(d, "lineEdit_smtpUser")->setText(QStringLiteral("rec"));
        child<QLineEdit>(d, "lineEdit_smtpPassword")->setText(QStringLiteral("wrong"));
        if (fault == QLatin1String("password"))
            child<QLineEdit>(d, "lineEdit_smtpCaFile")->setText(m_cert.caFile());
    }
    if (fault == QLatin1String("address"))
        child<QLineEdit>(d, "lineEdit_recipients")->setText(QStringLiteral("boss at lab"));
    QTest::mouseClick(child<QPushButton>(d, "pushButton_testMail"), Qt::LeftButton);
    auto *result = child<QLabel>(d, "label_testResult");
    QTRY_VERIFY_WITH_TIMEOUT(result->text().contains(message), 30000);
    QVERIFY(result->styleSheet().contains(QStringLiteral("240, 125, 110")));
    QTRY_VERIFY(child<QPushButton>(d, "pushButton_testMail")->isEnabled());
}

void tst_NotificationDialog::testMailDoesNotHoldTheWindow()
{
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost));
    NotificationDialog *d = open();
    fillMail(d, silent.serverPort());
    QTest::mouseClick(child<QPushButton>(d, "pushButton_testMail"), Qt::LeftButton);
    // Back at once, waiting in the background.
    QVERIFY(child<QLabel>(d, "label_testResult")
                ->text()
                .startsWith(QStringLiteral("Sending to 127.0.0.1:")));
    QVERIFY(!child<QPushButton>(d, "pushButton_testMail")->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(silent.hasPendingConnections(), 30000);
    // The window keeps working while the server says nothing; closing it
    // cancels the attempt.
    QTest::keyClicks(child<QLineEdit>(d, "lineEdit_sender"), QStringLiteral("x"));
    QCOMPARE(child<QLineEdit>(d, "lineEdit_sender")->text(),
             QStringLiteral("recorder@lab.examplex"));
    QPointer<NotificationDialog> guard = d;
    QTest::mouseClick(child<QPushButton>(d, "pushButton_cancel"), Qt::LeftButton);
    QTRY_VERIFY(guard.isNull());
}

QTEST_MAIN(tst_NotificationDialog)
#include "tst_NotificationDialog.moc"
