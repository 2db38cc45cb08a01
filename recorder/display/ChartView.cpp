#include "ChartView.h"

#include "ChannelLook.h"
#include "ConfiguredDevice.h"
#include "PlotArea.h"
#include "QChartViewer.h"
#include "RecorderInterval.h"
#include "XYChart.h"
#include "core/ChannelUnit.h"
#include "ui_ChartView.h"

#include "core/NoValue.h"

#include <algorithm>

namespace {
constexpr int Ch1Color = 0xff0000;
constexpr int Ch2Color = 0x00cc00;
// The viewer sits inside its label with this margin on either side.
constexpr int ChartMargin = 5;
} // namespace

ChartView::ChartView(QWidget *parent)
    : QWidget(parent), ui(std::make_unique<Ui::ChartView>()),
      m_connectedImage(QStringLiteral(":/img/DeviceConnectingSymbol.png")),
      m_disconnectedImage(QStringLiteral(":/img/DeviceDisconnectedSymbol.png")),
      m_lanImage(QStringLiteral(":/img/icon_lan.png")),
      m_usbImage(QStringLiteral(":/img/icon_usb.png"))
{
    ui->setupUi(this);
    std::fill(std::begin(m_times), std::end(m_times), NoValue);
    std::fill(std::begin(m_ch1), std::end(m_ch1), NoValue);
    std::fill(std::begin(m_ch2), std::end(m_ch2), NoValue);

    m_viewer1 = new QChartViewer(ui->label_ch1_chart);
    m_viewer2 = new QChartViewer(ui->label_ch2_chart);
    m_viewer1->move(ChartMargin, 0);
    m_viewer2->move(ChartMargin, 0);

    connect(ui->btn_setting, &QPushButton::clicked, this, &ChartView::slotPopupSensingOption);
    connect(ui->btn_network, &QPushButton::clicked, this, &ChartView::slotPopupNetwork);
    connect(m_viewer1, &QChartViewer::viewPortChanged, this, &ChartView::drawChart);
    connect(m_viewer2, &QChartViewer::viewPortChanged, this, &ChartView::drawChart2);
    connect(m_viewer1, &QChartViewer::mouseMovePlotArea, this, &ChartView::onMouseMovePlotArea);
    connect(m_viewer2, &QChartViewer::mouseMovePlotArea, this, &ChartView::onMouseMovePlotArea2);
    connect(ui->label_ch1_chart, &QChartViewerLabel::refreshChart, this, &ChartView::drawChart);
    connect(ui->label_ch2_chart, &QChartViewerLabel::refreshChart, this, &ChartView::drawChart2);

    ui->btn_network->hide();
    setConnectionState(false);
    updateChart();
}

ChartView::~ChartView()
{
    // The viewers must not show charts that are deleted with them.
    for (QChartViewer *viewer : {m_viewer1, m_viewer2}) {
        BaseChart *chart = viewer->chart();
        viewer->setChart(nullptr);
        delete chart;
    }
}

void ChartView::setDevice(ConfiguredDevice *device)
{
    if (!device)
        return;
    m_device = device;
    setConnectionState(device->connected);
    if (!device->ch1Value.isEmpty()) {
        ui->label_ch1_number->setText(device->ch1Value);
        ui->label_ch1_number->fitFont();
    }
    if (!device->ch2Value.isEmpty()) {
        ui->label_ch2_number->setText(device->ch2Value);
        ui->label_ch2_number->fitFont();
    }
    updateDeviceInfo();
    device->chartData(m_times, m_ch1, m_ch2);
    updateChart();
}

void ChartView::clearView()
{
    std::fill(std::begin(m_times), std::end(m_times), NoValue);
    std::fill(std::begin(m_ch1), std::end(m_ch1), NoValue);
    std::fill(std::begin(m_ch2), std::end(m_ch2), NoValue);
    updateChart();
    setConnectionState(false);
    ui->label_device_type->clear();
    for (QLabel *label : {ui->label_device, ui->label_ch1_device, ui->label_ch2_device,
                          ui->label_ch1_desc, ui->label_ch2_desc, ui->label_serialnumber})
        label->clear();
    ui->label_ch1_number->clear();
    ui->label_ch2_number->clear();
    ui->label_ch1_unit->clear();
    ui->label_ch2_unit->clear();
    ui->btn_network->hide();
    m_device = nullptr;
}

void ChartView::updateDeviceInfo()
{
    if (!m_device)
        return;
    const ConfiguredDevice *d = m_device;
    const DeviceSettings &s = d->settings();
    const QString title = s.deviceName.isEmpty() ? s.interfaceAddress : s.deviceName;
    ui->label_device->setText(title);
    ui->label_ch1_device->setText(title);
    ui->label_ch2_device->setText(title);
    ui->label_ch1_desc->setText(s.ch1Name.isEmpty() ? QStringLiteral("CH1") : s.ch1Name);
    ui->label_ch2_desc->setText(s.ch2Name.isEmpty() ? QStringLiteral("CH2") : s.ch2Name);
    const bool usb = s.deviceInterface == DeviceSettings::Usb;
    ui->label_serialnumber->setText((usb ? QStringLiteral("SN : ") : QStringLiteral("MAC : ")) +
                                    s.deviceNumber);
    ui->label_device_type->setPixmap(usb ? m_usbImage : m_lanImage);
    m_ch1Unit = s.ch1Unit;
    m_ch2Unit = s.ch2Unit;
    m_ch1Custom = s.ch1Custom;
    m_ch2Custom = s.ch2Custom;

    const bool has1 = !ui->label_ch1_number->text().isEmpty();
    ui->label_ch1_unit->setText(has1 ? ChannelUnit::symbol(m_ch1Unit, m_ch1Custom) : QString());
    if (has1)
        ui->label_ch1_unit->fitFont();
    showPanelState(ui->frame_ch1_value, has1, d->ch1Alarm);
    const bool has2 = !ui->label_ch2_number->text().isEmpty();
    ui->label_ch2_unit->setText(has2 ? ChannelUnit::symbol(m_ch2Unit, m_ch2Custom) : QString());
    if (has2)
        ui->label_ch2_unit->fitFont();
    showPanelState(ui->frame_ch2_value, has2, d->ch2Alarm);
    if (s.deviceInterface == DeviceSettings::Lan)
        ui->btn_network->show();
}

