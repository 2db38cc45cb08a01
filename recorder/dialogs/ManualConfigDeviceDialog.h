#pragma once

#include <QDialog>
#include <QList>

class ConfiguredDevice;
class QSpinBox;

namespace Ui {
class ManualConfigDeviceDialog;
}

// Adds a LAN device that discovery did not find: name, MAC address, IP
// address and port typed by the user. The dialog deletes itself when it closes.
class ManualConfigDeviceDialog : public QDialog
{
    Q_OBJECT
public:
    explicit ManualConfigDeviceDialog(QWidget *parent = nullptr);
    ~ManualConfigDeviceDialog() override;

    void reject() override;

signals:
    // The receiver takes ownership of the device, whose link is opening.
    void ManualConfigDeviceConfirm(ConfiguredDevice *device);

public slots:
    void confirm();
    void slotReject();
    void slotNextStep();

private:
    QString ipText() const;

    Ui::ManualConfigDeviceDialog *ui;
    // The four address boxes, then the port box.
    QList<QSpinBox *> m_focusChain;
};
