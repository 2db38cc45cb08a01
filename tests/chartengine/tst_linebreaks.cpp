// Lines broken where the caller says, without a missing value in the data:
// the viewer draws each channel from its own readings and breaks it at
// outages.
#include "Axis.h"
#include "Chart.h"
#include "FastLineReducer.h"
#include "LineLayer.h"
#include "XYChart.h"

#include <QtTest>

#include <memory>
#include <vector>

namespace {

int redIn(const QImage &img, int x0, int x1, int y)
{
    int n = 0;
    for (int x = x0; x <= x1; ++x)
        for (int dy = -2; dy <= 2; ++dy)
            if (qRed(img.pixel(x, y + dy)) > 150 && qGreen(img.pixel(x, y + dy)) < 110)
                ++n;
    return n;
}

} // namespace

class TestLineBreaks : public QObject
{
    Q_OBJECT
private slots:
    void theReducerSplitsAtTheGivenIndices_data()
    {
        QTest::addColumn<bool>("fast");
        QTest::addColumn<bool>("ascending");
        QTest::newRow("plain") << false << false;
        QTest::newRow("fast") << true << false;
        QTest::newRow("fast, ascending runs") << true << true;
    }
    void theReducerSplitsAtTheGivenIndices()
    {
        QFETCH(bool, fast);
        QFETCH(bool, ascending);
        const std::vector<double> x{0, 1, 2, 3, 4, 5, 6, 7};
        const std::vector<double> y{1, 2, 3, 4, Chart::NoValue, 6, 7, 8};
        std::vector<QPointF> out;
        // A break at 2, one that coincides with the missing value's own break
        // (5), and indices outside the data are ignored.
        FastLineReducer::reduce(x.data(), y.data(), 8, QVector<int>{0, 2, 5, 9}, 100, 0, -1, 1000,
                                fast, out, ascending);
        QVector<int> breaks;
        QVector<double> xs;
        for (const QPointF &p : out) {
            if (FastLineReducer::isBreak(p))
                breaks << xs.size();
            else
                xs << p.x();
        }
        QCOMPARE(xs, (QVector<double>{0, 1, 2, 3, 5, 6, 7}));
        QCOMPARE(breaks, (QVector<int>{2, 4}));
        QVERIFY(!FastLineReducer::isBreak(out.front()) && !FastLineReducer::isBreak(out.back()));
    }

    void aBrokenLineLeavesItsGapEmpty()
    {
        const double x[] = {0, 1, 2, 3, 6, 7, 8, 9};
        const double y[] = {5, 5, 5, 5, 5, 5, 5, 5};
        for (bool fast : {false, true}) {
            auto c = std::make_unique<XYChart>(400, 300, 0xffffff);
            c->setPlotArea(50, 20, 300, 200, 0xffffff, -1, Chart::Transparent, Chart::Transparent,
                           Chart::Transparent);
            c->xAxis()->setLinearScale(0, 9);
            c->yAxis()->setLinearScale(0, 10);
            LineLayer *layer = c->addLineLayer2();
            layer->setLineWidth(2);
            layer->setFastLineMode(fast);
            layer->setXData(DoubleArray(x, 8));
            layer->setXDataSorted(true);
            layer->setLineBreaks({4});
            layer->addDataSet(DoubleArray(y, 8), 0xff0000);
            const QImage img = c->makeChart();
            const int yPix = c->getYCoor(5);
            QVERIFY(redIn(img, c->getXCoor(1), c->getXCoor(2), yPix) > 0);
            QVERIFY(redIn(img, c->getXCoor(7), c->getXCoor(8), yPix) > 0);
            QCOMPARE(redIn(img, c->getXCoor(3) + 3, c->getXCoor(6) - 3, yPix), 0);
            // Without the break the gap is bridged.
            layer->setLineBreaks({});
            QVERIFY(redIn(c->makeChart(), c->getXCoor(3) + 3, c->getXCoor(6) - 3, yPix) > 0);
        }
    }
};

QTEST_MAIN(TestLineBreaks)
#include "tst_linebreaks.moc"
