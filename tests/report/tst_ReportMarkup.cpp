#include "ReportChannel.h"
#include "ReportDateRange.h"
#include "ReportExporter.h"
#include "ReportMarkup.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

namespace {

qint64 at(const QString &text)
{
    return QDateTime::fromString(text, "yyyy-MM-dd HH:mm:ss").toSecsSinceEpoch();
}

ReportChannel channel(const QString &number, const QString &column, const QString &name)
{
    ReportChannel c;
    c.deviceNumber = number;
    c.column = column;
    c.channelName = name;
    c.deviceName = QStringLiteral("Room");
    c.unitName = QStringLiteral("Humidity");
    return c;
}

QJsonArray parsedArray(const QString &json)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(json.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !doc.isArray())
        qWarning() << "not a JSON array:" << error.errorString() << json.left(200);
    return doc.array();
}

} // namespace

class TestReportMarkup : public QObject
{
    Q_OBJECT
private slots:
    void channelItemsCarryTheUnitInTheirKey()
    {
        DeviceSettings d;
        d.deviceNumber = QStringLiteral("KV_01'x");
        d.deviceInterface = DeviceSettings::Usb;
        d.ch1Name = QStringLiteral("Temperature1");
        d.ch2Name = QStringLiteral("Pressure");
        d.ch1Unit = 2;
        d.ch2Unit = 4;
        d.ch2Custom = QStringLiteral("kPa");
        const ReportChannel c1 = ReportChannel::fromDevice(d, 1);
        const ReportChannel c2 = ReportChannel::fromDevice(d, 2);
        QCOMPARE(c1.itemText(), QStringLiteral("Temperature1\t[]"));
        QCOMPARE(c1.key(), QStringLiteral("KV_01'x_channel1|Temperature(F)"));
        QCOMPARE(c2.key(), QStringLiteral("KV_01'x_channel2|kPa"));
        QCOMPARE(c2.fieldName(), QStringLiteral("KV_01'x_channel2"));
        QCOMPARE(c2.infoText(), QStringLiteral("Pressure [], kPa"));
        d.deviceName = QStringLiteral(" Room 2 ");
        QCOMPARE(ReportChannel::fromDevice(d, 1).infoText(),
                 QStringLiteral("Temperature1 [Room 2], Temperature(F)"));
        QCOMPARE(ReportChannel::unitNameOf(0), QStringLiteral("Undefined"));
        QCOMPARE(ReportChannel::unitNameOf(3), QStringLiteral("Humidity"));
    }

    void minimumPeriodFollowsTheInterval()
    {
        QCOMPARE(ReportMarkup::minPeriodFor(60000), QStringLiteral("1mm"));
        QCOMPARE(ReportMarkup::minPeriodFor(600000), QStringLiteral("10mm"));
        QCOMPARE(ReportMarkup::minPeriodFor(7000), QString());
        QCOMPARE(ReportMarkup::chartStep("5mm"), 300);
        QCOMPARE(ReportMarkup::chartStep(""), 60);
    }

    void chartDataHasOnePointPerStep()
    {
        ReportResults r;
        const qint64 start = at("2026-03-05 08:00:05");
        for (qint64 t = start; t < start + 600; t += 10) {
            ReportResults::ChartPoint p;
            p.time = t;
            p.value[0] = 20.125 + (t - start) / 10;
            p.value[2] = (t - start) % 60 == 0 ? NoValue : -1.5;
            r.chartPoints.append(p);
        }
        r.emptyChannel[1] = true;
        const QList<ReportChannel> channels{channel("A", "channel1", "T"),
                                            channel("B", "channel1", "E"),
                                            channel("C", "channel2", "H")};
        const QString json = ReportMarkup::chartData(r, channels, "1mm");
        QVERIFY(json.startsWith("[{\"datetime\":\"2026-03-05 08:00:05\",\"A_channel1\":20.13}"));
        QVERIFY(!json.endsWith(",\n]"));
        const QJsonArray points = parsedArray(json);
        QCOMPARE(points.size(), 10);
        QCOMPARE(json.count('\n'), 9);
        for (int i = 0; i < points.size(); ++i) {
            const QJsonObject o = points.at(i).toObject();
            QCOMPARE(o.value("datetime").toString(),
                     QDateTime::fromSecsSinceEpoch(start + 60 * i).toString("yyyy-MM-dd HH:mm:ss"));
            QVERIFY(!o.contains("B_channel1"));
            QVERIFY(!o.contains("C_channel2")); // NoValue on every minute
        }
        QCOMPARE(ReportMarkup::chartData(r, channels, "5mm").count('\n'), 1);
        QCOMPARE(ReportMarkup::chartData(ReportResults(), channels, "1mm"), QStringLiteral("[]"));
    }

