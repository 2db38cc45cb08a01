#include "ChartViewerCursors.h"

#include <QBitmap>
#include <QCoreApplication>
#include <QPainter>
#include <QPointer>

#include <functional>

namespace {

using Shape = std::function<void(QPainter &)>;

// Draws the shape black with a white rim: the mask gets a wider stroke.
QCursor makeCursor(const Shape &shape)
{
    QBitmap bits(32, 32);
    QBitmap mask(32, 32);
    bits.fill(Qt::color0);
    mask.fill(Qt::color0);
    {
        QPainter pm(&mask);
        pm.setPen(QPen(Qt::color1, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        pm.setBrush(Qt::NoBrush);
        shape(pm);
    }
    {
        QPainter pb(&bits);
        pb.setPen(QPen(Qt::color1, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        pb.setBrush(Qt::NoBrush);
        shape(pb);
    }
    return QCursor(bits, mask, 15, 15);
}

void magnifier(QPainter &p)
{
    p.drawEllipse(QRect(6, 6, 18, 18));
    p.drawLine(22, 22, 29, 29);
}

void arrowsHorizontal(QPainter &p)
{
    p.drawLine(4, 15, 26, 15);
    p.drawLine(4, 15, 9, 10);
    p.drawLine(4, 15, 9, 20);
    p.drawLine(26, 15, 21, 10);
    p.drawLine(26, 15, 21, 20);
}

void arrowsVertical(QPainter &p)
{
    p.drawLine(15, 4, 15, 26);
    p.drawLine(15, 4, 10, 9);
    p.drawLine(15, 4, 20, 9);
    p.drawLine(15, 26, 10, 21);
    p.drawLine(15, 26, 20, 21);
}

} // namespace

ChartViewerCursors::ChartViewerCursors(QObject *parent)
    : QObject(parent), zoomIn(makeCursor([](QPainter &p) {
          magnifier(p);
          p.drawLine(11, 15, 19, 15);
          p.drawLine(15, 11, 15, 19);
      })),
      zoomOut(makeCursor([](QPainter &p) {
          magnifier(p);
          p.drawLine(11, 15, 19, 15);
      })),
      noZoom(makeCursor([](QPainter &p) {
          magnifier(p);
          p.drawLine(9, 21, 21, 9);
      })),
      scrollHorizontal(makeCursor(arrowsHorizontal)), scrollVertical(makeCursor(arrowsVertical)),
      scrollBoth(makeCursor([](QPainter &p) {
          arrowsHorizontal(p);
          arrowsVertical(p);
      }))
{
}

const ChartViewerCursors &ChartViewerCursors::instance()
{
    static QPointer<ChartViewerCursors> shared;
    if (!shared)
        shared = new ChartViewerCursors(QCoreApplication::instance());
    return *shared;
}
