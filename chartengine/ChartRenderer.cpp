#include "ChartRenderer.h"

#include "ChartCore.h"
#include "FastLineReducer.h"
#include "FontCatalog.h"
#include "LineLayer.h"
#include "MarkupText.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

QImage ChartRenderer::render(ChartCore &c)
{
    if (c.width <= 0 || c.height <= 0)
        return QImage();
    QImage img(c.width, c.height, QImage::Format_ARGB32_Premultiplied);
    if (img.isNull())
        return img;
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.fillRect(img.rect(), c.colors.brush(c.bgColor));
    const QPen edge = c.colors.pen(c.edgeColor);
    if (edge.style() != Qt::NoPen) {
        p.setPen(edge);
        p.drawRect(0, 0, c.width - 1, c.height - 1);
    }
    paintRaised(p, QRectF(img.rect()), c.raisedEffect);
    paintPlotArea(p, c);
    paintLayers(p, c);
    paintXAxis(p, c);
    paintYAxis(p, c);
    paintTitles(p, c);
    paintLegend(p, c);
    return img;
}

void ChartRenderer::paintRaised(QPainter &p, const QRectF &rect, int width)
{
    if (width <= 0 || rect.width() < 2 * width || rect.height() < 2 * width)
        return;
    const QPointF tl = rect.topLeft();
    const QPointF tr = rect.topRight();
    const QPointF bl = rect.bottomLeft();
    const QPointF br = rect.bottomRight();
    const QPointF in(width, width);
    const QPointF inTr(-width, width);
    const QPointF inBl(width, -width);
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 90));
    p.drawPolygon(QPolygonF({tl, tr, tr + inTr, tl + in, bl + inBl, bl}));
    p.setBrush(QColor(0, 0, 0, 90));
    p.drawPolygon(QPolygonF({br, bl, bl + inBl, br - in, tr + inTr, tr}));
    p.restore();
}

void ChartRenderer::paintPlotArea(QPainter &p, ChartCore &c)
{
    const PlotArea &pa = *c.plotArea;
    if (pa.getWidth() <= 0 || pa.getHeight() <= 0)
        return;
    const QRect rect(pa.getLeftX(), pa.getTopY(), pa.getWidth() + 1, pa.getHeight() + 1);
    p.fillRect(rect, c.colors.brush(pa.bgColor()));

    const std::vector<double> &yTicks = c.yAxis->ticks().major;
    if (!c.colors.isTransparent(pa.altBgColor())) {
        const QBrush alt = c.colors.brush(pa.altBgColor());
        for (size_t i = 1; i < yTicks.size(); i += 2) {
            const int y1 = c.yAxis->getCoor(yTicks[i - 1]);
            const int y2 = c.yAxis->getCoor(yTicks[i]);
            p.fillRect(QRect(QPoint(rect.left(), qMin(y1, y2)), QPoint(rect.right(), qMax(y1, y2))),
                       alt);
        }
    }

    p.setRenderHint(QPainter::Antialiasing, false);
    const QPen vGrid = c.colors.pen(pa.vGridColor());
    if (vGrid.style() != Qt::NoPen) {
        p.setPen(vGrid);
        for (double v : c.xAxis->ticks().major) {
            const int x = c.xAxis->getCoor(v);
            if (x >= pa.getLeftX() && x <= pa.getRightX())
                p.drawLine(x, pa.getTopY(), x, pa.getBottomY());
        }
    }
    const QPen hGrid = c.colors.pen(pa.hGridColor());
    if (hGrid.style() != Qt::NoPen) {
        p.setPen(hGrid);
        for (double v : yTicks) {
            const int y = c.yAxis->getCoor(v);
            if (y >= pa.getTopY() && y <= pa.getBottomY())
                p.drawLine(pa.getLeftX(), y, pa.getRightX(), y);
        }
    }
}

