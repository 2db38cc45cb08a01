#include "ReportMarkup.h"

#include <QDateTime>
#include <QStringList>

#include <algorithm>

namespace {

QString twoDecimals(double v)
{
    return QString::number(v, 'f', 2);
}

} // namespace

QString ReportMarkup::minPeriodFor(int dataInterval)
{
    switch (dataInterval) {
    case 1000:
    case 5000:
    case 10000:
    case 60000:
        return QStringLiteral("1mm");
    case 300000:
        return QStringLiteral("5mm");
    case 600000:
        return QStringLiteral("10mm");
    default:
        return QString();
    }
}

int ReportMarkup::chartStep(const QString &minPeriod)
{
    if (minPeriod == QLatin1String("5mm"))
        return 300;
    if (minPeriod == QLatin1String("10mm"))
        return 600;
    return 60;
}

QString ReportMarkup::jsonString(const QString &text)
{
    QString out;
    out.reserve(text.size() + 2);
    out += QLatin1Char('"');
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '"':
            out += QStringLiteral("\\\"");
            break;
        case '\\':
            out += QStringLiteral("\\\\");
            break;
        case '\n':
            out += QStringLiteral("\\n");
            break;
        case '\r':
            out += QStringLiteral("\\r");
            break;
        case '\t':
            out += QStringLiteral("\\t");
            break;
        default:
            if (c.unicode() < 0x20 || c.unicode() == 0x2028 || c.unicode() == 0x2029)
                out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    out += QLatin1Char('"');
    return out;
}

QString ReportMarkup::chartData(const ReportResults &results, const QList<ReportChannel> &channels,
                                const QString &minPeriod)
{
    const int step = chartStep(minPeriod);
    const int count = std::min<int>(channels.size(), ReportResults::MaxChannels);
    QStringList fields;
    for (int i = 0; i < count; ++i)
        fields << jsonString(channels.at(i).fieldName()) + QLatin1Char(':');

    QString out = QStringLiteral("[");
    bool first = true;
    qint64 due = results.chartPoints.isEmpty() ? 0 : results.chartPoints.first().time;
    for (const ReportResults::ChartPoint &point : results.chartPoints) {
        if (point.time < due)
            continue;
        due = point.time - point.time % 60 + step;
        if (!first)
            out += QStringLiteral(",\n");
        first = false;
        out += QStringLiteral("{\"datetime\":\"") +
               QDateTime::fromSecsSinceEpoch(point.time)
                   .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) +
               QLatin1Char('"');
        for (int i = 0; i < count; ++i) {
            if (results.emptyChannel[i] || point.value[i] == NoValue)
                continue;
            out += QLatin1Char(',') + fields.at(i) + twoDecimals(point.value[i]);
        }
        out += QLatin1Char('}');
    }
    out += QLatin1Char(']');
    return out;
}

QString ReportMarkup::graphData(const ReportResults &results, const QList<ReportChannel> &channels)
{
    QStringList entries;
    const int count = std::min<int>(channels.size(), ReportResults::MaxChannels);
    for (int i = 0; i < count; ++i) {
        if (results.emptyChannel[i])
            continue;
        const ReportChannel &c = channels.at(i);
        entries << QStringLiteral("{\"type\": \"smoothedLine\", \"title\": ") +
                       jsonString(c.channelName) + QStringLiteral(", \"valueField\": ") +
                       jsonString(c.fieldName()) +
                       QStringLiteral(", \"lineAlpha\": 0.9, \"connect\": false, "
                                      "\"hidden\": false}");
    }
    return QLatin1Char('[') + entries.join(QStringLiteral(",\n")) + QLatin1Char(']');
}

QString ReportMarkup::table(const ReportResults &results)
{
    QString out = QStringLiteral(
        "<table><colgroup><col width='50px' /><col width='170px' /><col width='143px' />"
        "<col width='143px' /><col width='143px' /><col width='140px' /></colgroup>"
        "<tr><th class='top' style='border-left:0;'>NO</th><th class='top'>Date Time</th>"
        "<th class='top'>1.(avg/min/max)</th><th class='top'>2.(avg/min/max)</th>"
        "<th class='top'>3.(avg/min/max)</th><th class='top'>4.(avg/min/max)</th></tr>");
    const int rows = std::max<int>(TableRows, results.periods.size());
    for (int i = 0; i < rows; ++i) {
        out += QStringLiteral("<tr><td class='first'>") + QString::number(i + 1) +
               QStringLiteral("</td>");
        if (i >= results.periods.size()) {
            out += QStringLiteral("<td class='C'></td><td></td><td></td><td></td><td></td></tr>");
            continue;
        }
        const ReportResults::Period &p = results.periods.at(i);
        out += QStringLiteral("<td class='C'>") + p.label.toHtmlEscaped() + QStringLiteral("</td>");
        for (int c = 0; c < ReportResults::MaxChannels; ++c) {
            if (!p.hasData(c))
                out += QStringLiteral("<td></td>");
            else
                out += QStringLiteral("<td>") + twoDecimals(p.avg[c]) + QLatin1Char('/') +
                       twoDecimals(p.min[c]) + QLatin1Char('/') + twoDecimals(p.max[c]) +
                       QStringLiteral("</td>");
        }
        out += QStringLiteral("</tr>");
    }
    out += QStringLiteral("</table>");
    return out;
}
