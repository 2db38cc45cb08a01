// Screenshots of the recorder for the README: the dashboard of a project and
// the chart panel of its first device, after the devices have been polled for
// a while. Run it beside moravin-simulator, as scripts/screenshots.sh does.
// Usage: recorder_shots <project.qpj> <output dir> [seconds of polling (40)]
#include "MoravinMain.h"
#include "panels/ProjectCenter.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QTimer>

#include <cstdio>

namespace {

void wait(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

bool save(QWidget &window, const QString &file)
{
    const bool ok = window.grab().save(file);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(file));
    return ok;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(moravin);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: recorder_shots <project.qpj> <output dir> [seconds]\n");
        return 2;
    }
    const QString out = args.at(2);
    const int seconds = args.size() > 3 ? args.at(3).toInt() : 40;
    QDir().mkpath(out);

    MoravinMain window;
    window.show();
    window.projectLoaded(args.at(1));
    if (!window.projectCenter())
        return 1;
    wait(seconds * 1000);
    bool ok = save(window, out + QStringLiteral("/recorder-dashboard.png"));
    if (!window.deviceList().isEmpty())
        window.projectCenter()->slotDeviceClicked(window.deviceList().first());
    wait(3000);
    ok = save(window, out + QStringLiteral("/recorder-chart.png")) && ok;
    window.slotCloseProject();
    return ok ? 0 : 1;
}
