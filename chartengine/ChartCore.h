#pragma once

#include "Axis.h"
#include "ColorTable.h"
#include "DrawArea.h"
#include "Layer.h"
#include "LegendBox.h"
#include "PlotArea.h"
#include "TextBox.h"

#include <QImage>
#include <QString>

#include <memory>
#include <utility>
#include <vector>

// The state of one chart. The caller's chart object and a display still
// pending in a viewer share it, so it lives until the last of them lets go.
class ChartCore
{
public:
    // Larger charts are clamped: an image of this many pixels per side is far
    // beyond any screen and still allocatable.
    static constexpr int MaxSide = 16384;

    ChartCore(int width, int height, int bgColor, int edgeColor, int raisedEffect);
    ChartCore(const ChartCore &) = delete;
    ChartCore &operator=(const ChartCore &) = delete;

    int width;
    int height;
    int bgColor;
    int edgeColor;
    int raisedEffect;
    ColorTable colors;
    std::unique_ptr<PlotArea> plotArea;
    std::unique_ptr<Axis> xAxis;
    std::unique_ptr<Axis> yAxis;
    std::vector<std::unique_ptr<Layer>> layers;
    std::vector<std::unique_ptr<TextBox>> titles;
    std::unique_ptr<LegendBox> legend;
    std::unique_ptr<DrawArea> dynamicLayer;
    bool clipping = false;
    int clipMargin = 0;
    // Axes a view port wants to follow before it knows its full range.
    std::vector<std::pair<QString, Axis *>> pendingSyncs;

    void invalidate();
    void ensureLayout();
    int defaultDataColor(int index) const;
    // The finished chart with its dynamic layer on top.
    QImage image();
    const QImage &baseImage();

private:
    void layout();

    bool m_laidOut = false;
    bool m_inLayout = false;
    bool m_baseValid = false;
    QImage m_base;
};
