// Drives a Trendora window through its states and saves a screenshot of the
// whole screen after each (run it under Xvfb with QT_QPA_PLATFORM=xcb).
// Usage: trendora_shots <project.qpj> <output dir>
#include "QChartViewer.h"
#include "ScreenShots.h"
#include "Trendora.h"
#include "ViewPortManager.h"

#include "core/CompanionProjectReader.h"

#include <QApplication>
#include <QDateTimeEdit>
#include <QElapsedTimer>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTextStream>
#include <QTimer>
#include <QWheelEvent>

namespace {

void moveMouse(QChartViewer *v, int x, int y)
{
    const QPointF p(x, y);
    QMouseEvent e(QEvent::MouseMove, p, v->mapToGlobal(p.toPoint()), Qt::NoButton, Qt::NoButton,
                  Qt::NoModifier);
    QApplication::sendEvent(v, &e);
    ScreenShots::pause(30);
}

void wheel(QChartViewer *v, int x, int y, int delta)
{
    const QPointF p(x, y);
    QWheelEvent e(p, v->mapToGlobal(p.toPoint()), QPoint(), QPoint(0, delta), Qt::NoButton,
                  Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(v, &e);
    ScreenShots::pause(40);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(moravin);
    if (argc < 3) {
        QTextStream(stderr) << "usage: trendora_shots <project.qpj> <output dir>\n";
        return 2;
    }
    const ScreenShots shots(QString::fromLocal8Bit(argv[2]));
    const auto project =
        CompanionProjectReader::read({"Trendora", QString::fromLocal8Bit(argv[1])});
    if (!project.ok) {
        QTextStream(stderr) << project.errorText << "\n";
        return 1;
    }
    Trendora w(project.projectFile, project.devices);
    w.openFile = [](const QString &) {};
    w.move(0, 0);
    w.show();
    shots.take("01-start");

    auto *list = w.findChild<QListWidget *>("listWidget_device");
    for (int row : {0, 3, 4, 5, 6})
        if (row < list->count())
            w.slotConfigSelected(list->item(row)); // the fifth click changes nothing
    auto *start = w.findChild<QDateTimeEdit *>("dateTimeEdit_start");
    start->setDateTime(start->minimumDateTime());
    shots.take("02-selected");

    bool ready = false;
    QObject::connect(&w, &Trendora::chartReady, [&] { ready = true; });
    w.slotView();
    shots.take("03-generating");
    QElapsedTimer t;
    t.start();
    while (!ready && t.elapsed() < 60000)
        ScreenShots::pause(20);
    shots.take("04-chart-newest-fifth");

    QChartViewer *v = w.chartViewer();
    ViewPortManager *vp = v->viewPortManager();
    const int midX = vp->getPlotAreaLeft() + vp->getPlotAreaWidth() * 2 / 3;
    const int midY = vp->getPlotAreaTop() + vp->getPlotAreaHeight() / 2;
    moveMouse(v, midX - 5, midY);
    moveMouse(v, midX, midY);
    shots.take("05-track-cursor");

    vp->setViewPortLeft(0);
    vp->setViewPortWidth(1);
    v->requestViewPortUpdate(true, false);
    ScreenShots::pause(100);
    moveMouse(v, vp->getPlotAreaLeft() + vp->getPlotAreaWidth() / 3, midY);
    shots.take("06-whole-range");

    for (int i = 0; i < 25; ++i)
        wheel(v, midX, midY, 120);
    moveMouse(v, midX + 3, midY);
    shots.take("07-wheel-zoom-hours");
    for (int i = 0; i < 25; ++i)
        wheel(v, midX, midY, 120);
    moveMouse(v, midX - 3, midY);
    shots.take("08-wheel-zoom-minutes");

    w.onMouseZoomIn(true);
    shots.take("09-zoom-in-mode");
    w.onMouseZoomIn(false);

    QTimer::singleShot(300, [&] {
        QApplication::primaryScreen()->grabWindow(0).save(shots.path("10-export-menu"));
        if (auto *m = w.findChild<QMenu *>("menu_export"))
            m->close();
    });
    w.slotCommandExport();
    ScreenShots::pause(600);

    // A second window of the same project while the first one is shown.
    Trendora w2(project.projectFile, project.devices);
    w2.move(40, 60);
    w2.show();
    w2.slotConfigSelected(w2.findChild<QListWidget *>("listWidget_device")->item(1));
    shots.take("11-second-window");
    return 0;
}
