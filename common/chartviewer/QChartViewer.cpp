#include "QChartViewer.h"

#include "ChartViewerCursors.h"

#include <QMetaMethod>
#include <QTimerEvent>
#include <QToolTip>
#include <QWheelEvent>

#include <cstdlib>

QChartViewer::QChartViewer(QWidget *parent) : QLabel(parent)
{
    setMouseTracking(true);
    m_elapsed.start();
    m_clock = [this] { return m_elapsed.elapsed(); };
}

void QChartViewer::setClock(std::function<qint64()> milliseconds)
{
    m_clock = std::move(milliseconds);
}

QChartViewer::~QChartViewer() = default;

void QChartViewer::setChart(BaseChart *chart)
{
    m_currentChart = chart;
    setImageMap(QString());
    if (chart) {
        m_viewPort.commitPendingSyncAxis(chart);
        // Rendering now lays the chart out, so handlers of the same update can
        // already map values to pixels for their overlay.
        if (m_delayUpdateChart != 0)
            chart->makeChart();
    }
    refreshDisplay();
}

BaseChart *QChartViewer::chart()
{
    return m_currentChart;
}

void QChartViewer::setImageMap(const QString &imageMap)
{
    m_hotSpotTester.reset();
    m_currentHotSpot = -1;
    m_isClickable = false;
    if (!imageMap.isEmpty())
        m_hotSpotTester = std::make_unique<ImageMapHandler>(imageMap);
}

ImageMapHandler *QChartViewer::imageMapHandler()
{
    return m_hotSpotTester.get();
}

void QChartViewer::setDefaultToolTip(const QString &text)
{
    m_defaultToolTip = text;
}

void QChartViewer::setSelectionBorderWidth(int width)
{
    m_selectBoxLineWidth = qBound(1, width, 100);
}

int QChartViewer::selectionBorderWidth()
{
    return m_selectBoxLineWidth;
}

void QChartViewer::setSelectionBorderColor(const QColor &color)
{
    m_selectBoxLineColor = color;
    for (QLabel *bar : {m_leftLine, m_rightLine, m_topLine, m_bottomLine}) {
        if (bar) {
            QPalette pal = bar->palette();
            pal.setColor(QPalette::Window, color);
            bar->setPalette(pal);
        }
    }
}

QColor QChartViewer::selectionBorderColor()
{
    return m_selectBoxLineColor;
}

void QChartViewer::setMouseMode(int mode)
{
    m_mouseUsage = mode;
    updateCursor();
}

int QChartViewer::mouseMode()
{
    return m_mouseUsage;
}

void QChartViewer::setZoomDirection(int direction)
{
    m_zoomDirection = direction;
}

int QChartViewer::zoomDirection()
{
    return m_zoomDirection;
}

void QChartViewer::setScrollDirection(int direction)
{
    m_scrollDirection = direction;
}

int QChartViewer::scrollDirection()
{
    return m_scrollDirection;
}

void QChartViewer::setZoomInRatio(double ratio)
{
    if (ratio > 0)
        m_zoomInRatio = ratio;
}

double QChartViewer::zoomInRatio()
{
    return m_zoomInRatio;
}

void QChartViewer::setZoomOutRatio(double ratio)
{
    if (ratio > 0)
        m_zoomOutRatio = ratio;
}

double QChartViewer::zoomOutRatio()
{
    return m_zoomOutRatio;
}

void QChartViewer::setMinimumDrag(int offset)
{
    m_minDragAmount = qMax(0, offset);
}

int QChartViewer::minimumDrag()
{
    return m_minDragAmount;
}

void QChartViewer::setUpdateInterval(int interval)
{
    m_updateInterval = qMax(0, interval);
}

int QChartViewer::updateInterval()
{
    return m_updateInterval;
}

bool QChartViewer::needsChartUpdate()
{
    return m_needUpdateChart;
}

bool QChartViewer::needsImageMapUpdate()
{
    return m_needUpdateImageMap;
}

bool QChartViewer::isMouseOnPlotArea()
{
    return m_isOnWidget && m_viewPort.inExtendedPlotArea(m_currentMouseX, m_currentMouseY);
}

bool QChartViewer::isInMouseMoveEvent()
{
    return m_isInMouseMove;
}

bool QChartViewer::isInViewPortChangedEvent()
{
    return m_isInViewPortChanged;
}

