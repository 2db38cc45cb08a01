#include "NotificationDialog.h"

#include "ui_NotificationDialog.h"

#include "DialogChrome.h"
#include "MailFormat.h"
#include "MailMessage.h"
#include "NotifySettingsCheck.h"
#include "SecretStore.h"
#include "SmtpSender.h"
#include "TopicName.h"
#include "widgets/MessageDialog.h"

#include <QColor>
#include <QDateTime>
#include <QFileDialog>
#include <QLineEdit>
#include <QPalette>
#include <QSysInfo>

namespace {
enum TestState
{
    Waiting,
    Succeeded,
    Failed
};

const QString SmtpService = QStringLiteral("smtp");
const QString MqttService = QStringLiteral("mqtt");

NotifySettings::Security securityAt(int index)
{
    switch (index) {
    case 0:
        return NotifySettings::Security::None;
    case 2:
        return NotifySettings::Security::Tls;
    default:
        return NotifySettings::Security::StartTls;
    }
}

int indexOf(NotifySettings::Security security)
{
    switch (security) {
    case NotifySettings::Security::None:
        return 0;
    case NotifySettings::Security::StartTls:
        return 1;
    case NotifySettings::Security::Tls:
        return 2;
    }
    return 1;
}
} // namespace

NotificationDialog::NotificationDialog(const QString &projectPath, const QString &projectName,
                                       SecretStore *secrets, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), ui(new Ui::NotificationDialog),
      m_projectPath(projectPath), m_projectName(projectName), m_secrets(secrets)
{
    ui->setupUi(this);
    DialogChrome::apply(this, ui->topFrame);
    ui->lineEdit_topicPrefix->setPlaceholderText(TopicName::defaultPrefix(projectName));
    ui->lineEdit_clientId->setPlaceholderText(MqttSettings().effectiveClientId(projectName));
    ui->label_passwordPlace->setText(m_secrets->whereText());
    // Placeholders name defaults; in the text colour they would read as
    // values. Set after the style sheet has polished the fields, or it wins.
    ensurePolished();
    for (QLineEdit *edit : findChildren<QLineEdit *>()) {
        QPalette palette = edit->palette();
        palette.setColor(QPalette::PlaceholderText, QColor(118, 118, 118));
        edit->setPalette(palette);
    }
    load();

    // A port left at the default of the old security follows the new one.
    connect(ui->comboBox_security, qOverload<int>(&QComboBox::currentIndexChanged), this,
            [this](int index) {
                if (ui->spinBox_smtpPort->value() == NotifySettings::defaultPort(m_shownSecurity))
                    ui->spinBox_smtpPort->setValue(NotifySettings::defaultPort(securityAt(index)));
                m_shownSecurity = securityAt(index);
            });
    connect(ui->checkBox_mqttTls, &QCheckBox::toggled, this, [this](bool tls) {
        if (ui->spinBox_mqttPort->value() == MqttSettings::defaultPort(!tls))
            ui->spinBox_mqttPort->setValue(MqttSettings::defaultPort(tls));
    });
    connect(ui->pushButton_smtpCaFile, &QPushButton::clicked, this,
            [this] { chooseCaFile(ui->lineEdit_smtpCaFile); });
    connect(ui->pushButton_mqttCaFile, &QPushButton::clicked, this,
            [this] { chooseCaFile(ui->lineEdit_mqttCaFile); });
    connect(ui->pushButton_testMail, &QPushButton::clicked, this,
            &NotificationDialog::sendTestMail);
    connect(ui->pushButton_confirm, &QPushButton::clicked, this, &NotificationDialog::confirm);
    connect(ui->pushButton_cancel, &QPushButton::clicked, this, &NotificationDialog::reject);
    connect(ui->pushButton_close, &QPushButton::clicked, this, &NotificationDialog::reject);
}

NotificationDialog::~NotificationDialog()
{
    delete ui;
}

