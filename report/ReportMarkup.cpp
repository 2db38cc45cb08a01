#include "ReportMarkup.h"

#include "events/EventText.h"

#include <QDateTime>
#include <QMap>
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

QString ReportMarkup::legendTitle(const ReportChannel &channel)
{
    const QString device = channel.deviceName.trimmed();
    return channel.channelName + QStringLiteral(" [") +
           (device.isEmpty() ? channel.deviceNumber : device) + QLatin1Char(']');
}

QString ReportMarkup::chartData(const ReportResults &results, const QList<ReportChannel> &channels,
                                const QString &minPeriod)
{
    const int step = chartStep(minPeriod);
    const int count = std::min<int>(channels.size(), ReportResults::MaxChannels);
    QStringList fields;
    for (int i = 0; i < count; ++i)
        fields << jsonString(channels.at(i).fieldName()) + QLatin1Char(':');

    // The points drawn: one per step.
    QVector<int> shown;
    qint64 due = results.chartPoints.isEmpty() ? 0 : results.chartPoints.first().time;
    for (int k = 0; k < results.chartPoints.size(); ++k) {
        const qint64 t = results.chartPoints.at(k).time;
        if (t < due)
            continue;
        due = t - t % 60 + step;
        shown.append(k);
    }

    // A channel's line joins its own values from point to point; where a
    // break of its line lies between two of them, a point with its field
    // null breaks it there.
    QMap<qint64, QVector<int>> nulls;
    for (int i = 0; i < count; ++i) {
        if (results.emptyChannel[i])
            continue;
        const QVector<qint64> &breaks = results.lineBreaks[size_t(i)];
        auto next = breaks.cbegin();
        bool started = false;
        qint64 previous = 0;
        for (int k : shown) {
            const ReportResults::ChartPoint &p = results.chartPoints.at(k);
            if (p.value[i] == NoValue)
                continue;
            next = std::upper_bound(next, breaks.cend(), previous);
            if (started && next != breaks.cend() && *next < p.time)
                nulls[*next].append(i);
            started = true;
            previous = p.time;
        }
    }

    QString out = QStringLiteral("[");
    const auto open = [&out](qint64 time) {
        if (out.size() > 1)
            out += QStringLiteral(",\n");
        out += QStringLiteral("{\"datetime\":\"") +
               QDateTime::fromSecsSinceEpoch(time).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) +
               QLatin1Char('"');
    };
    auto gap = nulls.cbegin();
    const auto addNulls = [&](const QVector<int> &which) {
        for (int i : which)
            out += QLatin1Char(',') + fields.at(i) + QStringLiteral("null");
    };
    for (int k : shown) {
        const ReportResults::ChartPoint &point = results.chartPoints.at(k);
        for (; gap != nulls.cend() && gap.key() < point.time; ++gap) {
            open(gap.key());
            addNulls(gap.value());
            out += QLatin1Char('}');
        }
        open(point.time);
        for (int i = 0; i < count; ++i) {
            if (results.emptyChannel[i] || point.value[i] == NoValue)
                continue;
            out += QLatin1Char(',') + fields.at(i) + twoDecimals(point.value[i]);
        }
        if (gap != nulls.cend() && gap.key() == point.time)
            addNulls((gap++).value());
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
                       jsonString(legendTitle(c)) + QStringLiteral(", \"valueField\": ") +
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

QString ReportMarkup::duration(qint64 seconds)
{
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString ReportMarkup::daySummary(const ReportResults &results, const QList<ReportChannel> &channels)
{
    QString out = QStringLiteral(
        "<table><colgroup><col width='30px' /><col width='180px' /><col width='56px' />"
        "<col width='62px' /><col width='62px' /><col width='62px' /><col width='62px' />"
        "<col width='110px' /><col width='70px' /><col width='76px' /></colgroup>"
        "<tr><th class='top' style='border-left:0;'>NO</th><th class='top'>Channel</th>"
        "<th class='top'>Readings</th><th class='top'>Average</th><th class='top'>Minimum</th>"
        "<th class='top'>Maximum</th><th class='top'>MKT</th><th class='top'>Alarm limits</th>"
        "<th class='top'>Excursions</th><th class='top'>Time outside</th></tr>");
    const QString none = QStringLiteral("<td>-</td>");
    const int count = std::min<int>(channels.size(), ReportResults::MaxChannels);
    for (int i = 0; i < count; ++i) {
        const ReportChannel &c = channels.at(i);
        const DaySummary &d = results.summary[size_t(i)];
        out += QStringLiteral("<tr><td class='first'>") + QString::number(i + 1) +
               QStringLiteral("</td><td class='C'>") + legendTitle(c).toHtmlEscaped() +
               QStringLiteral("<br /><span class='unit'>") + c.unitName.toHtmlEscaped() +
               QStringLiteral("</span></td><td>") + QString::number(d.readings) +
               QStringLiteral("</td>");
        if (d.readings > 0)
            out += QStringLiteral("<td>") + twoDecimals(d.average) + QStringLiteral("</td><td>") +
                   twoDecimals(d.minimum) + QStringLiteral("</td><td>") + twoDecimals(d.maximum) +
                   QStringLiteral("</td>");
        else
            out += none + none + none;
        out += d.hasMeanKinetic
                   ? QStringLiteral("<td>") + twoDecimals(d.meanKinetic) + QStringLiteral("</td>")
                   : none;
        if (d.hasLimits)
            out += QStringLiteral("<td>") + twoDecimals(double(c.lowerLimit)) +
                   QStringLiteral(" ~ ") + twoDecimals(double(c.upperLimit)) +
                   QStringLiteral("</td><td>") + QString::number(d.excursions) +
                   QStringLiteral("</td><td>") + duration(d.excursionSeconds) +
                   QStringLiteral("</td>");
        else
            out += QStringLiteral("<td>no limits</td><td>none</td>") + none;
        out += QStringLiteral("</tr>");
    }
    out += QStringLiteral(
        "</table><p class='note'>MKT: mean kinetic temperature of a temperature channel over "
        "every reading of the day (activation energy 83.144 kJ/mol, gas constant 8.3144 J/(mol "
        "K)). Excursions: stretches of readings outside the channel's alarm limits; equal limits "
        "set no alarm.</p>");
    return out;
}

QString ReportMarkup::events(const ReportResults &results, const EventNames &names)
{
    if (!results.eventsError.isEmpty())
        return QStringLiteral("<p class='note'>The event log could not be read: ") +
               results.eventsError.toHtmlEscaped() + QStringLiteral("</p>");
    if (results.events.isEmpty())
        return QStringLiteral("<p class='note'>No events were recorded in this period.</p>");
    QString out = QStringLiteral(
        "<table><colgroup><col width='30px' /><col width='118px' /><col width='170px' />"
        "<col width='150px' /><col width='70px' /><col width='70px' /><col width='152px' />"
        "</colgroup><tr><th class='top' style='border-left:0;'>NO</th><th class='top'>Time</th>"
        "<th class='top'>Device / Channel</th><th class='top'>Event</th>"
        "<th class='top'>Value</th><th class='top'>Limit</th><th class='top'>Note</th></tr>");
    int number = 0;
    for (const EventRecord &e : results.events) {
        out += QStringLiteral("<tr><td class='first'>") + QString::number(++number) +
               QStringLiteral("</td><td>") + EventText::time(e.time) +
               QStringLiteral("</td><td class='C'>") +
               (e.serialNo.isEmpty() ? QStringLiteral("Project")
                                     : names.subject(e.serialNo, e.channel).toHtmlEscaped()) +
               QStringLiteral("</td><td class='C'>") + EventText::title(e.kind).toHtmlEscaped() +
               QStringLiteral("</td><td>") + EventText::value(e, names).toHtmlEscaped() +
               QStringLiteral("</td><td>") + EventText::limit(e, names).toHtmlEscaped() +
               QStringLiteral("</td><td class='C'>") + EventText::note(e).toHtmlEscaped() +
               QStringLiteral("</td></tr>");
    }
    return out + QStringLiteral("</table>");
}