// A fast line over many points is mostly the vertical spans of dense pixel
// columns. Smoothing a 1 pixel wide vertical span changes nothing a reader
// sees but costs most of the drawing time, so the spans are drawn plain and
// only the segments between them smoothed.
void ChartRenderer::paintDenseRun(QPainter &p, const QVector<QPointF> &run)
{
    QVector<QLineF> spans;
    QVector<QLineF> joins;
    spans.reserve(run.size() / 2);
    joins.reserve(run.size() / 2);
    for (int i = 1; i < run.size(); ++i) {
        const QLineF segment(run[i - 1], run[i]);
        if (segment.x1() == segment.x2())
            spans.append(segment);
        else
            joins.append(segment);
    }
    p.drawLines(joins);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.drawLines(spans);
    p.setRenderHint(QPainter::Antialiasing, true);
}

void ChartRenderer::paintLayers(QPainter &p, ChartCore &c)
{
    const PlotArea &pa = *c.plotArea;
    p.save();
    // Without clipping the clip is the image itself: it changes nothing that
    // is drawn, but puts QPainter's raster engine on its clipped line path,
    // four times faster for a dense line than the unclipped one.
    if (c.clipping) {
        const int m = c.clipMargin;
        p.setClipRect(QRect(pa.getLeftX() - m, pa.getTopY() - m, pa.getWidth() + 2 * m + 1,
                            pa.getHeight() + 2 * m + 1));
    } else {
        p.setClipRect(QRect(0, 0, p.device()->width(), p.device()->height()));
    }
    p.setRenderHint(QPainter::Antialiasing, true);
    QVector<QPointF> run;
    for (const auto &layer : c.layers) {
        for (int k = 0; k < layer->getDataSetCount(); ++k) {
            const QPen pen = c.colors.pen(layer->getDataSet(k)->getDataColor(), layer->lineWidth());
            if (pen.style() == Qt::NoPen || layer->lineWidth() <= 0)
                continue;
            p.setPen(pen);
            const std::vector<QPointF> &pts = layer->reduced(k);
            run.clear();
            run.reserve(static_cast<int>(qMin<size_t>(pts.size(), 1 << 20)));
            const bool thin = layer->lineWidth() <= 1;
            auto flush = [&]() {
                if (run.size() > 1) {
                    if (thin && run.size() > 2 * pa.getWidth())
                        paintDenseRun(p, run);
                    else
                        p.drawPolyline(run.constData(), run.size());
                }
                run.clear();
            };
            for (const QPointF &pt : pts) {
                if (FastLineReducer::isBreak(pt)) {
                    flush();
                    continue;
                }
                run.append(QPointF(c.xAxis->getCoorF(pt.x()), c.yAxis->getCoorF(pt.y())));
            }
            flush();
        }
    }
    p.restore();
    const QPen edge = c.colors.pen(pa.edgeColor());
    if (edge.style() != Qt::NoPen && pa.getWidth() > 0 && pa.getHeight() > 0) {
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(edge);
        p.setBrush(Qt::NoBrush);
        p.drawRect(pa.getLeftX(), pa.getTopY(), pa.getWidth(), pa.getHeight());
    }
}

