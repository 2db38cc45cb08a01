#pragma once

#include "SensingFields.h"

#include <QDialog>
#include <QPointer>

class ConfiguredDevice;

namespace Ui {
class SensingOptionUsbDialog;
}

// Names, units and alarm limits of a USB device, stored at once on confirm.
// The dialog deletes itself when it closes.
class SensingOptionUsbDialog : public QDialog
{
    Q_OBJECT
public:
    SensingOptionUsbDialog(ConfiguredDevice *device, QWidget *parent = nullptr);
    ~SensingOptionUsbDialog() override;

    void reject() override;

signals:
    void sensingConfirm();

public slots:
    void confirm();
    void slotReject();
    void checkCustomUnitPolicy(int index);

private:
    Ui::SensingOptionUsbDialog *ui;
    QPointer<ConfiguredDevice> m_device;
    SensingFields m_fields;
};
