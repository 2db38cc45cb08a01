#include "SensingOptionTelnetDialog.h"

#include "ui_SensingOptionTelnetDialog.h"

#include "ConfiguredDevice.h"
#include "DialogChrome.h"
#include "widgets/MessageDialog.h"

#include <QTimer>

namespace {
const char *const RetryHint = "\nPlease retry.";
} // namespace

SensingOptionTelnetDialog::SensingOptionTelnetDialog(ConfiguredDevice *device, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), ui(new Ui::SensingOptionTelnetDialog),
      m_device(device), m_syncTimer(new QTimer(this))
{
    ui->setupUi(this);
    m_fields = SensingFields(SensingFields::widgetsOf(ui));
    DialogChrome::apply(this, ui->topFrame);
    m_fields.load(*device);
    // A word the box does not offer is kept as it is, so that leaving the box
    // alone never counts as a change.
    if (ui->comboBox_buzzer->findText(device->settings().buzzerAlarm) < 0)
        ui->comboBox_buzzer->addItem(device->settings().buzzerAlarm);
    ui->comboBox_buzzer->setCurrentIndex(
        ui->comboBox_buzzer->findText(device->settings().buzzerAlarm));
    m_limitsEditable = device->connected;
    ui->comboBox_buzzer->setEnabled(m_limitsEditable);

    m_syncTimer->setObjectName(QStringLiteral("syncTimer"));
    m_syncTimer->setSingleShot(true);
    m_syncTimer->setTimerType(Qt::PreciseTimer);
    m_syncTimer->setInterval(SyncTimeoutMs);
    connect(m_syncTimer, &QTimer::timeout, this, &SensingOptionTelnetDialog::syncTimeout);

    connect(ui->comboBox_ch1Unit, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &SensingOptionTelnetDialog::checkCustomUnitPolicy);
    connect(ui->comboBox_ch2Unit, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &SensingOptionTelnetDialog::checkCustomUnitPolicy);
    connect(ui->pushButton_confirm, &QPushButton::clicked, this,
            &SensingOptionTelnetDialog::confirm);
    connect(ui->pushButton_close, &QPushButton::clicked, this,
            &SensingOptionTelnetDialog::slotReject);
    connect(device, &ConfiguredDevice::buzzerSyncSuccess, this,
            &SensingOptionTelnetDialog::syncSuccess);
    connect(device, &ConfiguredDevice::buzzerSyncError, this,
            &SensingOptionTelnetDialog::syncError);
    // A device deleted under the dialog (project closed) leaves nothing to edit.
    connect(device, &QObject::destroyed, this, &SensingOptionTelnetDialog::slotReject);
}

SensingOptionTelnetDialog::~SensingOptionTelnetDialog()
{
    delete ui;
}

void SensingOptionTelnetDialog::checkCustomUnitPolicy(int)
{
    if (auto *box = qobject_cast<QComboBox *>(sender()))
        SensingFields::applyCustomUnitPolicy(box);
}

void SensingOptionTelnetDialog::confirm()
{
    if (!m_device || m_waiting)
        return;
    DeviceSettings s = m_fields.read(*m_device);
    const QString problem = SensingFields::validationMessage(s);
    if (!problem.isEmpty()) {
        MessageDialog::showTransient(QStringLiteral("INFORMATION"), problem, this);
        return;
    }
    SensingFields::storeNamesAndUnits(s, m_device, m_device->settings().interfaceAddress,
                                      m_device->settings().tcpPort);
    emit sensingConfirm();

    setBusy(true);
    s.buzzerAlarm = ui->comboBox_buzzer->currentText();
    m_device->setNewAlarmLimits(s.ch1Min, s.ch1Max, s.ch2Min, s.ch2Max);
    m_device->setNewBuzzerAlarm(s.buzzerAlarm);
    if (!SensingFields::differsFromActive(s, *m_device)) {
        setBusy(false);
        accept();
        deleteLater();
        return;
    }
    if (!m_device->connected) {
        setBusy(false);
        showError(QStringLiteral("Loss of network connection.") + QLatin1String(RetryHint));
        return;
    }
    m_waiting = true;
    // Started first: an answer that comes at once still finds a running timer to stop.
    m_syncTimer->start();
    m_device->startSyncTelnet();
}

void SensingOptionTelnetDialog::syncSuccess()
{
    if (!m_waiting || !m_device)
        return;
    endAttempt();
    m_device->commitNewSettings();
    emit sensingConfirm();
    accept();
    deleteLater();
}

void SensingOptionTelnetDialog::syncError(QString message)
{
    if (!m_waiting)
        return;
    endAttempt();
    showError(message + QLatin1String(RetryHint));
}

void SensingOptionTelnetDialog::syncTimeout()
{
    if (!m_waiting)
        return;
    endAttempt();
    if (m_device)
        m_device->stopSyncTelnet();
    showError(QStringLiteral("This command has exceeded the time limit.") +
              QLatin1String(RetryHint));
}

void SensingOptionTelnetDialog::endAttempt()
{
    m_waiting = false;
    m_syncTimer->stop();
    setBusy(false);
}

void SensingOptionTelnetDialog::setBusy(bool busy)
{
    ui->pushButton_confirm->setText(busy ? QStringLiteral("Progressing...")
                                         : QStringLiteral("Confirm"));
    ui->pushButton_confirm->setEnabled(!busy);
    m_fields.setNamesEnabled(!busy);
    const bool limits = m_limitsEditable && !busy;
    m_fields.setLimitsEnabled(limits);
    ui->comboBox_buzzer->setEnabled(limits);
}

void SensingOptionTelnetDialog::showError(const QString &text)
{
    MessageDialog::showTransient(QStringLiteral("ERROR"), text, this);
}

void SensingOptionTelnetDialog::slotReject()
{
    reject();
}

void SensingOptionTelnetDialog::reject()
{
    // Only a dialogue still running is abandoned: stopping the link's
    // dialogue otherwise would cut a data answer on its way.
    if (m_waiting && m_device)
        m_device->stopSyncTelnet();
    m_waiting = false;
    m_syncTimer->stop();
    QDialog::reject();
    deleteLater();
}
