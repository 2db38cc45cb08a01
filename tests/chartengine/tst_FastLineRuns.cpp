// The chart engine's column runs for ascending x give exactly the points of
// its point-by-point reduction, breaks included.
#include "Chart.h"
#include "FastLineReducer.h"

#include <QRandomGenerator>
#include <QtTest>

#include <cmath>
#include <limits>

class TestFastLineRuns : public QObject
{
    Q_OBJECT
private slots:
    void sameAsPointByPoint_data()
    {
        QTest::addColumn<int>("points");
        QTest::addColumn<double>("pixels");
        QTest::addColumn<int>("missingEvery");
        QTest::newRow("dense") << 200000 << 900.0 << 0;
        QTest::newRow("dense with gaps") << 200000 << 900.0 << 997;
        QTest::newRow("sparse") << 300 << 900.0 << 7;
        QTest::newRow("about four per column") << 3600 << 900.0 << 101;
        QTest::newRow("many missing") << 50000 << 400.0 << 3;
    }

    void sameAsPointByPoint()
    {
        QFETCH(int, points);
        QFETCH(double, pixels);
        QFETCH(int, missingEvery);
        QRandomGenerator rng(7);
        std::vector<double> x(static_cast<size_t>(points)), y(static_cast<size_t>(points));
        double t = 1000;
        for (int i = 0; i < points; ++i) {
            t += rng.bounded(3) == 0 ? 0 : rng.generateDouble() * 2; // repeats too
            x[size_t(i)] = t;
            y[size_t(i)] = missingEvery && i % missingEvery == 0 ? Chart::NoValue
                                                                 : rng.generateDouble() * 100 - 50;
        }
        // The visible part starts and ends inside the data.
        const double lower = x[size_t(points / 10)];
        const double upper = x[size_t(points - points / 10)];
        const double scale = pixels / (upper - lower);
        const double offset = -lower * scale;
        std::vector<QPointF> plain, runs;
        FastLineReducer::reduce(x.data(), y.data(), points, scale, offset, -1, int(pixels) + 1,
                                true, plain, false);
        FastLineReducer::reduce(x.data(), y.data(), points, scale, offset, -1, int(pixels) + 1,
                                true, runs, true);
        QCOMPARE(runs.size(), plain.size());
        for (size_t i = 0; i < plain.size(); ++i) {
            QCOMPARE(FastLineReducer::isBreak(runs[i]), FastLineReducer::isBreak(plain[i]));
            if (!FastLineReducer::isBreak(plain[i]))
                QCOMPARE(runs[i], plain[i]);
        }
    }
};

QTEST_APPLESS_MAIN(TestFastLineRuns)
#include "tst_FastLineRuns.moc"