    void quotesAndControlsStayInsideTheirStrings()
    {
        ReportResults r;
        ReportResults::ChartPoint p;
        p.time = at("2026-03-05 08:00:00");
        p.value[0] = 1;
        r.chartPoints.append(p);
        const QList<ReportChannel> channels{
            channel("A\"}]'\\\n\x01", "channel1", "Ti\"tle </script>\t\u2028")};
        const QJsonArray points = parsedArray(ReportMarkup::chartData(r, channels, "1mm"));
        QCOMPARE(points.at(0).toObject().value("A\"}]'\\\n\x01_channel1").toDouble(), 1.0);
        const QJsonArray graphs = parsedArray(ReportMarkup::graphData(r, channels));
        QCOMPARE(graphs.size(), 1);
        QCOMPARE(graphs.at(0).toObject().value("title").toString(),
                 QStringLiteral("Ti\"tle </script>\t\u2028 [Room]"));
        QCOMPARE(ReportMarkup::jsonString("a\"b"), QStringLiteral("\"a\\\"b\""));
    }

    void graphListNamesEveryChannelWithReadings()
    {
        ReportResults r;
        r.emptyChannel[0] = true;
        const QList<ReportChannel> channels{channel("A", "channel1", "First"),
                                            channel("B", "channel2", "Second"),
                                            channel("C", "channel1", "Third")};
        QCOMPARE(ReportMarkup::graphData(r, channels),
                 QStringLiteral("[{\"type\": \"smoothedLine\", \"title\": \"Second [Room]\", "
                                "\"valueField\": \"B_channel2\", \"lineAlpha\": 0.9, "
                                "\"connect\": false, \"hidden\": false},\n"
                                "{\"type\": \"smoothedLine\", \"title\": \"Third [Room]\", "
                                "\"valueField\": \"C_channel1\", \"lineAlpha\": 0.9, "
                                "\"connect\": false, \"hidden\": false}]"));
        r.emptyChannel = {{true, true, true, true}};
        QCOMPARE(ReportMarkup::graphData(r, channels), QStringLiteral("[]"));
    }

    void tableHasTwentyFourRowsWithEmptyCellsForMissingData()
    {
        ReportResults r;
        ReportResults::Period p;
        p.label = "2026-03-05 00:00-00:59";
        p.avg[0] = 0;
        p.min[0] = -1;
        p.max[0] = 1;
        p.avg[1] = 21.456;
        p.min[1] = 20;
        p.max[1] = 23.004;
        r.periods.append(p);
        const QString table = ReportMarkup::table(r);
        QVERIFY(table.startsWith(
            "<table><colgroup><col width='50px' /><col width='170px' /><col width='143px' /><col "
            "width='143px' /><col width='143px' /><col width='140px' /></colgroup><tr><th "
            "class='top' style='border-left:0;'>NO</th><th class='top'>Date Time</th><th "
            "class='top'>1.(avg/min/max)</th><th class='top'>2.(avg/min/max)</th><th "
            "class='top'>3.(avg/min/max)</th><th class='top'>4.(avg/min/max)</th></tr>"));
        QVERIFY(table.contains("<tr><td class='first'>1</td><td class='C'>2026-03-05 "
                               "00:00-00:59</td><td>0.00/-1.00/1.00</td><td>21.46/20.00/23.00</"
                               "td><td></td><td></td></tr>"));
        QVERIFY(table.contains("<tr><td class='first'>24</td><td class='C'></td><td></td><td></"
                               "td><td></td><td></td></tr></table>"));
        QCOMPARE(table.count("<tr>"), 25);
        QVERIFY(!table.contains("'first'>25<"));

        while (r.periods.size() < 25)
            r.periods.append(p);
        QCOMPARE(ReportMarkup::table(r).count("<tr>"), 26);
    }