void NotificationDialog::load()
{
    const NotifySettings mail = NotifySettings::load(m_projectPath);
    ui->checkBox_mailEnabled->setChecked(mail.mailEnabled);
    ui->lineEdit_smtpHost->setText(mail.host);
    m_shownSecurity = mail.security;
    ui->comboBox_security->setCurrentIndex(indexOf(mail.security));
    ui->spinBox_smtpPort->setValue(mail.port);
    ui->lineEdit_smtpUser->setText(mail.user);
    if (!mail.secretAccount().isEmpty())
        ui->lineEdit_smtpPassword->setText(
            m_secrets->lookup(SmtpService, mail.secretAccount()).value_or(QString()));
    ui->lineEdit_sender->setText(mail.sender);
    ui->lineEdit_recipients->setText(mail.recipients.join(QStringLiteral(", ")));
    ui->lineEdit_smtpCaFile->setText(mail.caFile);
    ui->checkBox_alarmBegin->setChecked(mail.categories & NotifySettings::AlarmBegin);
    ui->checkBox_alarmEnd->setChecked(mail.categories & NotifySettings::AlarmEnd);
    ui->checkBox_commLost->setChecked(mail.categories & NotifySettings::CommLost);
    ui->checkBox_interrupted->setChecked(mail.categories & NotifySettings::RecordingInterrupted);
    ui->checkBox_storageWarning->setChecked(mail.categories & NotifySettings::StorageWarning);
    ui->checkBox_autoStop->setChecked(mail.categories & NotifySettings::AutoStop);
    ui->spinBox_delay->setValue(mail.alarmDelayMinutes);
    ui->doubleSpinBox_hysteresis->setValue(mail.endHysteresis);

    const MqttSettings mqtt = MqttSettings::load(m_projectPath);
    ui->checkBox_mqttEnabled->setChecked(mqtt.enabled);
    ui->lineEdit_mqttHost->setText(mqtt.host);
    ui->checkBox_mqttTls->setChecked(mqtt.tls);
    ui->spinBox_mqttPort->setValue(mqtt.port);
    ui->lineEdit_mqttCaFile->setText(mqtt.caFile);
    ui->lineEdit_mqttUser->setText(mqtt.user);
    if (!mqtt.secretAccount().isEmpty())
        ui->lineEdit_mqttPassword->setText(
            m_secrets->lookup(MqttService, mqtt.secretAccount()).value_or(QString()));
    ui->lineEdit_clientId->setText(mqtt.clientId);
    ui->lineEdit_topicPrefix->setText(mqtt.topicPrefix);
    ui->lineEdit_discoveryPrefix->setText(mqtt.discoveryPrefix);
    ui->checkBox_discovery->setChecked(mqtt.discovery);
}

NotifySettings NotificationDialog::mailSettings() const
{
    NotifySettings s;
    s.mailEnabled = ui->checkBox_mailEnabled->isChecked();
    s.host = ui->lineEdit_smtpHost->text().trimmed();
    s.port = ui->spinBox_smtpPort->value();
    s.security = securityAt(ui->comboBox_security->currentIndex());
    s.user = ui->lineEdit_smtpUser->text().trimmed();
    s.caFile = ui->lineEdit_smtpCaFile->text().trimmed();
    s.sender = ui->lineEdit_sender->text().trimmed();
    s.recipients = NotifySettings::parseRecipients(ui->lineEdit_recipients->text());
    s.categories =
        (ui->checkBox_alarmBegin->isChecked() ? NotifySettings::AlarmBegin : 0) |
        (ui->checkBox_alarmEnd->isChecked() ? NotifySettings::AlarmEnd : 0) |
        (ui->checkBox_commLost->isChecked() ? NotifySettings::CommLost : 0) |
        (ui->checkBox_interrupted->isChecked() ? NotifySettings::RecordingInterrupted : 0) |
        (ui->checkBox_storageWarning->isChecked() ? NotifySettings::StorageWarning : 0) |
        (ui->checkBox_autoStop->isChecked() ? NotifySettings::AutoStop : 0);
    s.alarmDelayMinutes = ui->spinBox_delay->value();
    s.endHysteresis = ui->doubleSpinBox_hysteresis->value();
    return s;
}

MqttSettings NotificationDialog::mqttSettings() const
{
    MqttSettings s;
    s.enabled = ui->checkBox_mqttEnabled->isChecked();
    s.host = ui->lineEdit_mqttHost->text().trimmed();
    s.port = ui->spinBox_mqttPort->value();
    s.tls = ui->checkBox_mqttTls->isChecked();
    s.caFile = ui->lineEdit_mqttCaFile->text().trimmed();
    s.user = ui->lineEdit_mqttUser->text().trimmed();
    s.clientId = ui->lineEdit_clientId->text().trimmed();
    // Typed, not trimmed: a blank in a prefix is refused, not hidden.
    s.topicPrefix = ui->lineEdit_topicPrefix->text();
    if (!ui->lineEdit_discoveryPrefix->text().isEmpty())
        s.discoveryPrefix = ui->lineEdit_discoveryPrefix->text();
    s.discovery = ui->checkBox_discovery->isChecked();
    return s;
}