void ChartRenderer::paintXAxis(QPainter &p, ChartCore &c)
{
    const Axis &ax = *c.xAxis;
    const PlotArea &pa = *c.plotArea;
    p.setRenderHint(QPainter::Antialiasing, false);
    const int y0 = pa.getBottomY();
    const int w = ax.width();
    if (w > 0)
        p.fillRect(
            QRect(pa.getLeftX() - c.yAxis->width(), y0, pa.getWidth() + c.yAxis->width() + 1, w),
            c.colors.brush(ax.axisColor()));
    const QPen tick = c.colors.pen(ax.tickColor());
    const int tickTop = y0 + w;
    if (tick.style() != Qt::NoPen) {
        p.setPen(tick);
        for (double v : ax.ticks().minor) {
            const int x = ax.getCoor(v);
            if (x >= pa.getLeftX() && x <= pa.getRightX() && ax.minorTickLength() > 0)
                p.drawLine(x, tickTop, x, tickTop + ax.minorTickLength() - 1);
        }
        for (double v : ax.ticks().major) {
            const int x = ax.getCoor(v);
            if (x >= pa.getLeftX() && x <= pa.getRightX() && ax.majorTickLength() > 0)
                p.drawLine(x, tickTop, x, tickTop + ax.majorTickLength() - 1);
        }
    }
    const QColor labelColor = c.colors.baseColor(ax.labelColor());
    const int labelTop = tickTop + qMax(0, ax.majorTickLength()) + 2;
    int labelBottom = labelTop;
    p.setRenderHint(QPainter::TextAntialiasing, true);
    const QStringList &labels = ax.labels();
    for (int i = 0; i < labels.size() && i < static_cast<int>(ax.ticks().major.size()); ++i) {
        if (labels[i].isEmpty())
            continue;
        const double x = ax.getCoorF(ax.ticks().major[static_cast<size_t>(i)]);
        if (x < pa.getLeftX() - 0.5 || x > pa.getRightX() + 0.5)
            continue;
        const MarkupText text(labels[i], ax.labelFont(), ax.labelFontSize());
        text.paint(p, std::round(x - text.widthF() / 2), labelTop, labelColor);
        labelBottom = qMax(labelBottom, labelTop + text.height());
    }
    if (!ax.title().isEmpty()) {
        const MarkupText title(ax.title(), ax.titleFont(), ax.titleFontSize());
        const double cx = pa.getLeftX() + pa.getWidth() / 2.0;
        title.paint(p, std::round(cx - title.widthF() / 2), labelBottom + 2,
                    c.colors.baseColor(ax.titleColor()));
    }
}

void ChartRenderer::paintYAxis(QPainter &p, ChartCore &c)
{
    const Axis &ax = *c.yAxis;
    const PlotArea &pa = *c.plotArea;
    p.setRenderHint(QPainter::Antialiasing, false);
    const int w = ax.width();
    const int x0 = pa.getLeftX();
    if (w > 0)
        p.fillRect(QRect(x0 - w, pa.getTopY(), w, pa.getHeight() + 1),
                   c.colors.brush(ax.axisColor()));
    const QPen tick = c.colors.pen(ax.tickColor());
    const int tickRight = x0 - w - 1;
    if (tick.style() != Qt::NoPen) {
        p.setPen(tick);
        for (double v : ax.ticks().minor) {
            const int y = ax.getCoor(v);
            if (y >= pa.getTopY() && y <= pa.getBottomY() && ax.minorTickLength() > 0)
                p.drawLine(tickRight - ax.minorTickLength() + 1, y, tickRight, y);
        }
        for (double v : ax.ticks().major) {
            const int y = ax.getCoor(v);
            if (y >= pa.getTopY() && y <= pa.getBottomY() && ax.majorTickLength() > 0)
                p.drawLine(tickRight - ax.majorTickLength() + 1, y, tickRight, y);
        }
    }
    const QColor labelColor = c.colors.baseColor(ax.labelColor());
    const double labelRight = tickRight - qMax(0, ax.majorTickLength()) - 2;
    double labelLeft = labelRight;
    p.setRenderHint(QPainter::TextAntialiasing, true);
    const QStringList &labels = ax.labels();
    for (int i = 0; i < labels.size() && i < static_cast<int>(ax.ticks().major.size()); ++i) {
        if (labels[i].isEmpty())
            continue;
        const double y = ax.getCoorF(ax.ticks().major[static_cast<size_t>(i)]);
        if (y < pa.getTopY() - 0.5 || y > pa.getBottomY() + 0.5)
            continue;
        const MarkupText text(labels[i], ax.labelFont(), ax.labelFontSize());
        text.paint(p, std::round(labelRight - text.widthF()), std::round(y - text.heightF() / 2),
                   labelColor);
        labelLeft = qMin(labelLeft, labelRight - text.widthF());
    }
    if (!ax.title().isEmpty()) {
        const MarkupText title(ax.title(), ax.titleFont(), ax.titleFontSize());
        p.save();
        p.translate(labelLeft - 3 - title.heightF(),
                    pa.getTopY() + pa.getHeight() / 2.0 + title.widthF() / 2);
        p.rotate(-90);
        title.paint(p, 0, 0, c.colors.baseColor(ax.titleColor()));
        p.restore();
    }
}