void ChartView::updateReadings(const double *times, const double *ch1, const double *ch2,
                               const QString &text1, const QString &text2)
{
    if (!m_device)
        return;
    std::copy(times, times + LiveChart::Points, m_times);
    std::copy(ch1, ch1 + LiveChart::Points, m_ch1);
    std::copy(ch2, ch2 + LiveChart::Points, m_ch2);
    updateChart();
    showReading(1, text1);
    showReading(2, text2);
}

void ChartView::showReading(int channel, const QString &text)
{
    ResizeLabel *number = channel == 1 ? ui->label_ch1_number : ui->label_ch2_number;
    const bool lengthChanged = number->text().size() != text.size();
    number->setText(text);
    if (lengthChanged)
        number->fitFont();
    if (channel == 1) {
        ui->label_ch1_unit->setText(ChannelUnit::symbol(m_ch1Unit, m_ch1Custom));
        showPanelState(ui->frame_ch1_value, true, m_device->ch1Alarm);
    } else {
        ui->label_ch2_unit->setText(ChannelUnit::symbol(m_ch2Unit, m_ch2Custom));
        showPanelState(ui->frame_ch2_value, true, m_device->ch2Alarm);
    }
}

void ChartView::showPanelState(QFrame *frame, bool hasReading, bool alarm)
{
    // A new style sheet costs a restyle of the panel: only on a change.
    const ChannelLook::State state = ChannelLook::stateFor(hasReading, alarm);
    ChannelLook::State &shown = frame == ui->frame_ch1_value ? m_ch1State : m_ch2State;
    if (state == shown && !frame->styleSheet().isEmpty())
        return;
    shown = state;
    frame->setStyleSheet(ChannelLook::panelStyle(frame->objectName(), state));
}

void ChartView::onDeviceConnected(const QString &deviceNumber)
{
    if (m_device && deviceNumber == m_device->settings().deviceNumber)
        setConnectionState(true);
}

void ChartView::onDeviceDisconnected(const QString &deviceNumber)
{
    if (m_device && deviceNumber == m_device->settings().deviceNumber)
        setConnectionState(false);
}

void ChartView::setConnectionState(bool connected)
{
    ui->label_device_status->setPixmap(connected ? m_connectedImage : m_disconnectedImage);
    showPanelState(ui->frame_ch1_value, connected, false);
    showPanelState(ui->frame_ch2_value, connected, false);
    if (connected)
        return;
    ui->label_ch1_number->clear();
    ui->label_ch2_number->clear();
    ui->label_ch1_unit->clear();
    ui->label_ch2_unit->clear();
}

void ChartView::drawChart()
{
    buildChart(m_viewer1, ui->label_ch1_chart, m_ch1, QStringLiteral("CH1"), Ch1Color);
}

void ChartView::drawChart2()
{
    buildChart(m_viewer2, ui->label_ch2_chart, m_ch2, QStringLiteral("CH2"), Ch2Color);
}

void ChartView::buildChart(QChartViewer *viewer, QLabel *host, const double *values,
                           const QString &name, int color)
{
    const int width = std::max(host->width() - 2 * ChartMargin, 60);
    const int height = std::max(host->height(), 60);
    const int interval = RecorderInterval::current();
    XYChart *chart = LiveChart::build(width, height, m_times, values, interval, name, color);
    const int x =
        viewer->isMouseOnPlotArea() ? viewer->plotAreaMouseX() : chart->getPlotArea()->getRightX();
    LiveChart::drawTrackCursor(chart, x, interval);
    BaseChart *previous = viewer->chart();
    viewer->setChart(chart);
    delete previous;
}

void ChartView::onMouseMovePlotArea(QMouseEvent *)
{
    trackCursor(m_viewer1);
}

void ChartView::onMouseMovePlotArea2(QMouseEvent *)
{
    trackCursor(m_viewer2);
}

void ChartView::trackCursor(QChartViewer *viewer)
{
    auto *chart = dynamic_cast<XYChart *>(viewer->chart());
    if (!chart)
        return;
    LiveChart::drawTrackCursor(chart, viewer->plotAreaMouseX(), RecorderInterval::current());
    viewer->refreshDisplay();
}

void ChartView::updateChart()
{
    m_viewer1->requestViewPortUpdate(true, true);
    m_viewer2->requestViewPortUpdate(true, true);
}

void ChartView::slotPopupSensingOption()
{
    emit popupSensingOption();
}

void ChartView::slotPopupNetwork(bool)
{
    emit popupNetworkSetting();
}

void ChartView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    updateChart();
}
