// Drives a Pagewright window through its states and saves a screenshot of the
// whole screen after each (run it under Xvfb with QT_QPA_PLATFORM=xcb).
// Usage: pagewright_shots <project.qpj> <output dir>
#include "Report.h"
#include "ScreenShots.h"

#include "core/CompanionProjectReader.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTextStream>
#include <QTimer>

namespace {

// Pops a menu up through its button and saves the screen while it is open.
void menuShot(const ScreenShots &shots, QPushButton *button, QMenu *menu, const QString &name)
{
    QTimer::singleShot(0, button, &QPushButton::click);
    ScreenShots::pause(300);
    shots.take(name);
    menu->close();
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(moravin);
    Q_INIT_RESOURCE(report);
    if (argc < 3) {
        QTextStream(stderr) << "usage: pagewright_shots <project.qpj> <output dir>\n";
        return 2;
    }
    const ScreenShots shots(QString::fromLocal8Bit(argv[2]));
    const auto project =
        CompanionProjectReader::read({"Pagewright", QString::fromLocal8Bit(argv[1])});
    if (!project.ok) {
        QTextStream(stderr) << project.errorText << "\n";
        return 1;
    }

    Report w(project.projectFile, project.devices);
    w.move(0, 0);
    w.show();
    QElapsedTimer t;
    t.start();
    while (!w.isFormLoaded() && t.elapsed() < 20000)
        ScreenShots::pause(20);
    shots.take("01-start");

    auto *list = w.findChild<QListWidget *>("listWidget_device");
    for (int row : {0, 1, 2})
        w.slotConfigSelected(list->item(row));
    shots.take("02-selected");
    menuShot(shots, w.findChild<QPushButton *>("btn_project"), w.projectMenu(), "03-project-menu");

    bool filled = false;
    QObject::connect(&w, &Report::reportFilled, [&] { filled = true; });
    w.findChild<QPushButton *>("btn_makeReport")->click();
    t.restart();
    while (!filled && t.elapsed() < 60000)
        ScreenShots::pause(20);
    ScreenShots::pause(1500); // the chart script draws after the page is filled
    shots.take("04-report");
    menuShot(shots, w.findChild<QPushButton *>("btn_exportReport"), w.printMenu(), "05-print-menu");
    return 0;
}
