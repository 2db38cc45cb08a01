#pragma once

#include "SensingFields.h"

#include <QDialog>
#include <QPointer>

class ConfiguredDevice;
class QTimer;

namespace Ui {
class SensingOptionTelnetDialog;
}

// Names, units, alarm limits and the buzzer of a LAN device. Names and units
// are stored at once; limits and buzzer only once the device has taken them
// through its alarm-setting dialogue. The dialog deletes itself when it closes.
class SensingOptionTelnetDialog : public QDialog
{
    Q_OBJECT
public:
    static constexpr int SyncTimeoutMs = 2000;

    SensingOptionTelnetDialog(ConfiguredDevice *device, QWidget *parent = nullptr);
    ~SensingOptionTelnetDialog() override;

    void reject() override;
    // Whether a device dialogue started by this dialog is still awaited.
    bool isWaiting() const { return m_waiting; }

signals:
    void sensingConfirm();

public slots:
    void confirm();
    void slotReject();
    void syncSuccess();
    void syncError(QString message);
    void syncTimeout();
    void checkCustomUnitPolicy(int index);

private:
    void setBusy(bool busy);
    void endAttempt();
    void showError(const QString &text);

    Ui::SensingOptionTelnetDialog *ui;
    QPointer<ConfiguredDevice> m_device;
    SensingFields m_fields;
    bool m_limitsEditable = false;
    bool m_waiting = false;
    // One attempt at a time owns it: it is stopped when the attempt ends, so
    // a retry is never cut short by an earlier attempt's time limit.
    QTimer *m_syncTimer;
};
