#include "MoravinMain.h"
#include "SingleInstance.h"

#include <QApplication>
#include <QSplashScreen>
#include <QThread>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(moravin);

    SingleInstance instance(QString::fromLatin1(MoravinMain::WindowTitle));
    if (!instance.tryAcquire())
        return 0;

    QSplashScreen splash(QPixmap(QStringLiteral(":/img/LoadingLite.png")));
    splash.show();
    splash.showMessage(QStringLiteral("[") + QString::fromLatin1(MoravinMain::Version) +
                           QStringLiteral("] Loading modules..."),
                       Qt::AlignBottom | Qt::AlignHCenter, Qt::darkGray);

    MoravinMain window;
    app.processEvents();
    QThread::msleep(2500);

    window.show();
    splash.finish(&window);
    window.unattended()->resumeLastRun(
        [&window](const QString &projectFile) { window.projectLoaded(projectFile); });
    return app.exec();
}
