#include "Axis.h"
#include "Chart.h"
#include "ChartCore.h"
#include "ColorTable.h"
#include "DrawArea.h"
#include "LegendBox.h"
#include "LineLayer.h"
#include "PlotArea.h"
#include "TTFText.h"
#include "TextBox.h"
#include "XYChart.h"

#include <QBuffer>
#include <QImageReader>
#include <QtTest>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

namespace {

bool isReddish(QRgb c)
{
    return qRed(c) > 150 && qGreen(c) < 110 && qBlue(c) < 110;
}

// Red pixels in a small vertical window around (x, y).
int redNear(const QImage &img, int x, int y)
{
    int n = 0;
    for (int dy = -2; dy <= 2; ++dy) {
        if (isReddish(img.pixel(x, y + dy)))
            ++n;
    }
    return n;
}

// A 400 x 300 chart on white with a fixed 0..9 x and 0..10 y scale.
std::unique_ptr<XYChart> simpleChart(const double *x, const double *y, int n, bool fast = false,
                                     int lineWidth = 2, bool sorted = false)
{
    auto c = std::make_unique<XYChart>(400, 300, 0xffffff);
    c->setPlotArea(50, 20, 300, 200, 0xffffff, -1, Chart::Transparent, Chart::Transparent,
                   Chart::Transparent);
    c->xAxis()->setLinearScale(0, 9);
    c->yAxis()->setLinearScale(0, 10);
    LineLayer *layer = c->addLineLayer2();
    layer->setLineWidth(lineWidth);
    layer->setFastLineMode(fast);
    if (x)
        layer->setXData(DoubleArray(x, n));
    layer->setXDataSorted(sorted);
    layer->addDataSet(DoubleArray(y, n), 0xff0000, QStringLiteral("CH1"));
    return c;
}

} // namespace

class TestXYChart : public QObject
{
    Q_OBJECT

private slots:
    void imageHasRequestedSizeAndGeometry();
    void valuesMapToPixels();
    void linesBreakAtMissingValues();
    void coloursCarryTransparency();
    void nearestValueAndIndexLookups();
    void autoScaleSkipsMissingValues();
    void dateAxisLabels();
    void dynamicLayerIsAnOverlay();
    void textAlignmentCodes();
    void fastLineLooksLikeFullLine();
    void thinFastLineWithSortedXLooksLikeFullLine();
    void handleOutlivesChartObject();
    void encodesBmpAndPng();
    void titleAndLegendAreDrawn();
    void badInputGivesSensibleCharts();
    void badSizes();
    void unsortedXStillLooksUp();
    void primitivesAndExtras();
    void sharedArraysAreNotCopied();
};

void TestXYChart::imageHasRequestedSizeAndGeometry()
{
    XYChart c(640, 250, 0x595959, Chart::Transparent, 0);
    PlotArea *pa =
        c.setPlotArea(45, 25, 590, 195, 0x303030, -1, Chart::Transparent, 0x80303030, 0x80303030);
    QCOMPARE(pa->getLeftX(), 45);
    QCOMPARE(pa->getTopY(), 25);
    QCOMPARE(pa->getRightX(), 635);
    QCOMPARE(pa->getBottomY(), 220);
    const QImage img = c.makeChart();
    QCOMPARE(img.size(), QSize(640, 250));
    QCOMPARE(QColor(img.pixel(2, 2)), QColor(0x59, 0x59, 0x59));
    // Inside the plot area, clear of the grid lines at its left edge.
    QCOMPARE(QColor(img.pixel(300, 100)), QColor(0x30, 0x30, 0x30));
    QCOMPARE(QColor(img.pixel(46, 200)), QColor(0x30, 0x30, 0x30));
    const ChartMetrics m = c.getChartMetrics();
    QVERIFY(m.valid);
    QCOMPARE(m.plotLeft, 45);
    QCOMPARE(m.plotWidth, 590);
    QCOMPARE(m.height, 250);
}

