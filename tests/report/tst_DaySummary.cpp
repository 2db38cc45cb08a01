// The day figures against values worked out by hand, the chart data's line
// breaks and the page placement of the PDF.
#include "DayFigures.h"
#include "DaySummary.h"
#include "ReportExporter.h"
#include "ReportMarkup.h"
#include "core/NoValue.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

#include <vector>

namespace {

const double N = NoValue;

qint64 at(const QString &text)
{
    return QDateTime::fromString(text, "yyyy-MM-dd HH:mm:ss").toSecsSinceEpoch();
}

ReportChannel channel(const QString &number, int unitCode, float lower, float upper)
{
    ReportChannel c;
    c.deviceNumber = number;
    c.column = QStringLiteral("channel1");
    c.channelName = QStringLiteral("Temp");
    c.deviceName = QStringLiteral("Room <1>");
    c.unitCode = unitCode;
    c.unitName = ReportChannel::unitNameOf(unitCode);
    c.lowerLimit = lower;
    c.upperLimit = upper;
    return c;
}

} // namespace

class TestDaySummary : public QObject
{
    Q_OBJECT
private slots:
    void figuresOfADayWorkedOutByHand()
    {
        // One reading a minute in °C, limits 2..8; a stored null at 240 and
        // an outage from 360 to 1200 (beyond three minutes).
        const std::vector<qint64> t{0, 60, 120, 180, 240, 300, 360, 1200, 1260, 1320};
        const std::vector<double> v{5, 9, 10, 7, N, 9, 1, 3, 9, 9};
        const DaySummary s =
            DaySummary::of(t.data(), v.data(), int(t.size()), DaySummary::Celsius, 2, 8, 60);
        QCOMPARE(s.readings, 9);
        // (5 + 9 + 10 + 7 + 9 + 1 + 3 + 9 + 9) / 9 = 62 / 9
        QCOMPARE(s.average, 62.0 / 9);
        QCOMPARE(s.minimum, 1.0);
        QCOMPARE(s.maximum, 10.0);
        // 10000 K / -ln(mean of exp(-10000 K / T)) over the nine readings
        // in kelvin (278.15, 282.15, 283.15, 280.15, 282.15, 274.15, 276.15,
        // 282.15, 282.15) = 280.5243 K.
        QVERIFY(s.hasMeanKinetic);
        QVERIFY2(qAbs(s.meanKinetic - 7.3743) < 5e-4, qPrintable(QString::number(s.meanKinetic)));
        // 60-120 (the null ends it), 300-360 going from above to below the
        // limits (the outage after 360 counts one interval), 1260-1320 (the
        // last reading counts one interval): three, 6 x 60 s.
        QVERIFY(s.hasLimits);
        QCOMPARE(s.excursions, 3);
        QCOMPARE(s.excursionSeconds, qint64(360));
    }

    void meanKineticTemperatureInBothScales()
    {
        // 20 °C and 30 °C: 10000 / -ln((exp(-10000/293.15) + exp(-10000/303.15)) / 2)
        // = 10000 / 33.39903 = 299.4099 K = 26.2599 °C = 79.2678 °F.
        const std::vector<qint64> t{0, 1};
        const std::vector<double> celsius{20, 30};
        const DaySummary c =
            DaySummary::of(t.data(), celsius.data(), 2, DaySummary::Celsius, 0, 0, 1);
        QVERIFY(qAbs(c.meanKinetic - 26.2599) < 5e-4);
        const std::vector<double> fahrenheit{68, 86};
        const DaySummary f =
            DaySummary::of(t.data(), fahrenheit.data(), 2, DaySummary::Fahrenheit, 0, 0, 1);
        QVERIFY2(qAbs(f.meanKinetic - 79.2678) < 5e-4, qPrintable(QString::number(f.meanKinetic)));
        QCOMPARE(f.average, 77.0);
        // One temperature is its own mean kinetic temperature.
        double k = 0;
        const double one = 250;
        QVERIFY(DaySummary::meanKineticKelvin(&one, 1, &k));
        QVERIFY(qAbs(k - 250) < 1e-9);
        QCOMPARE(DaySummary::toKelvin(212, DaySummary::Fahrenheit), 373.15);
        QCOMPARE(DaySummary::scaleOf(1), DaySummary::Celsius);
        QCOMPARE(DaySummary::scaleOf(2), DaySummary::Fahrenheit);
        QCOMPARE(DaySummary::scaleOf(3), DaySummary::NotTemperature);
        QCOMPARE(DaySummary::scaleOf(4), DaySummary::NotTemperature);
    }

