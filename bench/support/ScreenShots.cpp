#include "ScreenShots.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPixmap>
#include <QScreen>
#include <QTextStream>

ScreenShots::ScreenShots(const QString &folder) : m_folder(folder)
{
    QDir().mkpath(folder);
}

void ScreenShots::pause(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
}

void ScreenShots::take(const QString &name, int settle) const
{
    pause(settle);
    QApplication::primaryScreen()->grabWindow(0).save(path(name));
    QTextStream(stdout) << name << "\n";
}

QString ScreenShots::path(const QString &name) const
{
    return m_folder + QLatin1Char('/') + name + QStringLiteral(".png");
}