void QChartViewer::requestViewPortUpdate(bool needUpdateChart, bool needUpdateImageMap)
{
    if (m_isInViewPortChanged)
        return;
    // Requests held back by the timer add up, so the late update carries them all.
    m_needUpdateChart = m_needUpdateChart || needUpdateChart;
    m_needUpdateImageMap = m_needUpdateImageMap || needUpdateImageMap;
    if (m_holdTimerActive)
        return;

    const bool startedDelay = m_delayUpdateChart == 0;
    if (startedDelay)
        m_delayUpdateChart = 1;
    m_viewPort.validateViewPort();
    m_isInViewPortChanged = true;
    emit viewPortChanged();
    m_isInViewPortChanged = false;
    if (startedDelay)
        commitUpdateChart();

    m_needUpdateChart = false;
    m_needUpdateImageMap = false;
    if (m_updateInterval > 0) {
        m_holdTimerActive = true;
        m_holdTimerId = startTimer(m_updateInterval);
    }
}

void QChartViewer::refreshDisplay()
{
    if (m_delayUpdateChart == 0) {
        commitUpdateChart();
        return;
    }
    m_delayUpdateChart = 2;
    m_delayedChart = m_currentChart ? m_currentChart->handle() : ChartHandle();
}

void QChartViewer::commitUpdateChart()
{
    if (m_delayUpdateChart == 1) {
        m_delayUpdateChart = 0;
        return;
    }
    const ChartHandle chart = m_delayUpdateChart == 2 ? m_delayedChart
                              : m_currentChart        ? m_currentChart->handle()
                                                      : ChartHandle();
    m_delayUpdateChart = 0;
    m_delayedChart.reset();
    if (chart) {
        const QImage image = BaseChart::makeChart(chart);
        setFixedSize(image.width(), image.height());
        setPixmap(QPixmap::fromImage(image));
        m_viewPort.setChartMetrics(BaseChart::getChartMetrics(chart));
    } else {
        setPixmap(QPixmap());
    }
}

void QChartViewer::applyAutoHide(const QString &trigger)
{
    if (m_autoHideMsg != trigger)
        return;
    m_autoHideMsg.clear();
    if (m_currentChart)
        m_currentChart->removeDynamicLayer();
    refreshDisplay();
}

void QChartViewer::setAutoHideTrigger(const QString &text)
{
    m_autoHideMsg = text.toLower();
    if (m_autoHideMsg == QLatin1String("now"))
        applyAutoHide(m_autoHideMsg);
}

int QChartViewer::chartMouseX()
{
    return m_currentMouseX;
}

int QChartViewer::chartMouseY()
{
    return m_currentMouseY;
}

int QChartViewer::plotAreaMouseX()
{
    const int left = m_viewPort.getPlotAreaLeft();
    return qBound(left, m_currentMouseX, left + m_viewPort.getPlotAreaWidth());
}

int QChartViewer::plotAreaMouseY()
{
    const int top = m_viewPort.getPlotAreaTop();
    return qBound(top, m_currentMouseY, top + m_viewPort.getPlotAreaHeight());
}

void QChartViewer::processPendingMouseMove()
{
    if (!m_delayedMouseEvent)
        return;
    const std::unique_ptr<QMouseEvent> event = std::move(m_delayedMouseEvent);
    killTimer(m_delayedMouseEventTimerId);
    m_delayedMouseEventTimerId = 0;
    handleMouseMove(event.get());
}

void QChartViewer::mouseMoveEvent(QMouseEvent *event)
{
    m_isOnWidget = true;
    emit mouseMove(event);

    const qint64 elapsed = m_clock() - m_lastMouseMove;
    if (elapsed > 9 && (!m_delayedMouseEvent || elapsed > 249)) {
        handleMouseMove(event);
        return;
    }
    if (!m_delayedMouseEvent)
        m_delayedMouseEventTimerId = startTimer(1);
    m_delayedMouseEvent = std::make_unique<QMouseEvent>(
        event->type(), event->localPos(), event->windowPos(), event->screenPos(), event->button(),
        event->buttons(), event->modifiers());
}

