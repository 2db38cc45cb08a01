#pragma once

class QChartViewer;
class QScrollBar;
class ViewPortManager;

// A horizontal scroll bar beside a chart viewer: Scale steps stand for the
// full x range and the page for the view port's width.
class ViewPortScrollBar
{
public:
    static constexpr int Scale = 1000000000;

    // Sets the bar from the view port: enabled only while less than the full
    // range is shown; page step = width x Scale rounded up; single step = the
    // page step but at most Scale / 100; range 0 .. Scale - page step;
    // value = left x Scale rounded.
    static void follow(QScrollBar *bar, const ViewPortManager &viewPort);
    // The bar moved: the view port's left follows (chart redrawn, image map
    // kept), unless the viewer is itself in the middle of a view-port change.
    static void scroll(QChartViewer *viewer, const QScrollBar &bar, int value);
    // The view-port left that a value of the bar stands for.
    static double leftAt(const QScrollBar &bar, int value);
};
