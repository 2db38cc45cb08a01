#include "SeriesAlignment.h"
#include "companion/CompanionChannel.h"
#include "core/NoValue.h"

#include <QtTest>

namespace {

DeviceRows rows(const std::vector<quint32> &t, const std::vector<double> &c1,
                const std::vector<double> &c2 = {})
{
    DeviceRows r;
    r.times = t;
    r.values[0] = c1;
    r.values[1] = c2;
    return r;
}

QVector<quint32> times(std::initializer_list<quint32> l)
{
    return QVector<quint32>(l);
}
QVector<double> values(std::initializer_list<double> l)
{
    return QVector<double>(l);
}

} // namespace

class TestSeriesAlignment : public QObject
{
    Q_OBJECT
private slots:
    void channelKeysKeepTheWholeDeviceNumber()
    {
        DeviceSettings d;
        d.deviceNumber = "LAB_A_7";
        d.ch1Name = "Room, north";
        d.ch2Name = "Humidity";
        const CompanionChannel c1 = CompanionChannel::fromDevice(d, 1);
        const CompanionChannel c2 = CompanionChannel::fromDevice(d, 2);
        QCOMPARE(c1.fieldName(), QStringLiteral("LAB_A_7_channel1"));
        QCOMPARE(c2.fieldName(), QStringLiteral("LAB_A_7_channel2"));
        // The record, not its key, names the device and the column.
        QCOMPARE(c2.deviceNumber, QStringLiteral("LAB_A_7"));
        QCOMPARE(c2.column, QStringLiteral("channel2"));
        QCOMPARE(c1.title(), QStringLiteral("Room, north"));
    }

    void twoChannelsShareOneDistinctSortedAxis()
    {
        std::vector<DeviceRows> d{rows({10, 30, 20}, {1, 3, 2}), rows({20, 40}, {5, 6})};
        const AlignedSeries a = alignSeries(d, {{0, 0}, {1, 0}});
        QCOMPARE(a.times, times({10, 20, 30, 40}));
        QCOMPARE(a.values.size(), 2);
        QCOMPARE(a.values[0], values({1, 2, 3, NoValue}));
        QCOMPARE(a.values[1], values({NoValue, 5, NoValue, 6}));
    }

    void repeatedTimesOfOneDevice()
    {
        // Two rows with the same pointDate: once with two channels, twice with
        // one, and in both cases the later row's value.
        std::vector<DeviceRows> d{rows({5, 7, 7, 9}, {1, 2, 3, 4}, {11, 12, 13, 14})};
        const AlignedSeries one = alignSeries(d, {{0, 0}});
        QCOMPARE(one.times, times({5, 7, 7, 9}));
        QCOMPARE(one.values[0], values({1, 3, 3, 4}));

        const AlignedSeries two = alignSeries(d, {{0, 0}, {0, 1}});
        QCOMPARE(two.times, times({5, 7, 9}));
        QCOMPARE(two.values[0], values({1, 3, 4}));
        QCOMPARE(two.values[1], values({11, 13, 14}));
    }

    void laterRowWinsAlsoWhenUnsorted()
    {
        std::vector<DeviceRows> d{rows({9, 7, 5, 7}, {4, 2, 1, 3})};
        const AlignedSeries one = alignSeries(d, {{0, 0}});
        QCOMPARE(one.times, times({5, 7, 7, 9}));
        QCOMPARE(one.values[0], values({1, 3, 3, 4}));

        // Sorted first: rows of one time stay in scan order, so the same
        // series, with one channel and with two.
        std::vector<DeviceRows> e{rows({9, 7, 5, 7}, {4, 2, 1, 3}), rows({8, 6}, {8, 6})};
        const AlignedSeries before = alignSeries(e, {{0, 0}, {1, 0}});
        for (DeviceRows &r : e)
            r.sortByTime();
        QCOMPARE(e[0].times, (std::vector<quint32>{5, 7, 7, 9}));
        QCOMPARE(e[0].values[0], (std::vector<double>{1, 2, 3, 4}));
        QVERIFY(e[0].values[1].empty());
        const AlignedSeries after = alignSeries(e, {{0, 0}, {1, 0}});
        QCOMPARE(after.times, before.times);
        QCOMPARE(after.values, before.values);
        QCOMPARE(alignSeries(e, {{0, 0}}).values[0], values({1, 3, 3, 4}));
    }

    void nullsStayNoValue()
    {
        std::vector<DeviceRows> d{rows({1, 2, 3}, {NoValue, 2, NoValue}, {1, NoValue, 3})};
        const AlignedSeries a = alignSeries(d, {{0, 1}, {0, 0}});
        QCOMPARE(a.values[0], values({1, NoValue, 3}));
        QCOMPARE(a.values[1], values({NoValue, 2, NoValue}));
    }

    void channelWithoutRowsAmongOthers()
    {
        std::vector<DeviceRows> d{rows({1, 2}, {1, 2}), rows({}, {})};
        const AlignedSeries a = alignSeries(d, {{1, 0}, {0, 0}});
        QCOMPARE(a.times, times({1, 2}));
        QCOMPARE(a.values[0], values({NoValue, NoValue}));
        QCOMPARE(a.values[1], values({1, 2}));
    }

    void itemWithoutChannelKeepsItsSeries()
    {
        std::vector<DeviceRows> d{rows({1, 2}, {1, 2})};
        const AlignedSeries a = alignSeries(d, {{0, 0}, {-1, 0}, {0, 0}});
        QCOMPARE(a.values.size(), 3);
        QCOMPARE(a.values[1], values({NoValue, NoValue}));
        QCOMPARE(a.values[2], values({1, 2}));
        QVERIFY(alignSeries(d, {{-1, 0}}).times.isEmpty());
        QVERIFY(alignSeries({}, {}).times.isEmpty());
    }

    void fourDevicesLargeMerge()
    {
        std::vector<DeviceRows> d(4);
        for (int k = 0; k < 4; ++k)
            for (quint32 t = 0; t < 1000; ++t)
                if ((t + quint32(k)) % 3 != 0) {
                    d[size_t(k)].times.push_back(t);
                    d[size_t(k)].values[0].push_back(t * 10 + k);
                }
        const AlignedSeries a = alignSeries(d, {{0, 0}, {1, 0}, {2, 0}, {3, 0}});
        QCOMPARE(a.times.size(), 1000);
        for (int i = 0; i < 1000; ++i) {
            QCOMPARE(a.times[i], quint32(i));
            for (int k = 0; k < 4; ++k)
                QCOMPARE(a.values[k][i], (i + k) % 3 ? i * 10.0 + k : NoValue);
        }
    }
};

QTEST_APPLESS_MAIN(TestSeriesAlignment)
#include "tst_SeriesAlignment.moc"
