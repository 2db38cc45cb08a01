#include "Axis.h"

#include "ChartCore.h"
#include "DateScale.h"
#include "LinearScale.h"
#include "ValueFormatter.h"

#include <cmath>

Axis::Axis(ChartCore *core, bool horizontal)
    : m_core(core), m_horizontal(horizontal), m_majorDensity(horizontal ? 50 : 30),
      m_minorDensity(horizontal ? 10 : 6)
{
}

void Axis::setWidth(int width)
{
    m_width = qBound(0, width, 100);
    m_core->invalidate();
}

void Axis::setColors(int axisColor, int labelColor, int titleColor, int tickColor)
{
    m_axisColor = axisColor;
    m_labelColor = labelColor;
    m_titleColor = titleColor;
    m_tickColor = tickColor;
    m_core->invalidate();
}

void Axis::setTickDensity(int majorDensity, int minorDensity)
{
    m_majorDensity = qBound(1, majorDensity, 100000);
    m_minorDensity = minorDensity < 0 ? m_majorDensity : qBound(1, minorDensity, 100000);
    m_core->invalidate();
}

void Axis::setTickLength(int majorLength, int minorLength)
{
    m_majorTickLength = qBound(-100, majorLength, 100);
    m_minorTickLength = minorLength == -1 ? majorLength / 2 : qBound(-100, minorLength, 100);
    m_core->invalidate();
}

void Axis::setDateScale(double lower, double upper, double majorTickInc, double minorTickInc)
{
    setFixedScale(DateMode, lower, upper, majorTickInc, minorTickInc);
}

void Axis::setLinearScale(double lower, double upper, double majorTickInc, double minorTickInc)
{
    setFixedScale(LinearMode, lower, upper, majorTickInc, minorTickInc);
}

void Axis::setFixedScale(ScaleMode mode, double lower, double upper, double majorTickInc,
                         double minorTickInc)
{
    m_scaleMode = mode;
    m_lower = lower;
    m_upper = upper;
    m_majorInc = majorTickInc;
    m_minorInc = minorTickInc;
    m_core->invalidate();
}

void Axis::setAutoScale()
{
    m_scaleMode = AutoMode;
    m_core->invalidate();
}

void Axis::setLabelFormat(const QString &format)
{
    m_rules.setLabelFormat(format);
    m_core->invalidate();
}

void Axis::setFormatCondition(const QString &condition, double operand)
{
    m_rules.setFormatCondition(condition, operand);
    m_core->invalidate();
}

void Axis::setMultiFormat(int filter1, const QString &format1, int filter2, const QString &format2,
                          int labelSpan, bool promoteTicks)
{
    Q_UNUSED(promoteTicks)
    m_rules.addMultiFormat(filter1, format1, labelSpan);
    m_rules.addMultiFormat(filter2, format2, labelSpan);
    m_core->invalidate();
}

void Axis::setMultiFormat2(int filter, const QString &format, int labelSpan, bool promoteTicks)
{
    Q_UNUSED(promoteTicks)
    m_rules.addMultiFormat(filter, format, labelSpan);
    m_core->invalidate();
}

void Axis::setLabelStyle(const QString &font, double fontSize, int color)
{
    if (!font.isEmpty())
        m_labelFont = font;
    m_labelFontSize = fontSize;
    m_labelColor = color;
    m_core->invalidate();
}

void Axis::setTitle(const QString &text, const QString &font, double fontSize)
{
    m_title = text;
    if (!font.isEmpty())
        m_titleFont = font;
    m_titleFontSize = fontSize;
    m_core->invalidate();
}

QString Axis::defaultLabelFormat() const
{
    if (m_scaleMode == DateMode)
        return QStringLiteral("{value|") + DateScale::defaultFormat(m_ticks.majorStep) +
               QLatin1Char('}');
    return QStringLiteral("{value|") + QString::number(m_decimals) + QStringLiteral("}");
}

QString Axis::getFormattedLabel(double v, const QString &format) const
{
    m_core->ensureLayout();
    if (!format.isEmpty())
        return ValueFormatter::format(v, format);
    const QStringList one = m_rules.labels({v}, m_ticks.majorStep, defaultLabelFormat());
    return one.value(0);
}

void Axis::layout(double dataMin, double dataMax, bool hasData, double startPx, double lengthPx)
{
    m_startPx = startPx;
    m_lengthPx = lengthPx;
    const double len = std::fabs(lengthPx);
    m_showLabels = true;
    if (m_scaleMode == DateMode && Chart::isValid(m_lower) && Chart::isValid(m_upper)) {
        m_ticks = DateScale::scale(m_lower, m_upper, len, m_majorDensity, m_minorDensity,
                                   m_majorInc, m_minorInc);
    } else if (m_scaleMode == LinearMode && Chart::isValid(m_lower) && Chart::isValid(m_upper)) {
        m_ticks = LinearScale::fixedScale(m_lower, m_upper, len, m_majorDensity, m_minorDensity,
                                          m_majorInc, m_minorInc);
    } else if (m_horizontal && !hasData) {
        // An x axis with nothing to show keeps its line but gets no labels.
        m_ticks = ScaleTicks();
        m_showLabels = false;
    } else {
        m_ticks =
            hasData ? LinearScale::autoScale(dataMin, dataMax, len, m_majorDensity, m_minorDensity)
                    : LinearScale::autoScale(1, 0, len, m_majorDensity, m_minorDensity);
    }
    m_decimals = LinearScale::decimalsFor(m_ticks.majorStep);
    m_labels = m_showLabels ? m_rules.labels(m_ticks.major, m_ticks.majorStep, defaultLabelFormat())
                            : QStringList();
}

double Axis::getCoorF(double v) const
{
    m_core->ensureLayout();
    const double span = m_ticks.upper - m_ticks.lower;
    if (!(span > 0) || !Chart::isValid(v))
        return v > 0 ? 1e9 : -1e9;
    const double px = m_startPx + (v - m_ticks.lower) / span * m_lengthPx;
    return qBound(-1e9, px, 1e9);
}

int Axis::getCoor(double v) const
{
    return static_cast<int>(std::lround(getCoorF(v)));
}

double Axis::valueAtCoor(double px) const
{
    m_core->ensureLayout();
    if (m_lengthPx == 0)
        return m_ticks.lower;
    return m_ticks.lower + (px - m_startPx) / m_lengthPx * (m_ticks.upper - m_ticks.lower);
}

double Axis::getMinValue() const
{
    m_core->ensureLayout();
    return m_ticks.lower;
}

double Axis::getMaxValue() const
{
    m_core->ensureLayout();
    return m_ticks.upper;
}