    void recordTimesGiveTheEditorRanges()
    {
        const auto dt = [](const char *s) {
            return QDateTime::fromString(QString::fromLatin1(s), "yyyy-MM-dd HH:mm:ss");
        };
        // A recording within one day: its first and last whole minutes.
        auto r = ReportDateRange::fromRecordTimes("2026-03-05 10:59:30", "2026-03-05 12:00:10");
        QCOMPARE(r.earliestStart, dt("2026-03-05 11:00:00"));
        QCOMPARE(r.latestEnd, dt("2026-03-05 11:59:59"));
        QCOMPARE(r.start, dt("2026-03-05 11:00:00"));
        QCOMPARE(r.end, dt("2026-03-05 11:59:59"));
        QCOMPARE(r.startMaximum(), dt("2026-03-05 11:58:59"));
        QCOMPARE(r.endMinimum(), dt("2026-03-05 11:01:00"));

        // Several days: the whole day before the last one.
        r = ReportDateRange::fromRecordTimes("2026-03-01 08:00:00", "2026-03-07 09:30:00");
        QCOMPARE(r.start, dt("2026-03-06 00:00:00"));
        QCOMPARE(r.end, dt("2026-03-06 23:59:59"));

        // Two days that do not hold a whole day before the last: start at
        // the first minute, one day long.
        r = ReportDateRange::fromRecordTimes("2026-03-05 10:00:00", "2026-03-06 20:00:00");
        QCOMPARE(r.start, dt("2026-03-05 10:01:00"));
        QCOMPARE(r.end, dt("2026-03-06 10:00:59"));

        QCOMPARE(ReportDateRange::endFor(dt("2016-03-05 08:15:00")), dt("2016-03-06 08:14:59"));
    }

    void missingOrShortRecordTimesKeepTheRangesOrdered()
    {
        const QDateTime now = QDateTime::fromString("2026-03-05 10:20:30", "yyyy-MM-dd HH:mm:ss");
        for (const auto &times :
             QList<QStringList>{{"", ""},
                                {"2026-03-05 10:20:30", ""},
                                {"garbage", "2026-03-05 10:20:30"},
                                {"2026-03-05 10:20:30", "2026-03-05 10:20:40"},
                                {"2026-03-06 10:00:00", "2026-03-05 10:00:00"}}) {
            const auto r = ReportDateRange::fromRecordTimes(times.at(0), times.at(1), now);
            QVERIFY2(r.start.isValid() && r.end.isValid(), qPrintable(times.join('|')));
            QVERIFY(r.startMinimum() <= r.startMaximum());
            QVERIFY(r.endMinimum() <= r.endMaximum());
            QVERIFY(r.start <= r.end);
        }
        const auto none = ReportDateRange::fromRecordTimes("", "", now);
        QCOMPARE(none.earliestStart.toString("yyyy-MM-dd HH:mm:ss"),
                 QStringLiteral("2026-03-05 10:21:00"));
    }

    void exportNamesFollowTheProject()
    {
        const QDateTime now = QDateTime::fromString("2026-03-05 08:09:07", "yyyy-MM-dd HH:mm:ss");
        QCOMPARE(ReportExporter::proposedName("/data/Cold room/plant.v2.qpj", now, ".pdf"),
                 QStringLiteral("/data/Cold room/plant.v2_20260305080907.pdf"));
        QCOMPARE(ReportExporter::proposedName("/data/plant.qpj", now, ".png"),
                 ReportExporter::proposedName("/data/plant.qpj", now.addMSecs(900), ".png"));
        QCOMPARE(ReportExporter::withSuffix("/tmp/report", ".pdf"),
                 QStringLiteral("/tmp/report.pdf"));
        QCOMPARE(ReportExporter::withSuffix("/tmp/report.PDF", ".pdf"),
                 QStringLiteral("/tmp/report.PDF"));
        QCOMPARE(ReportExporter::withSuffix("/tmp/a.b/report", ".png"),
                 QStringLiteral("/tmp/a.b/report.png"));
    }
};

QTEST_GUILESS_MAIN(TestReportMarkup)
#include "tst_ReportMarkup.moc"
