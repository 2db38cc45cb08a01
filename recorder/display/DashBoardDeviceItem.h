#pragma once

#include "ChannelLook.h"
#include "DashboardTileView.h"

#include <QWidget>

#include <memory>

class ConfiguredDevice;

namespace Ui {
class DashBoardDeviceItem;
}

// One channel of one device on the dashboard: the device title, the channel
// name and the current value with its unit on a panel coloured by its state.
class DashBoardDeviceItem : public QWidget, public DashboardTileView
{
    Q_OBJECT
public:
    DashBoardDeviceItem(ConfiguredDevice *device, bool isChannel1, QWidget *parent = nullptr);
    ~DashBoardDeviceItem() override;

    void updateValue(const QString &text) override;
    void onDeviceConnected(const QString &deviceNumber) override;
    void onDeviceDisconnected(const QString &deviceNumber) override;
    void refreshTile();

    ConfiguredDevice *device() const { return m_device; }
    bool isChannel1() const { return m_isChannel1; }

signals:
    void clicked(ConfiguredDevice *device);

protected:
    void mousePressEvent(QMouseEvent *event) override;

private:
    void showNames();
    bool alarm() const;
    QString unitText() const;
    void showPanelState(bool hasReading, bool alarm);

    std::unique_ptr<Ui::DashBoardDeviceItem> ui;
    ConfiguredDevice *m_device;
    int m_unit = 0;
    QString m_custom;
    bool m_isChannel1;
    // The form starts grey.
    ChannelLook::State m_panelState = ChannelLook::NoReading;
};
