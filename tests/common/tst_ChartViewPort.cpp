#include "QChartViewer.h"
#include "ViewPortManager.h"
#include "ViewPortScrollBar.h"

#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest>

namespace {

QWheelEvent wheel(double x, double y, int delta)
{
    return QWheelEvent(QPointF(x, y), QPointF(x, y), QPoint(), QPoint(0, delta), Qt::NoButton,
                       Qt::NoModifier, Qt::NoScrollPhase, false);
}

} // namespace

// The chart viewer's view port under the scroll bar and the mouse wheel.
class TestChartViewPort : public QObject
{
    Q_OBJECT
private:
    static ChartMetrics plot(int left, int top, int width, int height)
    {
        ChartMetrics m;
        m.valid = true;
        m.width = left + width + 45;
        m.height = top + height + 45;
        m.plotLeft = left;
        m.plotTop = top;
        m.plotWidth = width;
        m.plotHeight = height;
        return m;
    }

private slots:
    void theScrollBarMirrorsTheViewPort()
    {
        ViewPortManager vp;
        QScrollBar bar(Qt::Horizontal);
        vp.setViewPortWidth(0.2);
        vp.setViewPortLeft(0.8);
        ViewPortScrollBar::follow(&bar, vp);
        QVERIFY(bar.isEnabled());
        QCOMPARE(bar.pageStep(), 200000000);
        QCOMPARE(bar.singleStep(), 10000000); // at most a hundredth
        QCOMPARE(bar.maximum(), 800000000);
        QCOMPARE(bar.value(), 800000000);
        QCOMPARE(ViewPortScrollBar::leftAt(bar, 400000000), 0.4);

        // A narrow page steps by itself; the page is rounded up.
        vp.setViewPortWidth(0.0012345678901);
        vp.setViewPortLeft(0.5);
        ViewPortScrollBar::follow(&bar, vp);
        QCOMPARE(bar.pageStep(), 1234568);
        QCOMPARE(bar.singleStep(), 1234568);
        QCOMPARE(bar.value(), 500000000);

        vp.setViewPortWidth(1);
        vp.setViewPortLeft(0);
        ViewPortScrollBar::follow(&bar, vp);
        QVERIFY(!bar.isEnabled());
    }

    void movingTheBarMovesTheViewPort()
    {
        QChartViewer viewer;
        viewer.setUpdateInterval(0);
        ViewPortManager *vp = viewer.viewPortManager();
        vp->setViewPortWidth(0.25);
        vp->setViewPortLeft(0.75);
        QScrollBar bar(Qt::Horizontal);
        ViewPortScrollBar::follow(&bar, *vp);
        QSignalSpy changed(&viewer, &QChartViewer::viewPortChanged);
        bool redraw = false;
        connect(&viewer, &QChartViewer::viewPortChanged, this, [&] {
            redraw = viewer.needsChartUpdate();
            // The viewer's own change moves the bar; that must not come back.
            ViewPortScrollBar::scroll(&viewer, bar, 0);
        });
        ViewPortScrollBar::scroll(&viewer, bar, 250000000);
        QCOMPARE(changed.size(), 1);
        QVERIFY(redraw);
        QVERIFY(!viewer.needsImageMapUpdate());
        QCOMPARE(vp->getViewPortLeft(), 0.25);
    }

    void theWheelZoomsAroundTheMouse()
    {
        QChartViewer viewer;
        viewer.setUpdateInterval(0);
        viewer.viewPortManager()->setChartMetrics(plot(55, 55, 500, 300));
        ViewPortManager *vp = viewer.viewPortManager();
        vp->setViewPortWidth(0.2);
        vp->setViewPortLeft(0.8);
        vp->setZoomInWidthLimit(0.01);
        QSignalSpy changed(&viewer, &QChartViewer::viewPortChanged);

        // A step away from the user at the plot's middle: 0.9 times as wide,
        // the middle stays put.
        QWheelEvent in = wheel(55 + 250, 100, 120);
        viewer.zoomByWheel(&in);
        QCOMPARE(vp->getViewPortWidth(), 0.2 * 0.9);
        QVERIFY(qAbs(vp->getViewPortLeft() - (0.8 + 0.5 * (0.2 - 0.18))) < 1e-12);
        QCOMPARE(changed.size(), 1);
        // At the plot's left edge the left edge stays.
        const double left = vp->getViewPortLeft();
        QWheelEvent atLeft = wheel(55, 100, 120);
        viewer.zoomByWheel(&atLeft);
        QCOMPARE(vp->getViewPortLeft(), left);

        // Towards the user: 1 / 0.9 as wide, never beyond the limits.
        QWheelEvent out = wheel(55 + 250, 100, -120);
        for (int i = 0; i < 100; ++i)
            viewer.zoomByWheel(&out);
        QCOMPARE(vp->getViewPortWidth(), 1.0);
        QCOMPARE(vp->getViewPortLeft(), 0.0);
        for (int i = 0; i < 100; ++i)
            viewer.zoomByWheel(&in);
        QCOMPARE(vp->getViewPortWidth(), 0.01);
        // The height follows the same rule within its own limits.
        QCOMPARE(vp->getViewPortHeight(), vp->getZoomInHeightLimit());
    }

    void scalingKeepsTheValueUnderThePoint()
    {
        ViewPortManager vp;
        vp.setChartMetrics(plot(10, 0, 100, 100));
        vp.setZoomInHeightLimit(1); // the height stays whole
        vp.setViewPortWidth(0.5);
        vp.setViewPortLeft(0.2);
        const double before = 0.2 + 0.3 * 0.5; // the value under x = 40
        QVERIFY(vp.scaleAround(40, 50, 0.5));
        QVERIFY(qAbs(vp.getViewPortLeft() + 0.3 * vp.getViewPortWidth() - before) < 1e-12);
        QCOMPARE(vp.getViewPortWidth(), 0.25);
        QCOMPARE(vp.getViewPortHeight(), 1.0);
        vp.setZoomInWidthLimit(0.25);
        QVERIFY(!vp.scaleAround(40, 50, 0.5)); // at the limit: no change
    }
};

QTEST_MAIN(TestChartViewPort)
#include "tst_ChartViewPort.moc"
