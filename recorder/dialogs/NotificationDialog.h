#pragma once

#include "MqttSettings.h"
#include "NotifySettings.h"

#include <QDialog>

class QLineEdit;
class SecretStore;
class SmtpSender;

namespace Ui {
class NotificationDialog;
}

// The project's e-mail and MQTT notification settings, with "Send test
// e-mail". Settings go into the project file, passwords into the
// SecretStore, whose place the dialog names. It deletes itself when it closes.
class NotificationDialog : public QDialog
{
    Q_OBJECT
public:
    NotificationDialog(const QString &projectPath, const QString &projectName, SecretStore *secrets,
                       QWidget *parent = nullptr);
    ~NotificationDialog() override;

    void reject() override;

    // The settings as the form shows them.
    NotifySettings mailSettings() const;
    MqttSettings mqttSettings() const;

signals:
    // The settings are kept; the notifications should be configured anew.
    void settingsConfirmed();

public slots:
    void confirm();
    void sendTestMail();

private:
    void load();
    void showTestResult(const QString &text, int state);
    bool keepPassword(const QString &service, const QString &account, const QString &password,
                      QString *error);
    void chooseCaFile(QLineEdit *field);

    Ui::NotificationDialog *ui;
    QString m_projectPath;
    QString m_projectName;
    SecretStore *m_secrets;
    SmtpSender *m_testSender = nullptr;
    quint64 m_testId = 0;
    NotifySettings::Security m_shownSecurity = NotifySettings::Security::StartTls;
};