void NotificationDialog::showTestResult(const QString &text, int state)
{
    const char *colour = state == Succeeded ? "rgb(130, 205, 130)"
                         : state == Failed  ? "rgb(240, 125, 110)"
                                            : "rgb(192, 192, 192)";
    ui->label_testResult->setStyleSheet(QStringLiteral("color: %1;").arg(QLatin1String(colour)));
    ui->label_testResult->setText(text);
}

void NotificationDialog::sendTestMail()
{
    const NotifySettings mail = mailSettings();
    const QString problem = NotifySettingsCheck::mailProblem(mail);
    if (!problem.isEmpty()) {
        showTestResult(problem, Failed);
        return;
    }
    if (!m_testSender) {
        m_testSender = new SmtpSender(this);
        connect(m_testSender, &SmtpSender::sent, this, [this](quint64 id) {
            if (id != m_testId)
                return;
            ui->pushButton_testMail->setEnabled(true);
            showTestResult(QStringLiteral("The test e-mail was handed to the server for %1.")
                               .arg(mailSettings().recipients.join(QStringLiteral(", "))),
                           Succeeded);
        });
        connect(m_testSender, &SmtpSender::problem, this,
                [this](quint64 id, const QString &message, bool) {
                    if (id != m_testId)
                        return;
                    ui->pushButton_testMail->setEnabled(true);
                    showTestResult(message, Failed);
                });
    }
    SmtpServer server = SmtpServer::from(mail, ui->lineEdit_smtpPassword->text());
    server.timeoutMs = 30000;
    m_testSender->setServer(server);
    MailMessage message;
    message.from = mail.sender;
    message.to = mail.recipients;
    message.subject = MailFormat::testSubject(m_projectName);
    message.body = MailFormat::testBody(m_projectName, QSysInfo::machineHostName());
    message.date = QDateTime::currentSecsSinceEpoch();
    m_testId = m_testSender->send(message, 1);
    ui->pushButton_testMail->setEnabled(false);
    showTestResult(QStringLiteral("Sending to %1:%2...").arg(mail.host).arg(mail.port), Waiting);
}

bool NotificationDialog::keepPassword(const QString &service, const QString &account,
                                      const QString &password, QString *error)
{
    if (account.isEmpty())
        return true;
    if (password.isEmpty()) {
        m_secrets->remove(service, account);
        return true;
    }
    return m_secrets->store(service, account, password, error);
}

void NotificationDialog::confirm()
{
    const NotifySettings mail = mailSettings();
    const MqttSettings mqtt = mqttSettings();
    const QString problem = NotifySettingsCheck::problem(mail, mqtt);
    if (!problem.isEmpty()) {
        MessageDialog::showTransient(QStringLiteral("INFORMATION"), problem, this);
        return;
    }
    // Passwords first: when they cannot be kept, the project file stays as it was.
    QString error;
    if (!keepPassword(SmtpService, mail.secretAccount(), ui->lineEdit_smtpPassword->text(),
                      &error) ||
        !keepPassword(MqttService, mqtt.secretAccount(), ui->lineEdit_mqttPassword->text(),
                      &error)) {
        MessageDialog::showTransient(
            QStringLiteral("ERROR"),
            QStringLiteral("The password could not be kept: %1").arg(error), this);
        return;
    }
    if (!mail.save(m_projectPath) || !mqtt.save(m_projectPath)) {
        MessageDialog::showTransient(QStringLiteral("ERROR"),
                                     QStringLiteral("The project file could not be written."),
                                     this);
        return;
    }
    emit settingsConfirmed();
    accept();
    deleteLater();
}

void NotificationDialog::reject()
{
    QDialog::reject();
    deleteLater();
}

void NotificationDialog::chooseCaFile(QLineEdit *field)
{
    const QString file = QFileDialog::getOpenFileName(
        this, QStringLiteral("CA file"), field->text(),
        QStringLiteral("Certificates (*.pem *.crt *.cer);;All files (*)"));
    if (!file.isEmpty())
        field->setText(file);
}
