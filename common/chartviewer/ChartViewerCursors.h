#pragma once

#include <QCursor>
#include <QObject>

// The viewer's special mouse cursors: 32 x 32 monochrome images with a mask and
// the hot spot at (15, 15). Built on first use, shared by all viewers, and
// owned by the application so they go before the GUI does.
class ChartViewerCursors : public QObject
{
    Q_OBJECT
public:
    static const ChartViewerCursors &instance();

    QCursor zoomIn;
    QCursor zoomOut;
    QCursor noZoom;
    QCursor scrollHorizontal;
    QCursor scrollVertical;
    QCursor scrollBoth;

private:
    explicit ChartViewerCursors(QObject *parent);
};
