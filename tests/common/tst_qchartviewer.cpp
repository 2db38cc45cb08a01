#include "Axis.h"
#include "DrawArea.h"
#include "QChartViewer.h"
#include "QChartViewerLabel.h"
#include "TimerBarrier.h"
#include "XYChart.h"

#include <QApplication>
#include <QBitmap>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

namespace {

// A 400 x 300 chart whose plot area is (50, 50) to (350, 250).
std::unique_ptr<XYChart> makeChart(int bg = 0xffffff)
{
    auto c = std::make_unique<XYChart>(400, 300, bg);
    c->setPlotArea(50, 50, 300, 200, bg);
    return c;
}

void sendMouse(QWidget *w, QEvent::Type type, int x, int y, Qt::MouseButton button,
               Qt::MouseButtons buttons)
{
    const QPointF pos(x, y);
    QMouseEvent e(type, pos, pos, w->mapToGlobal(QPoint(x, y)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

// QTest moves a widget's mouse through QCursor::setPos, which the offscreen
// platform does not turn into events, so moves are sent directly.
// A move that the viewer handles at once: more than 9 ms after the last one.
void move(QWidget *w, int x, int y, Qt::MouseButtons buttons = Qt::NoButton)
{
    QTest::qWait(12);
    sendMouse(w, QEvent::MouseMove, x, y, Qt::NoButton, buttons);
}

void press(QWidget *w, int x, int y)
{
    QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, QPoint(x, y));
}

void release(QWidget *w, int x, int y)
{
    QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, QPoint(x, y));
}

void leave(QWidget *w)
{
    QEvent e(QEvent::Leave);
    QApplication::sendEvent(w, &e);
}

QImage shown(QChartViewer &v)
{
    return v.pixmap(Qt::ReturnByValue).toImage().convertToFormat(QImage::Format_RGB32);
}

QImage cursorImage(QWidget &w)
{
    return w.cursor().bitmap(Qt::ReturnByValue).toImage();
}

} // namespace

class TestQChartViewer : public QObject
{
    Q_OBJECT

private slots:
    void defaults();
    void showsChartAtItsSize();
    void moveSignalsInOrder();
    void movesAreThrottled();
    void pressOutsidePlotOrInPlainModeIsAClick();
    void zoomInByClickAndShortDrag();
    void zoomInByRectangleShowsSelectionBars();
    void zoomOutByClick();
    void dragScrollMovesTheView();
    void requestsInsideHandlerAreIgnored();
    void holdTimerMergesRequests();
    void chartDeletedWhileDisplayPending();
    void autoHideTriggers();
    void hotSpotsAndCursors();
    void wheelNeedsAReceiver();
    void labelSignalsResize();
};

void TestQChartViewer::defaults()
{
    QChartViewer v;
    QVERIFY(v.hasMouseTracking());
    QCOMPARE(v.chart(), nullptr);
    QCOMPARE(v.imageMapHandler(), nullptr);
    QCOMPARE(v.selectionBorderWidth(), 2);
    QCOMPARE(v.selectionBorderColor(), QColor(Qt::black));
    QCOMPARE(v.mouseMode(), 0);
    QCOMPARE(v.zoomDirection(), 0);
    QCOMPARE(v.scrollDirection(), 0);
    QCOMPARE(v.zoomInRatio(), 2.0);
    QCOMPARE(v.zoomOutRatio(), 0.5);
    QCOMPARE(v.minimumDrag(), 5);
    QCOMPARE(v.updateInterval(), 20);
    QVERIFY(!v.needsChartUpdate());
    QVERIFY(!v.isMouseOnPlotArea());
}

void TestQChartViewer::showsChartAtItsSize()
{
    QChartViewer v;
    auto c = makeChart(0x00ff00);
    v.setChart(c.get());
    QCOMPARE(v.chart(), c.get());
    QCOMPARE(v.size(), QSize(400, 300));
    QCOMPARE(v.minimumSize(), QSize(400, 300));
    QCOMPARE(QColor(shown(v).pixel(10, 10)), QColor(0, 255, 0));
    QCOMPARE(v.viewPortManager()->getPlotAreaLeft(), 50);
    v.setChart(nullptr);
    QVERIFY(v.pixmap(Qt::ReturnByValue).isNull());
}

void TestQChartViewer::moveSignalsInOrder()
{
    QChartViewer v;
    auto c = makeChart();
    v.setChart(c.get());
    QStringList order;
    connect(&v, &QChartViewer::mouseMove, this, [&] { order << "mouseMove"; });
    connect(&v, &QChartViewer::mouseMoveChart, this, [&] { order << "mouseMoveChart"; });
    connect(&v, &QChartViewer::mouseMovePlotArea, this, [&] { order << "mouseMovePlotArea"; });
    connect(&v, &QChartViewer::mouseLeavePlotArea, this, [&] { order << "mouseLeavePlotArea"; });
    connect(&v, &QChartViewer::mouseLeaveChart, this, [&] { order << "mouseLeaveChart"; });

    move(&v, 100, 100);
    QCOMPARE(order, QStringList({"mouseMove", "mouseMoveChart", "mouseMovePlotArea"}));
    QVERIFY(v.isMouseOnPlotArea());
    QCOMPARE(v.chartMouseX(), 100);
    order.clear();
    // Just left of the plot but within its extended area: still on it, clamped.
    move(&v, 47, 400 - 320);
    QCOMPARE(order, QStringList({"mouseMove", "mouseMoveChart", "mouseMovePlotArea"}));
    QCOMPARE(v.plotAreaMouseX(), 50);
    QCOMPARE(v.plotAreaMouseY(), 80);
    order.clear();
    move(&v, 10, 10);
    QCOMPARE(order, QStringList({"mouseMove", "mouseMoveChart", "mouseLeavePlotArea"}));
    QVERIFY(!v.isMouseOnPlotArea());
    order.clear();
    move(&v, 200, 200);
    order.clear();
    leave(&v);
    QCOMPARE(order, QStringList({"mouseLeavePlotArea", "mouseLeaveChart"}));
    QVERIFY(!v.isMouseOnPlotArea());
}

void TestQChartViewer::movesAreThrottled()
{
    QChartViewer v;
    qint64 now = 1000;
    v.setClock([&now] { return now; });
    auto c = makeChart();
    v.setChart(c.get());
    QSignalSpy raw(&v, &QChartViewer::mouseMove);
    QSignalSpy handled(&v, &QChartViewer::mouseMoveChart);
    bool inMove = false;
    connect(&v, &QChartViewer::mouseMoveChart, this, [&] { inMove = v.isInMouseMoveEvent(); });
    auto moveAt = [&](qint64 at, int x) {
        now = at;
        sendMouse(&v, QEvent::MouseMove, x, 100, Qt::NoButton, Qt::NoButton);
    };

    moveAt(1000, 100);
    QCOMPARE(handled.count(), 1);
    QVERIFY(inMove);
    QVERIFY(!v.isInMouseMoveEvent());
    // Within 10 ms of the last handled move: reported raw, handled later, and
    // a newer deferred move replaces the older one.
    moveAt(1005, 110);
    moveAt(1009, 120);
    QCOMPARE(raw.count(), 3);
    QCOMPARE(handled.count(), 1);
    QTRY_COMPARE(handled.count(), 2);
    QCOMPARE(v.chartMouseX(), 120);
    // The replaced move is not handled later on.
    QVERIFY(TimerBarrier::pass(10));
    QCOMPARE(handled.count(), 2);
    // 9 ms after the last handled move is still too soon; 10 ms is not.
    moveAt(now + 9, 121);
    QCOMPARE(handled.count(), 2);
    QTRY_COMPARE(handled.count(), 3);
    moveAt(now + 10, 122);
    QCOMPARE(handled.count(), 4);

    // While a move is deferred, a later one is handled at once only after 250 ms.
    moveAt(now + 1, 123);
    QCOMPARE(handled.count(), 4);
    moveAt(now + 100, 124);
    QCOMPARE(handled.count(), 4);
    // The press handles the deferred move before anything else.
    press(&v, 130, 100);
    QCOMPARE(handled.count(), 5);
    QCOMPARE(v.chartMouseX(), 124);
    release(&v, 130, 100);
    const int afterRelease = handled.count();
    moveAt(now + 1, 126);
    moveAt(now + 250, 127);
    QCOMPARE(handled.count(), afterRelease + 1);
    QCOMPARE(v.chartMouseX(), 127);
}

void TestQChartViewer::pressOutsidePlotOrInPlainModeIsAClick()
{
    QChartViewer v;
    auto c = makeChart();
    v.setChart(c.get());
    QSignalSpy clicked(&v, &QChartViewer::clicked);
    QSignalSpy changed(&v, &QChartViewer::viewPortChanged);
    v.setMouseMode(QChartViewer::MouseUsageScroll);
    press(&v, 10, 10);
    move(&v, 200, 10, Qt::LeftButton);
    release(&v, 200, 10);
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(changed.count(), 0);
    QCOMPARE(v.viewPortManager()->getViewPortLeft(), 0.0);

    v.setMouseMode(QChartViewer::MouseUsageDefault);
    press(&v, 100, 100);
    move(&v, 200, 100, Qt::LeftButton);
    release(&v, 200, 100);
    QCOMPARE(clicked.count(), 2);
    QCOMPARE(changed.count(), 0);
    // Other buttons start nothing; their release is a click too.
    QTest::mouseClick(&v, Qt::RightButton, Qt::NoModifier, QPoint(100, 100));
    QCOMPARE(clicked.count(), 3);
}

void TestQChartViewer::zoomInByClickAndShortDrag()
{
    QChartViewer v;
    v.setUpdateInterval(0);
    auto c = makeChart();
    v.setChart(c.get());
    v.setMouseMode(QChartViewer::MouseUsageZoomIn);
    QSignalSpy changed(&v, &QChartViewer::viewPortChanged);
    QSignalSpy clicked(&v, &QChartViewer::clicked);
    bool chartFlag = false;
    bool mapFlag = false;
    connect(&v, &QChartViewer::viewPortChanged, this, [&] {
        chartFlag = v.needsChartUpdate();
        mapFlag = v.needsImageMapUpdate();
    });
    // A click at 3/4 of the plot zooms in by 2 around that point.
    press(&v, 275, 150);
    release(&v, 275, 150);
    QCOMPARE(changed.count(), 1);
    QVERIFY(chartFlag && mapFlag);
    QCOMPARE(v.viewPortManager()->getViewPortWidth(), 0.5);
    QCOMPARE(v.viewPortManager()->getViewPortLeft(), 0.375);
    QCOMPARE(clicked.count(), 0);
    // A drag shorter than the minimum drag counts as a click.
    press(&v, 200, 150);
    move(&v, 204, 150, Qt::LeftButton);
    release(&v, 204, 150);
    QCOMPARE(changed.count(), 2);
    QCOMPARE(v.viewPortManager()->getViewPortWidth(), 0.25);
}

void TestQChartViewer::zoomInByRectangleShowsSelectionBars()
{
    QChartViewer v;
    v.setUpdateInterval(0);
    auto c = makeChart();
    v.setChart(c.get());
    v.setMouseMode(QChartViewer::MouseUsageZoomIn);
    v.setSelectionBorderColor(Qt::red);
    press(&v, 250, 100);
    move(&v, 100, 150, Qt::LeftButton);
    // Horizontal zoom: the rectangle spans the plot height from x 100 to 250.
    const QList<QLabel *> bars = v.findChildren<QLabel *>();
    QCOMPARE(bars.size(), 4);
    QList<QRect> geometries;
    for (QLabel *b : bars) {
        QVERIFY(b->isVisibleTo(&v));
        QCOMPARE(b->palette().color(QPalette::Window), QColor(Qt::red));
        geometries << b->geometry();
    }
    QVERIFY(geometries.contains(QRect(100, 50, 150, 2)));  // top
    QVERIFY(geometries.contains(QRect(100, 50, 2, 200)));  // left
    QVERIFY(geometries.contains(QRect(100, 249, 150, 2))); // bottom
    QVERIFY(geometries.contains(QRect(249, 50, 2, 200)));  // right
    release(&v, 100, 150);
    for (QLabel *b : bars)
        QVERIFY(!b->isVisibleTo(&v));
    QCOMPARE(v.viewPortManager()->getViewPortLeft(), 50.0 / 300);
    QCOMPARE(v.viewPortManager()->getViewPortWidth(), 0.5);
}

void TestQChartViewer::zoomOutByClick()
{
    QChartViewer v;
    v.setUpdateInterval(0);
    auto c = makeChart();
    v.setChart(c.get());
    QSignalSpy changed(&v, &QChartViewer::viewPortChanged);
    v.setMouseMode(QChartViewer::MouseUsageZoomOut);
    press(&v, 200, 150);
    release(&v, 200, 150);
    QCOMPARE(changed.count(), 0); // already whole: nothing to zoom out
    v.viewPortManager()->setViewPortWidth(0.25);
    v.viewPortManager()->setViewPortLeft(0.5);
    press(&v, 200, 150);
    release(&v, 200, 150);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(v.viewPortManager()->getViewPortWidth(), 0.5);
}

void TestQChartViewer::dragScrollMovesTheView()
{
    QChartViewer v;
    v.setUpdateInterval(0);
    auto c = makeChart();
    v.setChart(c.get());
    v.setMouseMode(QChartViewer::MouseUsageScroll);
    v.viewPortManager()->setViewPortWidth(0.2);
    v.viewPortManager()->setViewPortLeft(0.8);
    QList<QPair<bool, bool>> flags;
    connect(&v, &QChartViewer::viewPortChanged, this,
            [&] { flags << qMakePair(v.needsChartUpdate(), v.needsImageMapUpdate()); });
    QSignalSpy clicked(&v, &QChartViewer::clicked);
    press(&v, 300, 150);
    move(&v, 297, 150, Qt::LeftButton); // below the minimum drag
    QCOMPARE(flags.size(), 0);
    move(&v, 150, 150,
         Qt::LeftButton);      // mouse right to left by 150 of 300 pixels: half a view later...
    QCOMPARE(flags.size(), 0); // ...but the view is already at the end
    move(&v, 450, 150, Qt::LeftButton); // left to right by 150 pixels: half a view earlier
    QCOMPARE(flags.size(), 1);
    QCOMPARE(flags.last(), qMakePair(true, false));
    QCOMPARE(v.viewPortManager()->getViewPortLeft(), 0.7);
    QCOMPARE(v.cursor().shape(), Qt::BitmapCursor);
    release(&v, 450, 150);
    QCOMPARE(flags.size(), 2);
    QCOMPARE(flags.last(), qMakePair(false, true));
    QCOMPARE(clicked.count(), 0);
    QCOMPARE(v.cursor().shape(), Qt::ArrowCursor);
}

void TestQChartViewer::requestsInsideHandlerAreIgnored()
{
    QChartViewer v;
    v.setUpdateInterval(0);
    int calls = 0;
    bool inside = false;
    connect(&v, &QChartViewer::viewPortChanged, this, [&] {
        ++calls;
        inside = v.isInViewPortChangedEvent();
        v.requestViewPortUpdate(true, true);
    });
    v.requestViewPortUpdate(true, false);
    QCOMPARE(calls, 1);
    QVERIFY(inside);
    QVERIFY(!v.isInViewPortChangedEvent());
    QVERIFY(!v.needsChartUpdate());
}

void TestQChartViewer::holdTimerMergesRequests()
{
    QChartViewer v;
    // Long enough that the polling of QTRY_COMPARE sees the restarted timer still running.
    v.setUpdateInterval(200);
    QList<QPair<bool, bool>> flags;
    connect(&v, &QChartViewer::viewPortChanged, this,
            [&] { flags << qMakePair(v.needsChartUpdate(), v.needsImageMapUpdate()); });
    v.requestViewPortUpdate(true, false);
    v.requestViewPortUpdate(false, true);
    QCOMPARE(flags.size(), 1);
    QCOMPARE(flags[0], qMakePair(true, false));
    QTRY_COMPARE(flags.size(), 2);
    QCOMPARE(flags[1], qMakePair(false, true));
    // The late update restarted the hold timer: these all wait and arrive as one.
    v.requestViewPortUpdate(true, false);
    v.requestViewPortUpdate(false, true);
    v.requestViewPortUpdate(false, false);
    QCOMPARE(flags.size(), 2);
    QTRY_COMPARE(flags.size(), 3);
    QCOMPARE(flags[2], qMakePair(true, true));
    QVERIFY(TimerBarrier::pass(v.updateInterval()));
    QCOMPARE(flags.size(), 3);
}

void TestQChartViewer::chartDeletedWhileDisplayPending()
{
    QChartViewer v;
    v.setUpdateInterval(0);
    std::unique_ptr<XYChart> current = makeChart(0xff0000);
    v.setChart(current.get());
    connect(&v, &QChartViewer::viewPortChanged, this, [&] {
        // The owner deletes the old chart before setting a new one, draws an
        // overlay, and may drop the new chart before the display is committed.
        v.setChart(nullptr);
        current = makeChart(0x0000ff);
        v.setChart(current.get());
        current->initDynamicLayer()->vline(50, 250, 200, 0x00ff00);
        v.refreshDisplay();
        current.reset();
    });
    v.requestViewPortUpdate(true, true);
    const QImage img = shown(v);
    QCOMPARE(QColor(img.pixel(10, 10)), QColor(0, 0, 255));
    QCOMPARE(QColor(img.pixel(200, 100)), QColor(0, 255, 0));
}

void TestQChartViewer::autoHideTriggers()
{
    QChartViewer v;
    auto c = makeChart();
    v.setChart(c.get());
    connect(&v, &QChartViewer::mouseMovePlotArea, this, [&] {
        c->initDynamicLayer()->vline(50, 250, v.plotAreaMouseX(), 0x000000);
        v.refreshDisplay();
        v.setAutoHideTrigger(QStringLiteral("mouseLeavePlotArea"));
    });
    move(&v, 200, 150);
    QCOMPARE(QColor(shown(v).pixel(200, 100)), QColor(0, 0, 0));
    move(&v, 10, 10);
    QCOMPARE(QColor(shown(v).pixel(200, 100)), QColor(255, 255, 255));

    c->initDynamicLayer()->vline(50, 250, 120, 0x000000);
    v.refreshDisplay();
    QCOMPARE(QColor(shown(v).pixel(120, 100)), QColor(0, 0, 0));
    v.setAutoHideTrigger(QStringLiteral("NOW"));
    QCOMPARE(QColor(shown(v).pixel(120, 100)), QColor(255, 255, 255));

    c->initDynamicLayer()->vline(50, 250, 120, 0x000000);
    v.setAutoHideTrigger(QStringLiteral("mouseleavechart"));
    v.refreshDisplay();
    leave(&v);
    QCOMPARE(QColor(shown(v).pixel(120, 100)), QColor(255, 255, 255));
}

void TestQChartViewer::hotSpotsAndCursors()
{
    QChartViewer v;
    auto c = makeChart();
    v.setChart(c.get());
    v.setImageMap(QStringLiteral(
        "<area shape=\"rect\" coords=\"60,60,90,90\" title=\"Freezer\" href=\"open\">"
        "<area shape=\"rect\" coords=\"100,60,130,90\" title=\"Info\">"));
    QVERIFY(v.imageMapHandler());
    move(&v, 70, 70);
    QCOMPARE(v.cursor().shape(), Qt::PointingHandCursor);
    move(&v, 110, 70);
    QCOMPARE(v.cursor().shape(), Qt::ArrowCursor);
    move(&v, 70, 70);
    QCOMPARE(v.cursor().shape(), Qt::PointingHandCursor);
    v.setImageMap(QString());
    QCOMPARE(v.imageMapHandler(), nullptr);
    move(&v, 71, 70);
    QCOMPARE(v.cursor().shape(), Qt::ArrowCursor);

    // Zoom cursors over the plot area: zoom in, then no-zoom once the limit is reached.
    v.setMouseMode(QChartViewer::MouseUsageZoomIn);
    move(&v, 200, 150);
    QCOMPARE(v.cursor().shape(), Qt::BitmapCursor);
    QCOMPARE(v.cursor().hotSpot(), QPoint(15, 15));
    QCOMPARE(v.cursor().bitmap(Qt::ReturnByValue).size(), QSize(32, 32));
    const QImage zoomIn = cursorImage(v);
    v.viewPortManager()->setZoomInWidthLimit(1);
    v.updateCursor();
    QVERIFY(cursorImage(v) != zoomIn);
    QChartViewer other;
    other.setChart(c.get());
    other.setMouseMode(QChartViewer::MouseUsageZoomIn);
    move(&other, 200, 150);
    QCOMPARE(cursorImage(other), zoomIn);
    move(&v, 10, 10);
    QCOMPARE(v.cursor().shape(), Qt::ArrowCursor);
}

void TestQChartViewer::wheelNeedsAReceiver()
{
    QChartViewer v;
    auto c = makeChart();
    v.setChart(c.get());
    QWheelEvent ignored(QPointF(100, 100), QPointF(100, 100), QPoint(), QPoint(0, 120),
                        Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&v, &ignored);
    QVERIFY(!ignored.isAccepted());
    int deltas = 0;
    connect(&v, &QChartViewer::mouseWheel, this,
            [&](QWheelEvent *e) { deltas += e->angleDelta().y(); });
    QWheelEvent used(QPointF(100, 100), QPointF(100, 100), QPoint(), QPoint(0, 120), Qt::NoButton,
                     Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&v, &used);
    QCOMPARE(deltas, 120);
}

void TestQChartViewer::labelSignalsResize()
{
    QChartViewerLabel label;
    QSignalSpy spy(&label, &QChartViewerLabel::refreshChart);
    label.resize(300, 200);
    label.show();
    QVERIFY(QTest::qWaitForWindowExposed(&label));
    const int before = spy.count();
    QVERIFY(before >= 1);
    label.resize(400, 250);
    QTRY_VERIFY(spy.count() > before);
}

QTEST_MAIN(TestQChartViewer)
#include "tst_qchartviewer.moc"