void TestXYChart::valuesMapToPixels()
{
    const double y[] = {1, 2};
    auto c = simpleChart(nullptr, y, 2);
    QCOMPARE(c->getXCoor(0), 50);
    QCOMPARE(c->getXCoor(9), 350);
    QCOMPARE(c->getXCoor(4.5), 200);
    QCOMPARE(c->getYCoor(0), 220);
    QCOMPARE(c->getYCoor(10), 20);
    QCOMPARE(c->getYCoor(5), 120);
    QVERIFY(c->getYCoor(Chart::NoValue) < 0 || c->getYCoor(Chart::NoValue) > 300);
    QCOMPARE(c->getXValue(200), 4.5);
}

void TestXYChart::linesBreakAtMissingValues()
{
    const double x[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    const double y[] = {5, 5, 5, 5, 5, Chart::NoValue, 5, 5, 5, 5};
    auto c = simpleChart(x, y, 10);
    const QImage img = c->makeChart();
    const int yPix = c->getYCoor(5);
    QVERIFY(redNear(img, (c->getXCoor(1) + c->getXCoor(2)) / 2, yPix) > 0);
    QVERIFY(redNear(img, (c->getXCoor(7) + c->getXCoor(8)) / 2, yPix) > 0);
    // Both segments touching the missing point are left out.
    QCOMPARE(redNear(img, (c->getXCoor(4) + c->getXCoor(5)) / 2, yPix), 0);
    QCOMPARE(redNear(img, (c->getXCoor(5) + c->getXCoor(6)) / 2, yPix), 0);
}

void TestXYChart::coloursCarryTransparency()
{
    QCOMPARE(ColorTable::toQColor(0x00ff0000), QColor(255, 0, 0, 255));
    QCOMPARE(ColorTable::toQColor(static_cast<int>(0x80303030u)).alpha(), 127);
    QCOMPARE(ColorTable::toQColor(Chart::Transparent).alpha(), 0);
    ColorTable table;
    QVERIFY(table.isTransparent(Chart::Transparent));
    QVERIFY(!table.isTransparent(0x000000));
    const int dash = table.dashLineColor(0x80f4f4f4, 0x0101);
    QVERIFY(ColorTable::isHandle(dash));
    QCOMPARE(table.pen(dash).dashPattern().size(), 2);
    QCOMPARE(table.baseColor(dash).alpha(), 127);
    const int grad = table.linearGradient(0, 0, 0, 100, 0x595959, 0x303030);
    QCOMPARE(table.brush(grad).style(), Qt::LinearGradientPattern);
    // A handle from another table is not a colour here: it draws nothing.
    ColorTable other;
    QVERIFY(other.isTransparent(grad));

    XYChart c(100, 100, 0xffffff);
    c.setPlotArea(0, 0, 100, 100, static_cast<int>(0x80000000u), -1, Chart::Transparent,
                  Chart::Transparent, Chart::Transparent);
    const QColor mid(c.makeChart().pixel(50, 50));
    QVERIFY(qAbs(mid.red() - 128) <= 2);
}

void TestXYChart::nearestValueAndIndexLookups()
{
    // The recorder's history: missing times first, then ascending times.
    std::vector<double> times(240, Chart::NoValue);
    std::vector<double> values(240, Chart::NoValue);
    const double newest = Chart::chartTime(2026, 3, 14, 12, 0, 0);
    for (int i = 200; i < 240; ++i) {
        times[static_cast<size_t>(i)] = newest - (239 - i) * 5;
        values[static_cast<size_t>(i)] = 20 + i % 3;
    }
    XYChart c(600, 300, 0x595959);
    c.setPlotArea(45, 25, 550, 245);
    c.xAxis()->setDateScale(newest - 240 * 5, newest);
    LineLayer *layer = c.addLineLayer2(Chart::Overlay, 0);
    layer->setXData(DoubleArray(times.data(), 240));
    DataSet *ds =
        layer->addDataSet(DoubleArray(values.data(), 240), 0xff0000, QStringLiteral("CH1"));
    const PlotArea *pa = c.getPlotArea();

    const double right = c.getNearestXValue(pa->getRightX());
    QCOMPARE(right, newest);
    QCOMPARE(c.getXCoor(right), pa->getRightX());
    QCOMPARE(layer->getXIndexOf(right), 239);
    QCOMPARE(ds->getValue(239), 20.0 + 239 % 3);
    // Left of the data the nearest point is the oldest one that exists.
    QCOMPARE(c.getNearestXValue(pa->getLeftX()), times[200]);
    const int mid = c.getXCoor(times[220]) + 1;
    QCOMPARE(c.getNearestXValue(mid), times[220]);
    QCOMPARE(layer->getXIndexOf(times[220] + 1), -1);
    QCOMPARE(layer->getXIndexOf(Chart::NoValue), -1);
    QCOMPARE(ds->getValue(-1), Chart::NoValue);
    QCOMPARE(ds->getValue(240), Chart::NoValue);
    QCOMPARE(ds->getDataName(), QStringLiteral("CH1"));
    QCOMPARE(ds->getDataColor(), 0xff0000);
    QVERIFY(ds->getLegendIcon().contains(QStringLiteral("color=ff0000")));
    QCOMPARE(ds->getUseYAxis(), c.yAxis());
    QCOMPARE(c.getLayerByZ(0), layer);
    QCOMPARE(c.getLayer(1), nullptr);
}

void TestXYChart::autoScaleSkipsMissingValues()
{
    const double y[] = {21.5, Chart::NoValue, 23.25, std::numeric_limits<double>::infinity(), 22};
    XYChart c(400, 300);
    c.setPlotArea(40, 10, 350, 250);
    c.addLineLayer(DoubleArray(y, 5), 0xff0000);
    c.layoutAxes();
    QVERIFY(c.yAxis()->getMinValue() <= 21.5);
    QVERIFY(c.yAxis()->getMinValue() > 15);
    QVERIFY(c.yAxis()->getMaxValue() >= 23.25);
    QVERIFY(c.yAxis()->getMaxValue() < 30);
    QCOMPARE(c.xAxis()->getMinValue(), 0.0);
    QCOMPARE(c.xAxis()->getMaxValue(), 4.0);
}

void TestXYChart::dateAxisLabels()
{
    const double newest = Chart::chartTime(2026, 3, 14, 15, 9, 26);
    XYChart c(690, 260);
    c.setPlotArea(45, 25, 640, 205);
    c.xAxis()->setTickDensity(75, 15);
    c.xAxis()->setDateScale(newest - 240, newest);
    c.xAxis()->setLabelFormat(QStringLiteral("{value|hh:nn:ss}"));
    c.layoutAxes();
    QCOMPARE(c.xAxis()->labels(), QStringList({"15:05:30", "15:06:00", "15:06:30", "15:07:00",
                                               "15:07:30", "15:08:00", "15:08:30", "15:09:00"}));
    QVERIFY(c.xAxis()->isDateScale());
    QCOMPARE(c.xAxis()->getFormattedLabel(newest), QStringLiteral("15:09:26"));
    QCOMPARE(c.xAxis()->getFormattedLabel(newest, QStringLiteral("{value|yyyy}")),
             QStringLiteral("2026"));
    QCOMPARE(c.formatValue(newest, QStringLiteral("yyyy-mm-dd hh:nn:ss")),
             QStringLiteral("2026-03-14 15:09:26"));
}

void TestXYChart::dynamicLayerIsAnOverlay()
{
    const double y[] = {1, 2, 3};
    auto c = simpleChart(nullptr, y, 3);
    const QImage base = c->makeChart();
    DrawArea *d = c->initDynamicLayer();
    QCOMPARE(d->getWidth(), 400);
    d->vline(20, 220, 300, 0x0000ff);
    const QImage withLine = c->makeChart();
    QCOMPARE(QColor(withLine.pixel(300, 100)), QColor(0, 0, 255));
    QVERIFY(base.pixel(300, 100) != withLine.pixel(300, 100));
    // A second init starts from a clean overlay.
    c->initDynamicLayer()->circle(100, 100, 4, 4, 0x00ff00, 0x00ff00);
    const QImage withDot = c->makeChart();
    QCOMPARE(withDot.pixel(300, 100), base.pixel(300, 100));
    QCOMPARE(QColor(withDot.pixel(100, 100)), QColor(0, 255, 0));
    c->removeDynamicLayer();
    QCOMPARE(c->makeChart(), base);
    // A dotted line leaves gaps.
    DrawArea *dots = c->initDynamicLayer();
    dots->vline(20, 220, 300, dots->dashLineColor(0x000000, 0x0101));
    const QImage dotted = c->makeChart();
    int dark = 0;
    for (int yy = 50; yy < 150; ++yy)
        dark += qRed(dotted.pixel(300, yy)) < 100 ? 1 : 0;
    QVERIFY(dark > 30 && dark < 70);
}

void TestXYChart::textAlignmentCodes()
{
    double l = 0;
    double t = 0;
    TTFText::alignedOrigin(Chart::TopLeft, 100, 50, 40, 10, l, t);
    QCOMPARE(QPointF(l, t), QPointF(100, 50));
    TTFText::alignedOrigin(Chart::BottomLeft, 100, 50, 40, 10, l, t);
    QCOMPARE(QPointF(l, t), QPointF(100, 40));
    TTFText::alignedOrigin(Chart::Right, 100, 50, 40, 10, l, t);
    QCOMPARE(QPointF(l, t), QPointF(60, 45));
    TTFText::alignedOrigin(Chart::Center, 100, 50, 40, 10, l, t);
    QCOMPARE(QPointF(l, t), QPointF(80, 45));
    TTFText::alignedOrigin(Chart::TopCenter, 100, 50, 40, 10, l, t);
    QCOMPARE(QPointF(l, t), QPointF(80, 50));
    TTFText::alignedOrigin(0, 100, 50, 40, 10, l, t);
    QCOMPARE(QPointF(l, t), QPointF(100, 50));

    XYChart c(300, 100, 0x000000);
    DrawArea *d = c.initDynamicLayer();
    TTFText *text = d->text3(QStringLiteral("<*font,bgColor=ff0000*> 12.50 <*font*>"),
                             QStringLiteral("arialbd.ttf"), 8);
    QVERIFY(text->getWidth() > 20);
    QVERIFY(text->getHeight() >= 8);
    const int w = text->getWidth();
    text->draw(150, 50, 0xffffff, Chart::Right);
    text->destroy();
    const QImage img = c.makeChart();
    QVERIFY(isReddish(img.pixel(150 - w + 1, 50)));
    QVERIFY(!isReddish(img.pixel(152, 50)));
}

void TestXYChart::fastLineLooksLikeFullLine()
{
    const int n = 200000;
    std::vector<double> x(n);
    std::vector<double> y(n);
    for (int i = 0; i < n; ++i) {
        x[static_cast<size_t>(i)] = i * 9.0 / n;
        y[static_cast<size_t>(i)] = 5 + 3 * std::sin(i / 3000.0) + std::sin(i * 0.9);
    }
    const QImage full = simpleChart(x.data(), y.data(), n, false)->makeChart();
    const QImage fast = simpleChart(x.data(), y.data(), n, true)->makeChart();
    int differ = 0;
    int red = 0;
    for (int yy = 20; yy <= 220; ++yy) {
        for (int xx = 50; xx <= 350; ++xx) {
            const bool a = isReddish(full.pixel(xx, yy));
            red += a ? 1 : 0;
            differ += a != isReddish(fast.pixel(xx, yy)) ? 1 : 0;
        }
    }
    QVERIFY(red > 5000);
    // Only anti-aliased edge pixels may differ: many overlapping strokes saturate them.
    QVERIFY2(differ * 20 < red,
             qPrintable(QStringLiteral("%1 of %2 line pixels differ").arg(differ).arg(red)));
}

// One pixel wide dense lines draw their column spans without smoothing, and
// a caller's promise of sorted x skips the order pass: neither may show.
void TestXYChart::thinFastLineWithSortedXLooksLikeFullLine()
{
    const int n = 300000;
    std::vector<double> x(n);
    std::vector<double> y(n);
    for (int i = 0; i < n; ++i) {
        x[static_cast<size_t>(i)] = i * 9.0 / n;
        // Loud and quiet stretches, and a gap.
        const double noise = (i / 50000) % 2 == 0 ? 1.0 : 0.05;
        y[static_cast<size_t>(i)] = i >= 140000 && i < 150000
                                        ? Chart::NoValue
                                        : 5 + 3 * std::sin(i / 9000.0) + noise * std::sin(i * 0.9);
    }
    const QImage full = simpleChart(x.data(), y.data(), n, false, 1)->makeChart();
    const QImage fast = simpleChart(x.data(), y.data(), n, true, 1, true)->makeChart();
    QCOMPARE(simpleChart(x.data(), y.data(), n, true, 1, false)->makeChart(), fast);
    // Thin strokes that overlap saturate differently, so compare what a reader
    // sees: the vertical extent of the line in each pixel column, within the
    // few pixels that smoothing spreads a stroke.
    int columns = 0;
    int alike = 0;
    for (int xx = 51; xx < 350; ++xx) {
        int top[2] = {-1, -1};
        int bottom[2] = {-1, -1};
        for (int k = 0; k < 2; ++k) {
            const QImage &img = k == 0 ? full : fast;
            for (int yy = 20; yy <= 220; ++yy) {
                if (!isReddish(img.pixel(xx, yy)))
                    continue;
                if (top[k] < 0)
                    top[k] = yy;
                bottom[k] = yy;
            }
        }
        if (top[0] < 0 && top[1] < 0)
            continue;
        ++columns;
        alike += std::abs(top[0] - top[1]) <= 3 && std::abs(bottom[0] - bottom[1]) <= 3 ? 1 : 0;
    }
    // Columns at the edges of the loud stretches and of the gap may differ.
    QVERIFY(columns > 250);
    QVERIFY2(alike * 100 >= columns * 95,
             qPrintable(QStringLiteral("%1 of %2 columns alike").arg(alike).arg(columns)));
    // The gap stays open: no line pixel in its middle columns.
    const int gapX = 50 + int(300 * 145000.0 / n);
    int inGap = 0;
    for (int yy = 20; yy <= 220; ++yy)
        inGap += isReddish(fast.pixel(gapX, yy)) ? 1 : 0;
    QCOMPARE(inGap, 0);
}

void TestXYChart::handleOutlivesChartObject()
{
    const double y[] = {1, 5, 2};
    auto c = simpleChart(nullptr, y, 3);
    c->initDynamicLayer()->circle(60, 60, 3, 3, 0x0000ff, 0x0000ff);
    const QImage expected = c->makeChart();
    const ChartHandle handle = c->handle();
    c.reset();
    QCOMPARE(BaseChart::makeChart(handle), expected);
    QCOMPARE(BaseChart::getChartMetrics(handle).plotWidth, 300);
    QVERIFY(BaseChart::makeChart(ChartHandle()).isNull());
    QVERIFY(!BaseChart::getChartMetrics(ChartHandle()).valid);
}

void TestXYChart::encodesBmpAndPng()
{
    const double y[] = {1, 5, 2};
    auto c = simpleChart(nullptr, y, 3);
    for (int format : {int(Chart::BMP), int(Chart::PNG)}) {
        QByteArray data = c->makeChart2(format);
        QVERIFY(!data.isEmpty());
        if (format == Chart::BMP)
            QVERIFY(data.startsWith("BM"));
        QBuffer buffer(&data);
        QImageReader reader(&buffer);
        const QImage img = reader.read();
        QCOMPARE(img.size(), QSize(400, 300));
        QCOMPARE(img.pixel(10, 10) & 0xffffff, 0xffffffu);
    }
}

void TestXYChart::titleAndLegendAreDrawn()
{
    const double y[] = {1, 5, 2};
    XYChart c(400, 200, 0x000000);
    c.setPlotArea(50, 60, 300, 100, 0x000000);
    TextBox *title =
        c.addTitle(QStringLiteral("Moravin Chart"), QStringLiteral("timesbi.ttf"), 14, 0xffffff);
    QCOMPARE(title->fontSize(), 14.0);
    LegendBox *legend = c.addLegend(35, 30, false, QStringLiteral("segoeui.ttf"), 8);
    legend->setBackground(Chart::Transparent, Chart::Transparent);
    legend->setFontColor(0xf4f4f4);
    legend->setLineStyleKey();
    c.addLineLayer(DoubleArray(y, 3), 0xff0000, QStringLiteral("Freezer"));
    const QImage img = c.makeChart();
    auto brightIn = [&](const QRect &r) {
        int n = 0;
        for (int yy = r.top(); yy <= r.bottom(); ++yy)
            for (int xx = r.left(); xx <= r.right(); ++xx)
                n += qGray(img.pixel(xx, yy)) > 100 ? 1 : 0;
        return n;
    };
    QVERIFY(brightIn(QRect(120, 0, 160, 25)) > 20); // the title, centred at the top
    QVERIFY(brightIn(QRect(60, 30, 80, 18)) > 10);  // the legend's name
    int redKey = 0;
    for (int xx = 35; xx < 65; ++xx)
        for (int yy = 30; yy < 50; ++yy)
            redKey += isReddish(img.pixel(xx, yy)) ? 1 : 0;
    QVERIFY(redKey > 5);
}

void TestXYChart::badInputGivesSensibleCharts()
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const double allMissing[] = {Chart::NoValue, Chart::NoValue, Chart::NoValue};
    const double single[] = {4};
    const double weird[] = {nan, inf, -inf, 3, Chart::NoValue, -Chart::NoValue};
    const double xWeird[] = {nan, 1, inf, 3, 4, 5};
    struct Case
    {
        const char *name;
        const double *x;
        const double *y;
        int n;
    } cases[] = {{"empty", nullptr, nullptr, 0}, {"all missing", nullptr, allMissing, 3},
                 {"single", nullptr, single, 1}, {"nan and infinity", nullptr, weird, 6},
                 {"bad x", xWeird, weird, 6},    {"x longer than data", xWeird, single, 1}};
    for (const Case &k : cases) {
        XYChart c(300, 200, 0xffffff);
        c.setPlotArea(40, 20, 240, 150);
        LineLayer *layer = c.addLineLayer2();
        layer->setFastLineMode();
        if (k.x)
            layer->setXData(DoubleArray(k.x, 6));
        layer->addDataSet(DoubleArray(k.y, k.n), 0xff0000, QStringLiteral("A"));
        const QImage img = c.makeChart();
        QVERIFY2(img.size() == QSize(300, 200), k.name);
        QVERIFY2(std::isfinite(c.yAxis()->getMinValue()) && std::isfinite(c.yAxis()->getMaxValue()),
                 k.name);
        QVERIFY2(c.yAxis()->getMinValue() < c.yAxis()->getMaxValue(), k.name);
        const double nearest = c.getNearestXValue(100);
        QVERIFY2(!std::isnan(nearest), k.name);
        QCOMPARE(layer->getXIndexOf(nan), -1);
        DrawArea *d = c.initDynamicLayer();
        d->vline(20, 170, c.getXCoor(nearest), 0x000000);
        QVERIFY2(c.makeChart().size() == QSize(300, 200), k.name);
    }
    // A chart without any layer still shows its axes.
    XYChart bare(200, 100);
    bare.setPlotArea(30, 10, 160, 70);
    QCOMPARE(bare.makeChart().size(), QSize(200, 100));
    QVERIFY(bare.xAxis()->labels().isEmpty());
    QVERIFY(!bare.yAxis()->labels().isEmpty());
}

