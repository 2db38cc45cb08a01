#include "Axis.h"
#include "ImageMapHandler.h"
#include "ViewPortManager.h"
#include "XYChart.h"

#include <QtTest>

#include <limits>

namespace {

ChartMetrics metrics()
{
    ChartMetrics m;
    m.valid = true;
    m.width = 700;
    m.height = 400;
    m.plotLeft = 50;
    m.plotTop = 50;
    m.plotWidth = 600;
    m.plotHeight = 300;
    return m;
}

} // namespace

class TestViewPort : public QObject
{
    Q_OBJECT

private slots:
    void validateKeepsTheViewInside();
    void zoomAtKeepsThePointFixed();
    void zoomLimits();
    void zoomToRectangle();
    void dragStopsAtTheEdges();
    void valuesAndAxisSync();
    void pendingSyncTakesTheChartsRange();
    void plotAreaHitTests();
    void imageMapHotSpots();
};

void TestViewPort::validateKeepsTheViewInside()
{
    ViewPortManager vp;
    vp.setViewPortWidth(1.5);
    vp.setViewPortLeft(-0.3);
    vp.validateViewPort();
    QCOMPARE(vp.getViewPortWidth(), 1.0);
    QCOMPARE(vp.getViewPortLeft(), 0.0);
    vp.setViewPortWidth(0.2);
    vp.setViewPortLeft(0.95);
    vp.validateViewPort();
    QCOMPARE(vp.getViewPortLeft(), 0.8);
    vp.setViewPortWidth(std::numeric_limits<double>::quiet_NaN());
    vp.validateViewPort();
    QCOMPARE(vp.getViewPortWidth(), 1.0);
    QCOMPARE(vp.getViewPortLeft(), 0.0);
    vp.setViewPortWidth(-2);
    vp.validateViewPort();
    QCOMPARE(vp.getViewPortWidth(), vp.getZoomInWidthLimit());
    // A limit from a row count of zero (10 / 0) must not break the view.
    vp.setZoomInWidthLimit(10.0 / 0.0);
    QCOMPARE(vp.getZoomInWidthLimit(), 1.0);
    vp.setZoomInWidthLimit(std::numeric_limits<double>::quiet_NaN());
    QCOMPARE(vp.getZoomInWidthLimit(), 0.01);
}

void TestViewPort::zoomAtKeepsThePointFixed()
{
    ViewPortManager vp;
    vp.setChartMetrics(metrics());
    QVERIFY(vp.canZoomIn(0));
    QVERIFY(!vp.canZoomOut(0));
    // The point at 3/4 of the plot stays at 3/4 of the view.
    QVERIFY(vp.zoomAt(0, 50 + 450, 100, 2.0));
    QCOMPARE(vp.getViewPortWidth(), 0.5);
    QCOMPARE(vp.getViewPortLeft(), 0.375);
    QCOMPARE(vp.getViewPortHeight(), 1.0);
    QVERIFY(vp.canZoomOut(0));
    QVERIFY(vp.zoomAt(0, 350, 100, 0.5));
    QCOMPARE(vp.getViewPortWidth(), 1.0);
    QCOMPARE(vp.getViewPortLeft(), 0.0);
    QVERIFY(!vp.zoomAt(0, 350, 100, 0.5));
    QVERIFY(!vp.zoomAt(0, 350, 100, 0));
    QVERIFY(!vp.zoomAt(0, 350, 100, std::numeric_limits<double>::infinity()));
    // Vertical zoom leaves the width alone.
    QVERIFY(vp.zoomAt(1, 350, 50, 4.0));
    QCOMPARE(vp.getViewPortHeight(), 0.25);
    QCOMPARE(vp.getViewPortTop(), 0.0);
    QCOMPARE(vp.getViewPortWidth(), 1.0);
}

void TestViewPort::zoomLimits()
{
    ViewPortManager vp;
    vp.setChartMetrics(metrics());
    vp.setZoomInWidthLimit(0.1);
    for (int i = 0; i < 10; ++i)
        vp.zoomAt(0, 350, 200, 2.0);
    QCOMPARE(vp.getViewPortWidth(), 0.1);
    QVERIFY(!vp.canZoomIn(0));
    QVERIFY(vp.canZoomIn(2)); // vertically it still can
    QVERIFY(!vp.zoomAt(0, 350, 200, 2.0));
}

void TestViewPort::zoomToRectangle()
{
    ViewPortManager vp;
    vp.setChartMetrics(metrics());
    QVERIFY(vp.zoomTo(0, 350, 60, 200, 300)); // right to left works too
    QCOMPARE(vp.getViewPortLeft(), 0.25);
    QCOMPARE(vp.getViewPortWidth(), 0.25);
    QCOMPARE(vp.getViewPortHeight(), 1.0);
    // A sliver narrower than the limit widens to the limit around its middle.
    vp.setZoomInWidthLimit(0.1);
    QVERIFY(vp.zoomTo(2, 350, 50, 351, 200));
    QCOMPARE(vp.getViewPortWidth(), 0.1);
    QVERIFY(qAbs(vp.getViewPortLeft() + 0.05 - (0.25 + 0.25 * 300.5 / 600)) < 1e-9);
    QCOMPARE(vp.getViewPortHeight(), 0.5);
}

