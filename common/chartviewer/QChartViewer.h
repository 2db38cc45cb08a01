#pragma once

#include "BaseChart.h"
#include "ImageMapHandler.h"
#include "ViewPortManager.h"

#include <QColor>
#include <QElapsedTimer>
#include <QLabel>
#include <QMouseEvent>
#include <QString>

#include <functional>
#include <memory>

// Shows a finished chart as an image, tracks the mouse over it and turns mouse
// gestures into view-port changes: drag to scroll, drag or click to zoom.
// Mouse modes: 0 plain, 1 drag to scroll, 3 zoom in, 4 zoom out. Directions: 0
// horizontal, 1 vertical, any other value both.
class QChartViewer : public QLabel
{
    Q_OBJECT
public:
    enum MouseMode
    {
        MouseUsageDefault = 0,
        MouseUsageScroll = 1,
        MouseUsageZoomIn = 3,
        MouseUsageZoomOut = 4
    };

    explicit QChartViewer(QWidget *parent = nullptr);
    ~QChartViewer() override;

    ViewPortManager *viewPortManager() { return &m_viewPort; }

    // The chart stays with its owner, who deletes the old one before setting a new one.
    virtual void setChart(BaseChart *chart);
    virtual BaseChart *chart();
    virtual void setImageMap(const QString &imageMap);
    virtual ImageMapHandler *imageMapHandler();
    virtual void setDefaultToolTip(const QString &text);
    virtual void setSelectionBorderWidth(int width);
    virtual int selectionBorderWidth();
    virtual void setSelectionBorderColor(const QColor &color);
    virtual QColor selectionBorderColor();
    virtual void setMouseMode(int mode);
    virtual int mouseMode();
    virtual void setZoomDirection(int direction);
    virtual int zoomDirection();
    virtual void setScrollDirection(int direction);
    virtual int scrollDirection();
    virtual void setZoomInRatio(double ratio);
    virtual double zoomInRatio();
    virtual void setZoomOutRatio(double ratio);
    virtual double zoomOutRatio();
    virtual void setMinimumDrag(int offset);
    virtual int minimumDrag();
    virtual void setUpdateInterval(int interval);
    virtual int updateInterval();
    virtual bool needsChartUpdate();
    virtual bool needsImageMapUpdate();
    virtual bool isMouseOnPlotArea();
    virtual bool isInMouseMoveEvent();
    virtual bool isInViewPortChangedEvent();
    // Emits viewPortChanged now, or once the hold timer of the last update
    // fires, with the flags of all requests made meanwhile.
    virtual void requestViewPortUpdate(bool needUpdateChart, bool needUpdateImageMap);
    virtual void refreshDisplay();
    // One wheel step: 0.9 times the width and height for a step away from the
    // user, 1 / 0.9 towards; the value under the mouse stays put.
    static constexpr double WheelZoomRatio = 0.9;
    void zoomByWheel(const QWheelEvent *event);
    // "now" removes the dynamic layer at once; "mouseleaveplotarea" and
    // "mouseleavechart" remove it when the mouse leaves. Case-insensitive.
    virtual void setAutoHideTrigger(const QString &text);
    virtual int chartMouseX();
    virtual int chartMouseY();
    virtual int plotAreaMouseX();
    virtual int plotAreaMouseY();
    virtual void processPendingMouseMove();
    virtual void updateCursor();

    // The milliseconds of a monotonic clock that throttles mouse moves; tests
    // step it by hand instead of racing a real clock.
    void setClock(std::function<qint64()> milliseconds);

signals:
    void viewPortChanged();
    void clicked(QMouseEvent *event);
    void mouseMove(QMouseEvent *event);
    void mouseWheel(QWheelEvent *event);
    void mouseMoveChart(QMouseEvent *event);
    void mouseLeaveChart(QEvent *event);
    void mouseMovePlotArea(QMouseEvent *event);
    void mouseLeavePlotArea(QEvent *event);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void timerEvent(QTimerEvent *event) override;

private:
    void handleMouseMove(QMouseEvent *event);
    void onDrag(int x, int y);
    bool isDragBeyondMinimum(int x, int y) const;
    void showSelectionRect(int x, int y, int width, int height);
    void hideSelectionRect();
    void commitUpdateChart();
    void applyAutoHide(const QString &trigger);

    ViewPortManager m_viewPort;

    BaseChart *m_currentChart = nullptr;
    std::unique_ptr<ImageMapHandler> m_hotSpotTester;
    QString m_defaultToolTip;
    QColor m_selectBoxLineColor = QColor(0, 0, 0);
    int m_selectBoxLineWidth = 2;
    int m_mouseUsage = MouseUsageDefault;
    int m_zoomDirection = 0;
    int m_scrollDirection = 0;
    double m_zoomInRatio = 2.0;
    double m_zoomOutRatio = 0.5;
    int m_minDragAmount = 5;
    int m_updateInterval = 20;
    bool m_needUpdateChart = false;
    bool m_needUpdateImageMap = false;
    int m_currentHotSpot = -1;
    bool m_isClickable = false;
    bool m_isOnWidget = false;
    bool m_isDragging = false;
    bool m_isDragScrolling = false;
    bool m_isPlotAreaMouseOver = false;
    bool m_isInMouseMove = false;
    int m_dragStartX = 0;
    int m_dragStartY = 0;
    QLabel *m_leftLine = nullptr;
    QLabel *m_rightLine = nullptr;
    QLabel *m_topLine = nullptr;
    QLabel *m_bottomLine = nullptr;
    bool m_holdTimerActive = false;
    int m_holdTimerId = 0;
    bool m_isInViewPortChanged = false;
    int m_delayUpdateChart = 0;
    ChartHandle m_delayedChart;
    QElapsedTimer m_elapsed;
    std::function<qint64()> m_clock;
    qint64 m_lastMouseMove = -1000;
    std::unique_ptr<QMouseEvent> m_delayedMouseEvent;
    int m_delayedMouseEventTimerId = 0;
    int m_currentMouseX = -1;
    int m_currentMouseY = -1;
    bool m_isInExtendedPlotArea = false;
    QString m_autoHideMsg;
};