void TestXYChart::badSizes()
{
    XYChart zero(0, 0);
    QVERIFY(zero.makeChart().isNull());
    QVERIFY(zero.makeChart2(Chart::BMP).isEmpty());
    XYChart negative(-50, 100);
    QCOMPARE(negative.getWidth(), 0);
    QVERIFY(negative.makeChart().isNull());
    XYChart huge(1000000, 10);
    QCOMPARE(huge.getWidth(), ChartCore::MaxSide);

    const double y[] = {1, 2, 3};
    XYChart odd(100, 80);
    odd.setPlotArea(50, 40, -20, 1000);
    odd.addLineLayer(DoubleArray(y, 3));
    QCOMPARE(odd.makeChart().size(), QSize(100, 80));
    QCOMPARE(odd.getPlotArea()->getWidth(), 0);
    odd.initDynamicLayer()
        ->text3(QStringLiteral("<*block*><*/*><*/*><*font*>x<*unknown*><*"), QString(), -3)
        ->draw(5, 5, 0);
    QCOMPARE(odd.makeChart().size(), QSize(100, 80));

    XYChart reversed(200, 100);
    reversed.setPlotArea(20, 10, 160, 70);
    reversed.xAxis()->setDateScale(1000, 10);
    reversed.yAxis()->setLinearScale(nan(""), 5);
    reversed.addLineLayer(DoubleArray(y, 3));
    QCOMPARE(reversed.makeChart().size(), QSize(200, 100));
    QVERIFY(reversed.xAxis()->getMinValue() < reversed.xAxis()->getMaxValue());
}

