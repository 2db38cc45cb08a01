#pragma once

#include "ChannelLook.h"
#include "DeviceChartPanelView.h"
#include "LiveChart.h"

#include <QPixmap>
#include <QWidget>

#include <memory>

class ConfiguredDevice;
class QChartViewer;
class QFrame;
class QLabel;
class QMouseEvent;
class XYChart;

namespace Ui {
class ChartView;
}

// The panel of one device: a header with its connection, title and number,
// and per channel the current value on a panel coloured by its state and a
// live chart of the last 240 readings. The device pushes every reading here.
class ChartView : public QWidget, public DeviceChartPanelView
{
    Q_OBJECT
public:
    explicit ChartView(QWidget *parent = nullptr);
    ~ChartView() override;

    void setDevice(ConfiguredDevice *device);
    void clearView();
    void updateDeviceInfo();
    ConfiguredDevice *device() const { return m_device; }

    void updateReadings(const double *times, const double *ch1, const double *ch2,
                        const QString &text1, const QString &text2) override;
    void onDeviceConnected(const QString &deviceNumber) override;
    void onDeviceDisconnected(const QString &deviceNumber) override;

    QChartViewer *viewer1() const { return m_viewer1; }
    QChartViewer *viewer2() const { return m_viewer2; }

signals:
    void popupSensingOption();
    void popupNetworkSetting();

public slots:
    void drawChart();
    void drawChart2();
    void onMouseMovePlotArea(QMouseEvent *event);
    void onMouseMovePlotArea2(QMouseEvent *event);
    void updateChart();

private slots:
    void slotPopupSensingOption();
    void slotPopupNetwork(bool checked);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void setConnectionState(bool connected);
    void buildChart(QChartViewer *viewer, QLabel *host, const double *values, const QString &name,
                    int color);
    void trackCursor(QChartViewer *viewer);
    void showReading(int channel, const QString &text);
    void showPanelState(QFrame *frame, bool hasReading, bool alarm);

    std::unique_ptr<Ui::ChartView> ui;
    QPixmap m_connectedImage;
    QPixmap m_disconnectedImage;
    QPixmap m_lanImage;
    QPixmap m_usbImage;
    int m_ch1Unit = 0;
    int m_ch2Unit = 0;
    QString m_ch1Custom;
    QString m_ch2Custom;
    ConfiguredDevice *m_device = nullptr;
    QChartViewer *m_viewer1 = nullptr;
    QChartViewer *m_viewer2 = nullptr;
    ChannelLook::State m_ch1State = ChannelLook::NoReading;
    ChannelLook::State m_ch2State = ChannelLook::NoReading;
    double m_times[LiveChart::Points];
    double m_ch1[LiveChart::Points];
    double m_ch2[LiveChart::Points];
};
