#pragma once

#include <QString>

class XYChart;

// The live chart of one channel on the device chart panel: the last 240
// readings of the channel over 240 data intervals, and the track cursor drawn
// on its dynamic layer so that a mouse move never rebuilds the chart.
class LiveChart
{
public:
    static constexpr int Points = 240;

    // times and values hold Points entries each, oldest first; NoValue marks a
    // missing reading. Before the first reading (newest time NoValue) the
    // chart shows its axes and plot area only.
    static XYChart *build(int width, int height, const double *times, const double *values,
                          int intervalMs, const QString &name, int color);
    static void drawTrackCursor(XYChart *chart, int mouseX, int intervalMs);

    // The mark-up texts of the track cursor.
    static QString valueText(const XYChart *chart, double value);
    static QString legendEntry(const QString &icon, const QString &name, int color,
                               const QString &value);
    static QString timeStamp(const XYChart *chart, double xValue);
    static QString viewLine(int intervalMs);
};