void QChartViewer::handleMouseMove(QMouseEvent *event)
{
    m_isInMouseMove = true;
    // Displays requested by the handlers below are drawn once, at the end.
    const bool startedDelay = m_delayUpdateChart == 0;
    if (startedDelay)
        m_delayUpdateChart = 1;

    m_currentMouseX = event->x();
    m_currentMouseY = event->y();
    m_isPlotAreaMouseOver = m_isDragging || m_viewPort.inPlotArea(m_currentMouseX, m_currentMouseY);
    if (m_isDragging)
        onDrag(m_currentMouseX, m_currentMouseY);
    emit mouseMoveChart(event);

    if (m_viewPort.inExtendedPlotArea(m_currentMouseX, m_currentMouseY)) {
        m_isInExtendedPlotArea = true;
        emit mouseMovePlotArea(event);
    } else if (m_isInExtendedPlotArea) {
        m_isInExtendedPlotArea = false;
        emit mouseLeavePlotArea(event);
        applyAutoHide(QStringLiteral("mouseleaveplotarea"));
    }

    if (event->buttons() == Qt::NoButton) {
        const int hotSpot =
            m_hotSpotTester ? m_hotSpotTester->getHotSpot(m_currentMouseX, m_currentMouseY) : -1;
        if (hotSpot != m_currentHotSpot) {
            m_currentHotSpot = hotSpot;
            if (hotSpot >= 0) {
                QToolTip::showText(event->globalPos(),
                                   m_hotSpotTester->getValue(QStringLiteral("title")), this);
                m_isClickable = !m_hotSpotTester->getValue(QStringLiteral("path")).isEmpty();
            } else {
                QToolTip::showText(event->globalPos(), m_defaultToolTip, this);
                m_isClickable = false;
            }
        }
    } else {
        QToolTip::hideText();
    }

    if (m_delayedMouseEvent) {
        killTimer(m_delayedMouseEventTimerId);
        m_delayedMouseEventTimerId = 0;
        m_delayedMouseEvent.reset();
    }
    if (startedDelay)
        commitUpdateChart();
    m_lastMouseMove = m_clock();
    m_isInMouseMove = false;
    updateCursor();
}

bool QChartViewer::isDragBeyondMinimum(int x, int y) const
{
    const int dx = std::abs(x - m_dragStartX);
    const int dy = std::abs(y - m_dragStartY);
    const bool h = m_zoomDirection != 1 && dx > m_minDragAmount;
    const bool v = m_zoomDirection != 0 && dy > m_minDragAmount;
    return h || v;
}

void QChartViewer::onDrag(int x, int y)
{
    if (m_mouseUsage == MouseUsageScroll) {
        if (!m_isDragScrolling) {
            int moved = 0;
            if (m_scrollDirection != 1)
                moved = qMax(moved, std::abs(x - m_dragStartX));
            if (m_scrollDirection != 0)
                moved = qMax(moved, std::abs(y - m_dragStartY));
            m_isDragScrolling = moved >= m_minDragAmount;
        }
        if (m_isDragScrolling &&
            m_viewPort.dragTo(m_scrollDirection, x - m_dragStartX, y - m_dragStartY))
            requestViewPortUpdate(true, false);
    } else if (m_mouseUsage == MouseUsageZoomIn) {
        if (m_viewPort.canZoomIn(m_zoomDirection) && isDragBeyondMinimum(x, y)) {
            if (m_zoomDirection == 0)
                showSelectionRect(m_dragStartX, m_viewPort.getPlotAreaTop(), x - m_dragStartX,
                                  m_viewPort.getPlotAreaHeight());
            else if (m_zoomDirection == 1)
                showSelectionRect(m_viewPort.getPlotAreaLeft(), m_dragStartY,
                                  m_viewPort.getPlotAreaWidth(), y - m_dragStartY);
            else
                showSelectionRect(m_dragStartX, m_dragStartY, x - m_dragStartX, y - m_dragStartY);
        } else {
            hideSelectionRect();
        }
    }
}

void QChartViewer::showSelectionRect(int x, int y, int width, int height)
{
    if (width < 0) {
        x += width;
        width = -width;
    }
    if (height < 0) {
        y += height;
        height = -height;
    }
    if (!m_leftLine) {
        for (QLabel **bar : {&m_leftLine, &m_rightLine, &m_topLine, &m_bottomLine}) {
            *bar = new QLabel(this);
            (*bar)->setAutoFillBackground(true);
            (*bar)->hide();
        }
        setSelectionBorderColor(m_selectBoxLineColor);
    }
    const int b = m_selectBoxLineWidth;
    m_topLine->setGeometry(x, y, width, b);
    m_leftLine->setGeometry(x, y, b, height);
    m_bottomLine->setGeometry(x, y + height - b + 1, width, b);
    m_rightLine->setGeometry(x + width - b + 1, y, b, height);
    for (QLabel *bar : {m_leftLine, m_rightLine, m_topLine, m_bottomLine})
        bar->show();
}

