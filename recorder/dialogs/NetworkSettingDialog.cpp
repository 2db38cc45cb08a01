#include "NetworkSettingDialog.h"

#include "ui_NetworkSettingDialog.h"

#include "ConfiguredDevice.h"
#include "DialogChrome.h"

NetworkSettingDialog::NetworkSettingDialog(const ConfiguredDevice *device, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), ui(new Ui::NetworkSettingDialog)
{
    ui->setupUi(this);
    DialogChrome::apply(this, ui->topFrame);
    ui->label_ip->setText(device->settings().interfaceAddress);
    ui->label_port->setText(QString::number(device->settings().tcpPort));
    connect(ui->pushButton_close_bottom, &QPushButton::clicked, this, &NetworkSettingDialog::close);
    connect(ui->pushButton_close, &QPushButton::clicked, this, &NetworkSettingDialog::slotReject);
}

NetworkSettingDialog::~NetworkSettingDialog()
{
    delete ui;
}

void NetworkSettingDialog::close()
{
    reject();
}

void NetworkSettingDialog::slotReject()
{
    reject();
}

void NetworkSettingDialog::reject()
{
    QDialog::reject();
    deleteLater();
}
