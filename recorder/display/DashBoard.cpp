#include "DashBoard.h"

#include "ConfiguredDevice.h"
#include "DashBoardDeviceItem.h"
#include "ui_DashBoard.h"

#include <QLayout>

DashBoard::DashBoard(QWidget *parent) : QWidget(parent), ui(std::make_unique<Ui::DashBoard>())
{
    ui->setupUi(this);
}

DashBoard::~DashBoard() = default;

QWidget *DashBoard::placeholder(int row, int column) const
{
    return findChild<QWidget *>(
        QStringLiteral("widget_%1").arg(row * Columns + column + 1, 2, 10, QLatin1Char('0')));
}

void DashBoard::setDevices(const QList<ConfiguredDevice *> &devices)
{
    int row = 0;
    int column = 0;
    for (ConfiguredDevice *device : devices) {
        if (row >= Rows) {
            row = 0;
            column += 2;
            // Beyond 16 devices the places are used again, stacked below.
            if (column >= Columns)
                column = 0;
        }
        auto *tile1 = new DashBoardDeviceItem(device, true);
        auto *tile2 = new DashBoardDeviceItem(device, false);
        connect(tile1, &DashBoardDeviceItem::clicked, this, &DashBoard::slotClicked);
        connect(tile2, &DashBoardDeviceItem::clicked, this, &DashBoard::slotClicked);
        if (device)
            device->setDashItems(tile1, tile2);
        m_tiles << tile1 << tile2;
        placeholder(row, column)->layout()->addWidget(tile1);
        placeholder(row, column + 1)->layout()->addWidget(tile2);
        ++row;
    }
}

void DashBoard::setEmptySlotsVisible(bool visible)
{
    for (int row = 0; row < Rows; ++row) {
        for (int column = 0; column < Columns; ++column) {
            QWidget *place = placeholder(row, column);
            if (!place->findChild<QObject *>(QStringLiteral("DashBoardDeviceItem")))
                place->setVisible(visible);
        }
    }
}

void DashBoard::refreshTiles()
{
    for (DashBoardDeviceItem *tile : qAsConst(m_tiles))
        tile->refreshTile();
}

void DashBoard::slotClicked(ConfiguredDevice *device)
{
    emit deviceClicked(device);
}