void ChartRenderer::paintTitles(QPainter &p, ChartCore &c)
{
    double top = 0;
    for (const auto &box : c.titles) {
        const MarkupText text(box->text(), box->font(), box->fontSize());
        const int m = box->margin();
        const QRectF r(std::round((c.width - text.widthF()) / 2 - m), top, text.widthF() + 2 * m,
                       text.heightF() + 2 * m);
        p.fillRect(r, c.colors.brush(box->backgroundColor()));
        paintRaised(p, r, box->raisedEffect());
        const QPen edge = c.colors.pen(box->edgeColor());
        if (edge.style() != Qt::NoPen) {
            p.setPen(edge);
            p.setBrush(Qt::NoBrush);
            p.drawRect(r);
        }
        text.paint(p, r.left() + m, r.top() + m, c.colors.baseColor(box->fontColor()));
        top = r.bottom();
    }
}

void ChartRenderer::paintLegend(QPainter &p, ChartCore &c)
{
    const LegendBox *legend = c.legend.get();
    if (!legend)
        return;
    struct Entry
    {
        int color;
        QString name;
    };
    std::vector<Entry> entries;
    for (const auto &layer : c.layers) {
        for (int k = 0; k < layer->getDataSetCount(); ++k) {
            const DataSet *d = layer->getDataSet(k);
            if (!d->getDataName().isEmpty())
                entries.push_back({d->getDataColor(), d->getDataName()});
        }
    }
    if (entries.empty())
        return;
    const QFont font = FontCatalog::font(legend->font(), legend->fontSize());
    const QFontMetricsF fm(font);
    const double keyW = legend->lineStyleKey() ? 20 : fm.height() * 0.7;
    const double keyGap = 4;
    const double entryGap = 10;
    const int m = legend->margin() + 2;
    double w = 0;
    double h = 0;
    for (const Entry &e : entries) {
        const double ew = keyW + keyGap + fm.horizontalAdvance(e.name);
        if (legend->vertical()) {
            w = qMax(w, ew);
            h += fm.height();
        } else {
            w += ew + (w > 0 ? entryGap : 0);
            h = fm.height();
        }
    }
    const QRectF box(legend->x(), legend->y(), w + 2 * m, h + 2 * m);
    p.fillRect(box, c.colors.brush(legend->backgroundColor()));
    paintRaised(p, box, legend->raisedEffect());
    const QPen edge = c.colors.pen(legend->edgeColor());
    if (edge.style() != Qt::NoPen) {
        p.setPen(edge);
        p.setBrush(Qt::NoBrush);
        p.drawRect(box);
    }
    p.setFont(font);
    p.setRenderHint(QPainter::Antialiasing, true);
    double x = box.left() + m;
    double y = box.top() + m;
    const QColor textColor = c.colors.baseColor(legend->fontColor());
    for (const Entry &e : entries) {
        const double mid = y + fm.height() / 2;
        const QColor keyColor = c.colors.baseColor(e.color);
        if (legend->lineStyleKey())
            p.fillRect(QRectF(x, mid - 1, keyW, 2), keyColor);
        else
            p.fillRect(QRectF(x, mid - keyW / 2, keyW, keyW), keyColor);
        p.setPen(textColor);
        p.drawText(QPointF(x + keyW + keyGap, y + fm.ascent()), e.name);
        if (legend->vertical())
            y += fm.height();
        else
            x += keyW + keyGap + fm.horizontalAdvance(e.name) + entryGap;
    }
}
