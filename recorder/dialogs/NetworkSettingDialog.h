#pragma once

#include <QDialog>

class ConfiguredDevice;

namespace Ui {
class NetworkSettingDialog;
}

// Shows the IP address and TCP port of a LAN device; changes nothing.
// The dialog deletes itself when it closes.
class NetworkSettingDialog : public QDialog
{
    Q_OBJECT
public:
    NetworkSettingDialog(const ConfiguredDevice *device, QWidget *parent = nullptr);
    ~NetworkSettingDialog() override;

    void reject() override;

public slots:
    void close();
    void slotReject();

private:
    Ui::NetworkSettingDialog *ui;
};
