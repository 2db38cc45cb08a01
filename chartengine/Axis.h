#pragma once

#include "AxisLabelRules.h"
#include "Chart.h"
#include "ScaleTicks.h"

#include <QString>
#include <QStringList>

class ChartCore;

// One axis of an XY chart: its look, its scale (fixed, date or automatic) and
// its label formats. After the chart is laid out it maps values to pixels.
class Axis
{
public:
    Axis(ChartCore *core, bool horizontal);
    Axis(const Axis &) = delete;
    Axis &operator=(const Axis &) = delete;

    void setWidth(int width);
    void setColors(int axisColor, int labelColor = Chart::TextColor, int titleColor = -1,
                   int tickColor = -1);
    void setTickDensity(int majorDensity, int minorDensity = -1);
    void setTickLength(int majorLength, int minorLength = -1);
    void setDateScale(double lower, double upper, double majorTickInc = 0, double minorTickInc = 0);
    void setLinearScale(double lower, double upper, double majorTickInc = 0,
                        double minorTickInc = 0);
    void setAutoScale();
    void setLabelFormat(const QString &format);
    void setFormatCondition(const QString &condition, double operand = 0);
    void setMultiFormat(int filter1, const QString &format1, int filter2, const QString &format2,
                        int labelSpan = 1, bool promoteTicks = true);
    void setMultiFormat2(int filter, const QString &format, int labelSpan = 1,
                         bool promoteTicks = true);
    void setLabelStyle(const QString &font, double fontSize = 8, int color = Chart::TextColor);
    void setTitle(const QString &text, const QString &font = QString(), double fontSize = 8);
    // A value formatted as this axis labels it, or with the given format.
    QString getFormattedLabel(double v, const QString &format = QString()) const;

    // Valid once the chart is laid out.
    int getCoor(double v) const;
    double getCoorF(double v) const;
    double valueAtCoor(double px) const;
    double getMinValue() const;
    double getMaxValue() const;
    bool isDateScale() const { return m_scaleMode == DateMode; }

    enum ScaleMode
    {
        AutoMode,
        LinearMode,
        DateMode
    };
    ScaleMode scaleMode() const { return m_scaleMode; }
    bool horizontal() const { return m_horizontal; }
    ChartCore *core() const { return m_core; }
    int width() const { return m_width; }
    int axisColor() const { return m_axisColor; }
    int labelColor() const { return m_labelColor; }
    int titleColor() const { return m_titleColor == -1 ? m_labelColor : m_titleColor; }
    int tickColor() const { return m_tickColor == -1 ? m_axisColor : m_tickColor; }
    int majorTickLength() const { return m_majorTickLength; }
    int minorTickLength() const { return m_minorTickLength; }
    QString labelFont() const { return m_labelFont; }
    double labelFontSize() const { return m_labelFontSize; }
    QString title() const { return m_title; }
    QString titleFont() const { return m_titleFont; }
    double titleFontSize() const { return m_titleFontSize; }

    // Layout, done by the chart.
    void layout(double dataMin, double dataMax, bool hasData, double startPx, double lengthPx);
    const ScaleTicks &ticks() const { return m_ticks; }
    const QStringList &labels() const { return m_labels; }
    bool showsLabels() const { return m_showLabels; }

private:
    QString defaultLabelFormat() const;
    void setFixedScale(ScaleMode mode, double lower, double upper, double majorTickInc,
                       double minorTickInc);

    ChartCore *m_core;
    bool m_horizontal;
    int m_width = 1;
    int m_axisColor = Chart::LineColor;
    int m_labelColor = Chart::TextColor;
    int m_titleColor = -1;
    int m_tickColor = -1;
    int m_majorDensity;
    int m_minorDensity;
    int m_majorTickLength = 5;
    int m_minorTickLength = 3;
    ScaleMode m_scaleMode = AutoMode;
    double m_lower = 0;
    double m_upper = 0;
    double m_majorInc = 0;
    double m_minorInc = 0;
    AxisLabelRules m_rules;
    QString m_labelFont = QStringLiteral("arial.ttf");
    double m_labelFontSize = 8;
    QString m_title;
    QString m_titleFont = QStringLiteral("arialbd.ttf");
    double m_titleFontSize = 8;

    ScaleTicks m_ticks;
    QStringList m_labels;
    bool m_showLabels = false;
    double m_startPx = 0;
    double m_lengthPx = 1;
    int m_decimals = 0;
};
