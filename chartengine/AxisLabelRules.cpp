#include "AxisLabelRules.h"

#include "Chart.h"
#include "ChartDate.h"
#include "ValueFormatter.h"

#include <cmath>

namespace {

long long periodKey(int type, double t)
{
    const ChartDate d = ChartDate::fromChartTime(t);
    switch (type) {
    case Chart::StartOfYearFilterType:
        return d.year;
    case Chart::StartOfMonthFilterType:
        return d.year * 12LL + d.month;
    case Chart::StartOfDayFilterType:
        return static_cast<long long>(std::floor(t / 86400));
    case Chart::StartOfHourFilterType:
        return static_cast<long long>(std::floor(t / 3600));
    case Chart::StartOfMinuteFilterType:
        return static_cast<long long>(std::floor(t / 60));
    default:
        return 0;
    }
}

// Start and length of the period holding t.
void periodOf(int type, double t, double &start, double &length)
{
    const ChartDate d = ChartDate::fromChartTime(t);
    switch (type) {
    case Chart::StartOfYearFilterType:
        start = ChartDate::startOfYear(d.year);
        length = ChartDate::startOfYear(d.year + 1) - start;
        return;
    case Chart::StartOfMonthFilterType:
        start = ChartDate::startOfMonth(d.year, d.month);
        length = ChartDate::startOfMonth(d.year, d.month + 1) - start;
        return;
    default:
        length = type == Chart::StartOfDayFilterType    ? 86400
                 : type == Chart::StartOfHourFilterType ? 3600
                                                        : 60;
        start = std::floor(t / length) * length;
    }
}

} // namespace

AxisLabelRules::Rule &AxisLabelRules::current()
{
    if (m_rules.empty())
        m_rules.push_back(Rule{QStringLiteral("true"), 0, {}});
    return m_rules.back();
}

void AxisLabelRules::setFormatCondition(const QString &condition, double operand)
{
    m_rules.push_back(Rule{condition.trimmed().toLower(), operand, {}});
}

void AxisLabelRules::setLabelFormat(const QString &format)
{
    Rule &r = current();
    r.entries.clear();
    r.entries.push_back({Chart::AllPassFilter(), format, 1});
}

void AxisLabelRules::addMultiFormat(int filter, const QString &format, int labelSpan)
{
    current().entries.push_back({filter, format, qMax(1, labelSpan)});
}

bool AxisLabelRules::conditionHolds(const QString &condition, double operand, double step)
{
    const double tol = std::fabs(operand) * 1e-9;
    if (condition == QLatin1String("align") || condition == QLatin1String(">="))
        return step >= operand - tol;
    if (condition == QLatin1String(">"))
        return step > operand + tol;
    if (condition == QLatin1String("<"))
        return step < operand - tol;
    if (condition == QLatin1String("<="))
        return step <= operand + tol;
    if (condition == QLatin1String("=") || condition == QLatin1String("=="))
        return std::fabs(step - operand) <= tol;
    if (condition == QLatin1String("!=") || condition == QLatin1String("<>"))
        return std::fabs(step - operand) > tol;
    return condition == QLatin1String("else") || condition == QLatin1String("true") ||
           condition.isEmpty();
}

bool AxisLabelRules::passes(int filter, double t, const double *prev)
{
    const int type = Chart::filterType(filter);
    if (type == Chart::AllPassFilterType)
        return true;
    if (prev)
        return periodKey(type, t) != periodKey(type, *prev);
    double start = 0;
    double length = 1;
    periodOf(type, t, start, length);
    return t - start <= Chart::filterInitialMargin(filter) * length + 1e-6;
}

QStringList AxisLabelRules::labels(const std::vector<double> &ticks, double step,
                                   const QString &defaultFormat) const
{
    QStringList out;
    out.reserve(static_cast<int>(ticks.size()));
    const Rule *rule = nullptr;
    for (const Rule &r : m_rules) {
        if (conditionHolds(r.condition, r.operand, step)) {
            rule = &r;
            break;
        }
    }
    if (!rule || rule->entries.empty()) {
        for (double t : ticks)
            out.append(ValueFormatter::format(t, defaultFormat));
        return out;
    }
    std::vector<int> passCount(rule->entries.size(), 0);
    for (size_t i = 0; i < ticks.size(); ++i) {
        const double *prev = i > 0 ? &ticks[i - 1] : nullptr;
        QString label;
        for (size_t k = 0; k < rule->entries.size(); ++k) {
            const Entry &e = rule->entries[k];
            if (!passes(e.filter, ticks[i], prev))
                continue;
            const int span = e.labelSpan * Chart::filterLabelStep(e.filter);
            if (passCount[k]++ % span == 0)
                label = ValueFormatter::format(ticks[i], e.format);
            break;
        }
        out.append(label);
    }
    return out;
}