    void noLimitsNoTemperatureNoReadings()
    {
        const std::vector<qint64> t{0, 10, 20};
        const std::vector<double> v{50, 95, 99};
        // Humidity without limits (both 0), and with equal limits.
        for (float limit : {0.0f, 60.0f}) {
            const DaySummary s =
                DaySummary::of(t.data(), v.data(), 3, DaySummary::NotTemperature, limit, limit, 10);
            QVERIFY(!s.hasLimits);
            QCOMPARE(s.excursions, 0);
            QCOMPARE(s.excursionSeconds, qint64(0));
            QVERIFY(!s.hasMeanKinetic);
            QCOMPARE(s.maximum, 99.0);
        }
        // A temperature below absolute zero has no mean kinetic temperature.
        const std::vector<double> broken{20, -300, 20};
        QVERIFY(!DaySummary::of(t.data(), broken.data(), 3, DaySummary::Celsius, 0, 0, 10)
                     .hasMeanKinetic);
        const std::vector<double> nulls{N, N, N};
        const DaySummary empty =
            DaySummary::of(t.data(), nulls.data(), 3, DaySummary::Celsius, 2, 8, 10);
        QCOMPARE(empty.readings, 0);
        QVERIFY(!empty.hasMeanKinetic);
        QCOMPARE(empty.excursions, 0);
    }

    void theWorkersFiguresFollowEachChannelsInterval()
    {
        // 1 min project: a channel read every 10 min is joined across its
        // own steps and broken at its two-hour outage; the summary uses the
        // same interval for the last reading of an excursion.
        QVector<ReportResults::Reading> slow;
        for (qint64 m = 0; m <= 600; m += 10)
            if (m < 120 || m > 240)
                slow.append({m * 60, m == 600 ? 9.0 : 5.0});
        QVector<ReportResults::Reading> fast;
        for (qint64 s = 0; s <= 600; s += 60)
            fast.append({s, s == 300 ? N : 20.0});
        ReportResults r;
        DayFigures::compute({slow, fast}, {channel("S", 1, 2, 8), channel("F", 3, 0, 0)}, 60000, r);
        QCOMPARE(r.lineBreaks[0], QVector<qint64>{(110 + 250) / 2 * 60});
        QCOMPARE(r.lineBreaks[1], QVector<qint64>{300});
        QCOMPARE(r.summary[0].excursions, 1);
        QCOMPARE(r.summary[0].excursionSeconds, qint64(600));
        QVERIFY(!r.summary[1].hasLimits);
        QCOMPARE(r.summary[1].readings, 10);
    }

    void chartDataBreaksLinesWithNullFields()
    {
        ReportResults r;
        const qint64 start = at("2026-03-05 08:00:00");
        for (qint64 t = start; t <= start + 5400; t += 30) {
            ReportResults::ChartPoint p;
            p.time = t;
            p.value[0] = 20;
            if ((t - start) % 600 == 0 && (t - start < 1500 || t - start > 3000))
                p.value[1] = 5;
            r.chartPoints.append(p);
        }
        r.lineBreaks[0] = {start + 330};  // a null at 08:05:30
        r.lineBreaks[1] = {start + 2400}; // the slow channel's outage, 08:40
        r.lineBreaks[2] = {start + 60};   // an empty channel: nothing
        r.emptyChannel[2] = true;
        QList<ReportChannel> channels{channel("A", 1, 0, 0), channel("B", 1, 0, 0),
                                      channel("C", 1, 0, 0)};
        const QJsonArray points =
            QJsonDocument::fromJson(ReportMarkup::chartData(r, channels, "1mm").toUtf8()).array();
        // One point a minute and one more for the null.
        QCOMPARE(points.size(), 92);
        const QJsonObject gap = points.at(6).toObject();
        QCOMPARE(gap.value("datetime").toString(), QStringLiteral("2026-03-05 08:05:30"));
        QVERIFY(gap.value("A_channel1").isNull());
        QCOMPARE(gap.size(), 2);
        // The slow channel's break shares the point at 08:40.
        const QJsonObject outage = points.at(41).toObject();
        QCOMPARE(outage.value("datetime").toString(), QStringLiteral("2026-03-05 08:40:00"));
        QCOMPARE(outage.value("A_channel1").toDouble(), 20.0);
        QVERIFY(outage.value("B_channel1").isNull());
        int slowValues = 0;
        for (const QJsonValue &p : points) {
            QVERIFY(!p.toObject().contains("C_channel1"));
            slowValues += p.toObject().value("B_channel1").isDouble();
        }
        QCOMPARE(slowValues, 7);
        // Without breaks the data is as before: no nulls at all.
        r.lineBreaks = {};
        QVERIFY(!ReportMarkup::chartData(r, channels, "1mm").contains("null"));
    }

