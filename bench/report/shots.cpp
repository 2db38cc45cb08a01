// Drives a Pagewright window through its states and saves a screenshot of the
// whole screen after each (run it under Xvfb with QT_QPA_PLATFORM=xcb).
// Usage: pagewright_shots <project.qpj> <output dir>
#include "Report.h"

#include "core/CompanionProjectReader.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QTextStream>
#include <QTimer>

namespace {

QString g_out;

void pause(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
}

void shot(const QString &name)
{
    pause(400);
    QApplication::primaryScreen()->grabWindow(0).save(g_out + "/" + name + ".png");
    QTextStream(stdout) << name << "\n";
}

// Pops a menu up through its button and saves the screen while it is open.
void menuShot(QPushButton *button, QMenu *menu, const QString &name)
{
    QTimer::singleShot(0, button, &QPushButton::click);
    pause(300);
    shot(name);
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
    g_out = QString::fromLocal8Bit(argv[2]);
    QDir().mkpath(g_out);
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
        pause(20);
    shot("01-start");

    auto *list = w.findChild<QListWidget *>("listWidget_device");
    for (int row : {0, 1, 2})
        w.slotConfigSelected(list->item(row));
    shot("02-selected");
    menuShot(w.findChild<QPushButton *>("btn_project"), w.projectMenu(), "03-project-menu");

    bool filled = false;
    QObject::connect(&w, &Report::reportFilled, [&] { filled = true; });
    w.findChild<QPushButton *>("btn_makeReport")->click();
    t.restart();
    while (!filled && t.elapsed() < 60000)
        pause(20);
    pause(1500); // the chart script draws after the page is filled
    shot("04-report");
    menuShot(w.findChild<QPushButton *>("btn_exportReport"), w.printMenu(), "05-print-menu");
    return 0;
}
