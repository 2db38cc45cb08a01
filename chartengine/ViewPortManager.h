#pragma once

#include "ChartMetrics.h"

#include <QHash>
#include <QPair>
#include <QString>

class Axis;
class BaseChart;

// The visible part of a chart's full data ranges, as fractions 0..1 (left, top,
// width, height), and the mouse gestures that move it. Directions: 0
// horizontal, 1 vertical, any other value both.
class ViewPortManager
{
public:
    static constexpr int ExtendedPlotAreaMargin = 5;

    void setChartMetrics(const ChartMetrics &metrics);
    // Takes the full ranges of axes that were synchronised before any range was known.
    void commitPendingSyncAxis(BaseChart *chart);

    double getViewPortLeft() const { return m_left; }
    double getViewPortTop() const { return m_top; }
    double getViewPortWidth() const { return m_width; }
    double getViewPortHeight() const { return m_height; }
    void setViewPortLeft(double left);
    void setViewPortTop(double top);
    void setViewPortWidth(double width);
    void setViewPortHeight(double height);
    void setZoomInWidthLimit(double limit);
    void setZoomOutWidthLimit(double limit);
    void setZoomInHeightLimit(double limit);
    void setZoomOutHeightLimit(double limit);
    double getZoomInWidthLimit() const { return m_zoomInWidth; }
    double getZoomOutWidthLimit() const { return m_zoomOutWidth; }
    double getZoomInHeightLimit() const { return m_zoomInHeight; }
    double getZoomOutHeightLimit() const { return m_zoomOutHeight; }
    // Width in (0, 1] within the zoom limits, left in [0, 1 - width]; the same
    // vertically. Non-finite values fall back to the whole range.
    void validateViewPort();

    void setFullRange(const QString &id, double minValue, double maxValue);
    bool hasFullRange(const QString &id) const;
    double getValueAtViewPort(const QString &id, double ratio, bool isLogScale = false) const;
    double getViewPortAtValue(const QString &id, double value, bool isLogScale = false) const;
    void syncDateAxisWithViewPort(const QString &id, Axis *axis);
    void syncLinearAxisWithViewPort(const QString &id, Axis *axis);

    bool inPlotArea(int x, int y) const;
    bool inExtendedPlotArea(int x, int y) const;
    int getPlotAreaLeft() const { return m_metrics.plotLeft; }
    int getPlotAreaTop() const { return m_metrics.plotTop; }
    int getPlotAreaWidth() const { return m_metrics.plotWidth; }
    int getPlotAreaHeight() const { return m_metrics.plotHeight; }

    bool canZoomIn(int direction) const;
    bool canZoomOut(int direction) const;
    // ratio > 1 zooms in around the point, < 1 out; true when the view port changed.
    bool zoomAt(int direction, int x, int y, double ratio);
    // Scales width and height by factor (< 1 zooms in) within their zoom
    // limits, keeping the value under the chart point (x, y) where it is;
    // true when the view port changed.
    bool scaleAround(double x, double y, double factor);
    // Makes the rectangle (chart pixels) the new view.
    bool zoomTo(int direction, int x1, int y1, int x2, int y2);
    void startDrag();
    // Moves the view opposite to the mouse, stopping at the edges.
    bool dragTo(int direction, int dx, int dy);

private:
    struct State
    {
        double left, top, width, height;
    };
    State state() const { return {m_left, m_top, m_width, m_height}; }
    bool changedFrom(const State &s) const;
    void syncAxis(const QString &id, Axis *axis, bool date);
    static bool horizontal(int direction) { return direction != 1; }
    static bool vertical(int direction) { return direction != 0; }

    ChartMetrics m_metrics;
    double m_left = 0;
    double m_top = 0;
    double m_width = 1;
    double m_height = 1;
    double m_zoomInWidth = 0.01;
    double m_zoomOutWidth = 1;
    double m_zoomInHeight = 0.01;
    double m_zoomOutHeight = 1;
    double m_dragLeft = 0;
    double m_dragTop = 0;
    QHash<QString, QPair<double, double>> m_ranges;
};
