#include "DashBoardDeviceItem.h"

#include "ChannelLook.h"
#include "ConfiguredDevice.h"
#include "core/ChannelUnit.h"
#include "ui_DashBoardDeviceItem.h"

DashBoardDeviceItem::DashBoardDeviceItem(ConfiguredDevice *device, bool isChannel1, QWidget *parent)
    : QWidget(parent), ui(std::make_unique<Ui::DashBoardDeviceItem>()), m_device(device),
      m_isChannel1(isChannel1)
{
    ui->setupUi(this);
    if (!m_device) {
        ui->frame_ch->hide();
        return;
    }
    showNames();
    // Fitting a one-digit text once gives the number a starting size.
    ui->label_number->setText(QStringLiteral("1"));
    ui->label_number->fitFont();
    ui->label_number->clear();
    ui->label_unit->setText(unitText());
    ui->label_unit->fitFont();
    ui->label_unit->clear();
}

DashBoardDeviceItem::~DashBoardDeviceItem() = default;

void DashBoardDeviceItem::showNames()
{
    const DeviceSettings &d = m_device->settings();
    ui->label_device->setText(d.deviceName.isEmpty() ? d.interfaceAddress : d.deviceName);
    const QString name = m_isChannel1 ? d.ch1Name : d.ch2Name;
    ui->label_desc->setText(
        name.isEmpty() ? (m_isChannel1 ? QStringLiteral("CH1") : QStringLiteral("CH2")) : name);
    m_unit = m_isChannel1 ? d.ch1Unit : d.ch2Unit;
    m_custom = m_isChannel1 ? d.ch1Custom : d.ch2Custom;
}

bool DashBoardDeviceItem::alarm() const
{
    return m_isChannel1 ? m_device->ch1Alarm : m_device->ch2Alarm;
}

QString DashBoardDeviceItem::unitText() const
{
    return ChannelUnit::symbol(m_unit, m_custom);
}

void DashBoardDeviceItem::showPanelState(bool hasReading, bool alarm)
{
    // A new style sheet costs a restyle of the tile: only on a change.
    const ChannelLook::State state = ChannelLook::stateFor(hasReading, alarm);
    if (state == m_panelState)
        return;
    m_panelState = state;
    ui->frame_value->setStyleSheet(ChannelLook::panelStyle(ui->frame_value->objectName(), state));
}

void DashBoardDeviceItem::updateValue(const QString &text)
{
    if (!m_device)
        return;
    const bool lengthChanged = ui->label_number->text().size() != text.size();
    ui->label_number->setText(text);
    if (lengthChanged)
        ui->label_number->fitFont();
    ui->label_unit->setText(unitText());
    showPanelState(true, alarm());
}

void DashBoardDeviceItem::refreshTile()
{
    if (!m_device)
        return;
    showNames();
    if (ui->label_number->text().isEmpty()) {
        ui->label_unit->clear();
        showPanelState(false, false);
        return;
    }
    ui->label_unit->setText(unitText());
    ui->label_unit->fitFont();
    showPanelState(true, alarm());
}

void DashBoardDeviceItem::onDeviceConnected(const QString &deviceNumber)
{
    // Every reading passes here before its value: a tile in alarm stays red
    // instead of being restyled twice a reading.
    if (m_device && deviceNumber == m_device->settings().deviceNumber)
        showPanelState(true, alarm());
}

void DashBoardDeviceItem::onDeviceDisconnected(const QString &deviceNumber)
{
    if (!m_device || deviceNumber != m_device->settings().deviceNumber)
        return;
    showPanelState(false, false);
    ui->label_number->clear();
    ui->label_unit->clear();
}

void DashBoardDeviceItem::mousePressEvent(QMouseEvent *event)
{
    QWidget::mousePressEvent(event);
    if (m_device)
        emit clicked(m_device);
}