    void theSummaryTableNamesChannelAndDevice()
    {
        ReportResults r;
        r.summary[0].readings = 3;
        r.summary[0].average = 5.126;
        r.summary[0].minimum = 1;
        r.summary[0].maximum = 9;
        r.summary[0].hasMeanKinetic = true;
        r.summary[0].meanKinetic = 7.3743;
        r.summary[0].hasLimits = true;
        r.summary[0].excursions = 2;
        r.summary[0].excursionSeconds = 3 * 3600 + 5 * 60 + 7;
        QList<ReportChannel> channels{channel("A", 1, 2, 8), channel("B", 3, 0, 0)};
        channels[1].deviceName.clear();
        const QString html = ReportMarkup::daySummary(r, channels);
        QVERIFY(html.contains("<td class='C'>Temp [Room &lt;1&gt;]<br /><span "
                              "class='unit'>Temperature(C)</span></td><td>3</td><td>5.13</td>"
                              "<td>1.00</td><td>9.00</td><td>7.37</td><td>2.00 ~ 8.00</td>"
                              "<td>2</td><td>3:05:07</td></tr>"));
        QVERIFY(html.contains("<td class='C'>Temp [B]<br /><span class='unit'>Humidity</span>"
                              "</td><td>0</td><td>-</td><td>-</td><td>-</td><td>-</td>"
                              "<td>no limits</td><td>none</td><td>-</td></tr>"));
        QCOMPARE(html.count("<tr>"), 3);
        QVERIFY(html.contains("83.144 kJ/mol"));
        QCOMPARE(ReportMarkup::duration(59), QStringLiteral("0:00:59"));
        QCOMPARE(ReportMarkup::duration(90000), QStringLiteral("25:00:00"));
    }

    void thePdfPageKeepsItsMarginsAndProportions()
    {
        // A4 at 1200 dpi; a page 860 x 1400 px.
        const QSizeF sheet(9921, 14031);
        const qreal margin = 1200 * ReportExporter::MarginMm / 25.4;
        QVERIFY(margin >= 1200 * 10 / 25.4);
        const QRectF r = ReportExporter::placeOnSheet(sheet, QSizeF(860, 1400), margin);
        QVERIFY(r.left() >= margin - 1e-6 && r.top() >= margin - 1e-6);
        QVERIFY(r.right() <= sheet.width() - margin + 1e-6);
        QVERIFY(r.bottom() <= sheet.height() - margin + 1e-6);
        QVERIFY(qAbs(r.width() / r.height() - 860.0 / 1400) < 1e-9);
        QVERIFY(qAbs(r.bottom() - (sheet.height() - margin)) < 1e-6); // tall: fills the height
        QVERIFY(qAbs(r.left() - (sheet.width() - r.right())) < 1e-6); // centred across
        const QRectF wide = ReportExporter::placeOnSheet(sheet, QSizeF(1000, 100), margin);
        QVERIFY(qAbs(wide.width() - (sheet.width() - 2 * margin)) < 1e-6);
        QCOMPARE(wide.top(), margin);
        QVERIFY(ReportExporter::placeOnSheet(sheet, QSizeF(), margin).isNull());
    }
};

QTEST_MAIN(TestDaySummary)
#include "tst_DaySummary.moc"