void QChartViewer::hideSelectionRect()
{
    for (QLabel *bar : {m_leftLine, m_rightLine, m_topLine, m_bottomLine}) {
        if (bar)
            bar->hide();
    }
}

void QChartViewer::mousePressEvent(QMouseEvent *event)
{
    processPendingMouseMove();
    if (event->button() != Qt::LeftButton)
        return;
    if (m_viewPort.inPlotArea(event->x(), event->y()) && m_mouseUsage != MouseUsageDefault) {
        m_isDragging = true;
        m_isDragScrolling = false;
        m_dragStartX = event->x();
        m_dragStartY = event->y();
        m_viewPort.startDrag();
    }
}

void QChartViewer::mouseReleaseEvent(QMouseEvent *event)
{
    processPendingMouseMove();
    if (event->button() == Qt::LeftButton && m_isDragging) {
        m_isDragging = false;
        hideSelectionRect();
        bool changed = false;
        const int x = event->x();
        const int y = event->y();
        if (m_mouseUsage == MouseUsageZoomIn) {
            if (m_viewPort.canZoomIn(m_zoomDirection)) {
                changed = isDragBeyondMinimum(x, y)
                              ? m_viewPort.zoomTo(m_zoomDirection, m_dragStartX, m_dragStartY, x, y)
                              : m_viewPort.zoomAt(m_zoomDirection, x, y, m_zoomInRatio);
            }
        } else if (m_mouseUsage == MouseUsageZoomOut) {
            if (m_viewPort.canZoomOut(m_zoomDirection))
                changed = m_viewPort.zoomAt(m_zoomDirection, x, y, m_zoomOutRatio);
        } else if (m_isDragScrolling) {
            requestViewPortUpdate(false, true);
        } else {
            emit clicked(event);
        }
        m_isDragScrolling = false;
        if (changed)
            requestViewPortUpdate(true, true);
    } else {
        emit clicked(event);
    }
    updateCursor();
}

void QChartViewer::leaveEvent(QEvent *event)
{
    processPendingMouseMove();
    m_isOnWidget = false;
    if (m_isInExtendedPlotArea) {
        m_isInExtendedPlotArea = false;
        emit mouseLeavePlotArea(event);
        applyAutoHide(QStringLiteral("mouseleaveplotarea"));
    }
    emit mouseLeaveChart(event);
    applyAutoHide(QStringLiteral("mouseleavechart"));
}

void QChartViewer::wheelEvent(QWheelEvent *event)
{
    if (!isSignalConnected(QMetaMethod::fromSignal(&QChartViewer::mouseWheel))) {
        event->ignore();
        return;
    }
    processPendingMouseMove();
    emit mouseWheel(event);
}

void QChartViewer::zoomByWheel(const QWheelEvent *event)
{
    const double ratio = event->angleDelta().y() > 0 ? WheelZoomRatio : 1 / WheelZoomRatio;
    const QPointF at = event->position();
    m_viewPort.scaleAround(at.x(), at.y(), ratio);
    requestViewPortUpdate(true, false);
}

void QChartViewer::timerEvent(QTimerEvent *event)
{
    if (m_holdTimerActive && event->timerId() == m_holdTimerId) {
        killTimer(m_holdTimerId);
        m_holdTimerId = 0;
        m_holdTimerActive = false;
        if (m_needUpdateChart || m_needUpdateImageMap)
            requestViewPortUpdate(m_needUpdateChart, m_needUpdateImageMap);
    } else if (m_delayedMouseEvent && event->timerId() == m_delayedMouseEventTimerId) {
        processPendingMouseMove();
    } else {
        QLabel::timerEvent(event);
    }
}

void QChartViewer::updateCursor()
{
    const ChartViewerCursors &cursors = ChartViewerCursors::instance();
    if (m_isDragScrolling) {
        setCursor(m_scrollDirection == 0   ? cursors.scrollHorizontal
                  : m_scrollDirection == 1 ? cursors.scrollVertical
                                           : cursors.scrollBoth);
    } else if (m_isPlotAreaMouseOver && m_mouseUsage == MouseUsageZoomIn) {
        setCursor(m_viewPort.canZoomIn(m_zoomDirection) ? cursors.zoomIn : cursors.noZoom);
    } else if (m_isPlotAreaMouseOver && m_mouseUsage == MouseUsageZoomOut) {
        setCursor(m_viewPort.canZoomOut(m_zoomDirection) ? cursors.zoomOut : cursors.noZoom);
    } else if (m_isClickable) {
        setCursor(Qt::PointingHandCursor);
    } else {
        unsetCursor();
    }
}
