#include "core/NoValue.h"
#include "series/LineBreaks.h"

#include <QtTest>

#include <vector>

class TestLineBreaks : public QObject
{
    Q_OBJECT
private slots:
    void theLimitIsThreeOfTheLongerInterval_data()
    {
        QTest::addColumn<int>("intervalMs");
        QTest::addColumn<qint64>("usual");
        QTest::addColumn<qint64>("limit");
        QTest::newRow("1 s project, 1 s channel") << 1000 << qint64(1) << qint64(3);
        QTest::newRow("1 s project, 10 min channel") << 1000 << qint64(600) << qint64(1800);
        QTest::newRow("1 min project, 10 s channel") << 60000 << qint64(10) << qint64(180);
        QTest::newRow("10 min project, no steps yet") << 600000 << qint64(0) << qint64(1800);
        QTest::newRow("an interval between seconds rounds up") << 1500 << qint64(1) << qint64(6);
        QTest::newRow("interval unknown") << 0 << qint64(5) << qint64(15);
        QTest::newRow("nothing known: one second") << -1 << qint64(0) << qint64(3);
    }
    void theLimitIsThreeOfTheLongerInterval()
    {
        QFETCH(int, intervalMs);
        QFETCH(qint64, usual);
        QFETCH(qint64, limit);
        QCOMPARE(LineBreaks::joinLimit(intervalMs, usual), limit);
        QCOMPARE(LineBreaks::channelInterval(intervalMs, usual) * 3, limit);
        QVERIFY(LineBreaks::joins(100, 100 + limit, limit));
        QVERIFY(!LineBreaks::joins(100, 101 + limit, limit));
    }

    void theUsualStepIsTheMedianStep()
    {
        const std::vector<quint32> t{0, 10, 20, 30, 1000, 1010};
        QCOMPARE(LineBreaks::usualStep(t.data(), int(t.size())), qint64(10));
        const std::vector<qint64> wide{5, 605, 1205, 8405, 9005};
        QCOMPARE(LineBreaks::usualStep(wide.data(), int(wide.size())), qint64(600));
        QCOMPARE(LineBreaks::usualStep(t.data(), 1), qint64(0));
        QCOMPARE(LineBreaks::usualStep(t.data(), 0), qint64(0));
    }

    void aSlowChannelBreaksOnlyAtItsOutage()
    {
        // Every 10 min beside a project read every second, with two hours
        // missing between 01:00 and 03:00.
        std::vector<quint32> t;
        for (quint32 s = 0; s <= 3600; s += 600)
            t.push_back(s);
        for (quint32 s = 3 * 3600; s <= 4 * 3600; s += 600)
            t.push_back(s);
        const int n = int(t.size());
        const qint64 limit = LineBreaks::joinLimit(1000, LineBreaks::usualStep(t.data(), n));
        QCOMPARE(limit, qint64(1800));
        QCOMPARE(LineBreaks::outages(t.data(), n, limit), QVector<int>{7});
        // Read at the project's interval the same hole and nothing else breaks.
        std::vector<quint32> fast{0, 1, 2, 3, 14, 15, 16, 18};
        QCOMPARE(LineBreaks::outages(fast.data(), int(fast.size()), 3), QVector<int>{4});
    }

    void breakTimesLieInsideEachBreak()
    {
        const double N = NoValue;
        // 0:v 1:v 2:null 3:null 4:v 5:v 20:v 21:null 40:v 41:null
        const std::vector<qint64> t{-5, 0, 1, 2, 3, 4, 5, 20, 21, 40, 41};
        const std::vector<double> v{N, 1, 2, N, N, 3, 4, 5, N, 6, N};
        const QVector<qint64> breaks = LineBreaks::breakTimes(t.data(), v.data(), int(t.size()), 3);
        // The first null of a run; the middle of the outage 5..20; one break
        // for a null and an outage together; nothing before the first or
        // after the last value.
        QCOMPARE(breaks, (QVector<qint64>{2, 12, 21}));
        const std::vector<double> valuesOnly{1, 2, 3};
        QVERIFY(LineBreaks::breakTimes(t.data() + 1, valuesOnly.data(), 3, 3).isEmpty());
        const std::vector<double> nan{1, std::nan(""), 3};
        QCOMPARE(LineBreaks::breakTimes(t.data() + 1, nan.data(), 3, 3), QVector<qint64>{1});
    }
};

QTEST_APPLESS_MAIN(TestLineBreaks)
#include "tst_LineBreaks.moc"
