#pragma once

#include <QList>
#include <QWidget>

#include <memory>

class ConfiguredDevice;
class DashBoardDeviceItem;
class QLayout;

namespace Ui {
class DashBoard;
}

// All devices of the open project at a glance: a 4 x 8 grid with two tiles
// per device, side by side, filled top to bottom in column pairs.
class DashBoard : public QWidget
{
    Q_OBJECT
public:
    static constexpr int Rows = 4;
    static constexpr int Columns = 8;

    explicit DashBoard(QWidget *parent = nullptr);
    ~DashBoard() override;

    void setDevices(const QList<ConfiguredDevice *> &devices);
    void setEmptySlotsVisible(bool visible);
    void refreshTiles();
    const QList<DashBoardDeviceItem *> &tiles() const { return m_tiles; }
    // The placeholder at a grid place, widget_01 ... widget_32.
    QWidget *placeholder(int row, int column) const;

signals:
    void deviceClicked(ConfiguredDevice *device);

public slots:
    void slotClicked(ConfiguredDevice *device);

private:
    std::unique_ptr<Ui::DashBoard> ui;
    QList<DashBoardDeviceItem *> m_tiles;
};
