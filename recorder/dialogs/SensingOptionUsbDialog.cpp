#include "SensingOptionUsbDialog.h"

#include "ui_SensingOptionUsbDialog.h"

#include "ConfiguredDevice.h"
#include "DialogChrome.h"
#include "widgets/MessageDialog.h"

SensingOptionUsbDialog::SensingOptionUsbDialog(ConfiguredDevice *device, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), ui(new Ui::SensingOptionUsbDialog),
      m_device(device)
{
    ui->setupUi(this);
    m_fields = SensingFields(SensingFields::widgetsOf(ui));
    DialogChrome::apply(this, ui->topFrame);
    m_fields.load(*device);
    connect(ui->comboBox_ch1Unit, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &SensingOptionUsbDialog::checkCustomUnitPolicy);
    connect(ui->comboBox_ch2Unit, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &SensingOptionUsbDialog::checkCustomUnitPolicy);
    connect(ui->pushButton_confirm, &QPushButton::clicked, this, &SensingOptionUsbDialog::confirm);
    connect(ui->pushButton_close, &QPushButton::clicked, this, &SensingOptionUsbDialog::slotReject);
    // A device deleted under the dialog (project closed) leaves nothing to edit.
    connect(device, &QObject::destroyed, this, &SensingOptionUsbDialog::slotReject);
}

SensingOptionUsbDialog::~SensingOptionUsbDialog()
{
    delete ui;
}

void SensingOptionUsbDialog::checkCustomUnitPolicy(int)
{
    if (auto *box = qobject_cast<QComboBox *>(sender()))
        SensingFields::applyCustomUnitPolicy(box);
}

void SensingOptionUsbDialog::confirm()
{
    if (!m_device)
        return;
    const DeviceSettings s = m_fields.read(*m_device);
    const QString problem = SensingFields::validationMessage(s);
    if (!problem.isEmpty()) {
        MessageDialog::showTransient(QStringLiteral("INFORMATION"), problem, this);
        return;
    }
    SensingFields::storeNamesAndUnits(s, m_device, m_device->settings().interfaceAddress, 23);
    m_device->setAlarmLimits(s.ch1Min, s.ch1Max, s.ch2Min, s.ch2Max);
    emit sensingConfirm();
    accept();
    deleteLater();
}

void SensingOptionUsbDialog::slotReject()
{
    reject();
}

void SensingOptionUsbDialog::reject()
{
    QDialog::reject();
    deleteLater();
}
