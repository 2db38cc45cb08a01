#include "ManualConfigDeviceDialog.h"

#include "ui_ManualConfigDeviceDialog.h"

#include "ConfiguredDevice.h"
#include "DialogChrome.h"
#include "DialogsLogging.h"
#include "ManualDeviceInput.h"
#include "widgets/MessageDialog.h"

ManualConfigDeviceDialog::ManualConfigDeviceDialog(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), ui(new Ui::ManualConfigDeviceDialog)
{
    ui->setupUi(this);
    DialogChrome::apply(this, ui->topFrame);
    m_focusChain = {ui->spinBox_ip1, ui->spinBox_ip2, ui->spinBox_ip3, ui->spinBox_ip4,
                    ui->spinBox_port};
    for (IpaddrSpinBox *box : {ui->spinBox_ip1, ui->spinBox_ip2, ui->spinBox_ip3, ui->spinBox_ip4})
        connect(box, &IpaddrSpinBox::nextStep, this, &ManualConfigDeviceDialog::slotNextStep);
    connect(ui->pushButton_confirm, &QPushButton::clicked, this,
            &ManualConfigDeviceDialog::confirm);
    connect(ui->pushButton_close, &QPushButton::clicked, this,
            &ManualConfigDeviceDialog::slotReject);
}

ManualConfigDeviceDialog::~ManualConfigDeviceDialog()
{
    delete ui;
}

void ManualConfigDeviceDialog::slotNextStep()
{
    const int index = m_focusChain.indexOf(qobject_cast<QSpinBox *>(sender()));
    if (index < 0 || index + 1 >= m_focusChain.size())
        return;
    QSpinBox *next = m_focusChain.at(index + 1);
    next->setFocus(Qt::TabFocusReason);
    next->selectAll();
}

QString ManualConfigDeviceDialog::ipText() const
{
    QStringList octets;
    for (const QSpinBox *box : {ui->spinBox_ip1, ui->spinBox_ip2, ui->spinBox_ip3, ui->spinBox_ip4})
        octets << QString::number(box->value());
    return octets.join(QLatin1Char('.'));
}

void ManualConfigDeviceDialog::confirm()
{
    const ManualDeviceInput input(ui->lineEdit_deviceName->text(), ui->lineEdit_mac->text(),
                                  ipText(), ui->spinBox_port->value());
    const ManualDeviceInput::Problem problem = input.problem();
    if (!problem.message.isEmpty()) {
        MessageDialog::showTransient(problem.title, problem.message, this);
        return;
    }
    auto *device = new ConfiguredDevice(input.deviceNumber(), DeviceSettings::Lan);
    device->setDeviceInfo(input.name(), QStringLiteral("CH1"), QStringLiteral("CH2"),
                          input.ipText(), input.port());
    if (!device->open()) {
        MessageDialog::showTransient(QStringLiteral("ERROR"),
                                     QStringLiteral("Device Open Error. Please retry."), this);
        qCDebug(lcDialogs).noquote().nospace()
            << "ManualConfigDeviceDialog::confirm [" << device->settings().deviceNumber
            << "] is not open";
        delete device;
        return;
    }
    emit ManualConfigDeviceConfirm(device);
    accept();
    deleteLater();
}

void ManualConfigDeviceDialog::slotReject()
{
    reject();
}

void ManualConfigDeviceDialog::reject()
{
    QDialog::reject();
    deleteLater();
}