void TestXYChart::unsortedXStillLooksUp()
{
    const double x[] = {5, 1, 9, 3};
    const double y[] = {1, 2, 3, 4};
    XYChart c(300, 200);
    c.setPlotArea(20, 10, 260, 170);
    c.xAxis()->setLinearScale(0, 10);
    LineLayer *layer = c.addLineLayer2();
    layer->setXData(DoubleArray(x, 4));
    layer->addDataSet(DoubleArray(y, 4), 0xff0000);
    QCOMPARE(layer->getXIndexOf(9), 2);
    QCOMPARE(layer->getXIndexOf(3), 3);
    QCOMPARE(c.getNearestXValue(c.getXCoor(8.6)), 9.0);
    QCOMPARE(c.getNearestXValue(c.getXCoor(2.2)), 3.0);
    QCOMPARE(c.makeChart().size(), QSize(300, 200));
}

void TestXYChart::primitivesAndExtras()
{
    XYChart c(200, 100, 0x808080, Chart::Transparent, 3);
    c.setPlotArea(40, 20, 150, 60, 0x808080, -1, Chart::Transparent, Chart::Transparent,
                  Chart::Transparent);
    QImage img = c.makeChart();
    QVERIFY(qGray(img.pixel(1, 50)) > 0x90);   // raised: light left edge
    QVERIFY(qGray(img.pixel(198, 50)) < 0x70); // and dark right edge
    QCOMPARE(img.pixel(100, 50), QColor(0x80, 0x80, 0x80).rgb());

    DrawArea *d = c.initDynamicLayer();
    d->hline(10, 100, 30, 0x0000ff);
    d->rect(120, 40, 130, 50, 0x000000, 0xff0000);
    d->line(10, 90, 60, 90, 0x00ff00, 3);
    img = c.makeChart();
    QCOMPARE(QColor(img.pixel(50, 30)), QColor(0, 0, 255));
    QCOMPARE(QColor(img.pixel(125, 45)), QColor(255, 0, 0));
    QCOMPARE(QColor(img.pixel(120, 45)), QColor(0, 0, 0));
    QCOMPARE(QColor(img.pixel(30, 90)), QColor(0, 255, 0));

    // An evenly spaced x range and an axis title.
    const double y[] = {1, 2, 3, 4, 5};
    XYChart r(300, 200, 0xffffff);
    r.setPlotArea(60, 10, 220, 140);
    LineLayer *layer = r.addLineLayer2();
    layer->setXData(100, 200);
    layer->addDataSet(DoubleArray(y, 5), 0xff0000);
    QCOMPARE(layer->getXIndexOf(150), 2);
    QCOMPARE(r.getNearestXValue(r.getXCoor(170)), 175.0);
    r.xAxis()->setTitle(QStringLiteral("Time"), QStringLiteral("arialbd.ttf"), 10);
    const QImage titled = r.makeChart();
    int dark = 0;
    for (int yy = 170; yy < 200; ++yy)
        for (int xx = 150; xx < 190; ++xx)
            dark += qGray(titled.pixel(xx, yy)) < 128 ? 1 : 0;
    QVERIFY(dark > 10);
}

void TestXYChart::sharedArraysAreNotCopied()
{
    QVector<double> series(1000);
    for (int i = 0; i < series.size(); ++i)
        series[i] = i;
    const DoubleArray slice(series, 100, 50);
    QCOMPARE(slice.len(), 50);
    QCOMPARE(slice.data(), series.constData() + 100);
    QCOMPARE(slice[0], 100.0);
    // The slice keeps its buffer even when the owner lets go.
    DoubleArray kept;
    {
        QVector<double> temporary(10, 7.0);
        kept = DoubleArray(temporary, 8, 99);
    }
    QCOMPARE(kept.len(), 2);
    QCOMPARE(kept[1], 7.0);
    QCOMPARE(DoubleArray(series, -5, 3).data(), series.constData());
    QCOMPARE(DoubleArray(series, 5000).len(), 0);
    QCOMPARE(DoubleArray(nullptr, 10).len(), 0);
}

QTEST_MAIN(TestXYChart)
#include "tst_xychart.moc"