void TestViewPort::dragStopsAtTheEdges()
{
    ViewPortManager vp;
    vp.setChartMetrics(metrics());
    vp.setViewPortWidth(0.2);
    vp.setViewPortLeft(0.4);
    vp.startDrag();
    // Dragging the mouse right shows earlier data.
    QVERIFY(vp.dragTo(0, 300, 0));
    QCOMPARE(vp.getViewPortLeft(), 0.3);
    QVERIFY(vp.dragTo(0, -600, 0));
    QCOMPARE(vp.getViewPortLeft(), 0.6);
    QVERIFY(vp.dragTo(0, -100000, 0));
    QCOMPARE(vp.getViewPortLeft(), 0.8);
    QVERIFY(!vp.dragTo(0, -200000, 0));
    QVERIFY(!vp.dragTo(1, 0, 50)); // the height is whole: nothing to move vertically
}

void TestViewPort::valuesAndAxisSync()
{
    ViewPortManager vp;
    vp.setFullRange(QStringLiteral("x"), 1000, 2000);
    QVERIFY(vp.hasFullRange(QStringLiteral("x")));
    QCOMPARE(vp.getValueAtViewPort(QStringLiteral("x"), 0.25), 1250.0);
    QCOMPARE(vp.getViewPortAtValue(QStringLiteral("x"), 1750), 0.75);
    vp.setViewPortWidth(0.2);
    vp.setViewPortLeft(0.8);
    XYChart c(700, 400);
    c.setPlotArea(50, 50, 600, 300);
    vp.syncDateAxisWithViewPort(QStringLiteral("x"), c.xAxis());
    QVERIFY(c.xAxis()->isDateScale());
    QCOMPARE(c.xAxis()->getMinValue(), 1800.0);
    QCOMPARE(c.xAxis()->getMaxValue(), 2000.0);
    vp.syncLinearAxisWithViewPort(QStringLiteral("y"), c.yAxis());
    vp.syncLinearAxisWithViewPort(QStringLiteral("x"), nullptr);
}

void TestViewPort::pendingSyncTakesTheChartsRange()
{
    ViewPortManager vp;
    XYChart c(700, 400);
    c.setPlotArea(50, 50, 600, 300);
    const double y[] = {1, 2, 3, 4, 5};
    c.addLineLayer(DoubleArray(y, 5));
    vp.syncLinearAxisWithViewPort(QStringLiteral("x"), c.xAxis());
    QVERIFY(!vp.hasFullRange(QStringLiteral("x")));
    vp.commitPendingSyncAxis(&c);
    QVERIFY(vp.hasFullRange(QStringLiteral("x")));
    QCOMPARE(vp.getValueAtViewPort(QStringLiteral("x"), 0), 0.0);
    QCOMPARE(vp.getValueAtViewPort(QStringLiteral("x"), 1), 4.0);
    vp.commitPendingSyncAxis(nullptr);
}

void TestViewPort::plotAreaHitTests()
{
    ViewPortManager vp;
    QVERIFY(!vp.inPlotArea(100, 100));
    vp.setChartMetrics(metrics());
    QVERIFY(vp.inPlotArea(50, 50));
    QVERIFY(vp.inPlotArea(650, 350));
    QVERIFY(!vp.inPlotArea(651, 200));
    QVERIFY(vp.inExtendedPlotArea(653, 200));
    QVERIFY(!vp.inExtendedPlotArea(700, 200));
    QCOMPARE(vp.getPlotAreaWidth(), 600);
}

void TestViewPort::imageMapHotSpots()
{
    ImageMapHandler map(QStringLiteral(
        "<area shape=\"rect\" coords=\"10,10,50,30\" title=\"Room &amp; hall\" "
        "href=\"details.html?ch=1\">"
        "<area shape='circle' coords='100,100,10' title='Dot'>"
        "<AREA shape=poly coords=\"200,200,260,200,230,250\" title=\"Tri\" href=\"x\">"));
    QCOMPARE(map.hotSpotCount(), 3);
    QCOMPARE(map.getHotSpot(20, 20), 0);
    QCOMPARE(map.getValue(QStringLiteral("title")), QStringLiteral("Room & hall"));
    QCOMPARE(map.getValue(QStringLiteral("path")), QStringLiteral("details.html"));
    QCOMPARE(map.getValue(QStringLiteral("query")), QStringLiteral("ch=1"));
    QCOMPARE(map.getHotSpot(105, 105), 1);
    QCOMPARE(map.getValue(QStringLiteral("path")), QString());
    QCOMPARE(map.getHotSpot(112, 112), -1);
    QCOMPARE(map.getValue(QStringLiteral("title")), QString());
    QCOMPARE(map.getHotSpot(230, 210), 2);
    QCOMPARE(map.getHotSpot(205, 245), -1);
    ImageMapHandler broken(
        QStringLiteral("<area coords=\"1,2\"><area shape=rect coords=x,y>garbage"));
    QCOMPARE(broken.getHotSpot(1, 2), -1);
}

QTEST_MAIN(TestViewPort)
#include "tst_viewport.moc"
