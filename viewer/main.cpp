// Trendora: the viewer program. Started with the project file path (the
// recorder passes it in single quotes, so a path with blanks arrives as
// several arguments).
#include "Trendora.h"

#include "companion/CompanionStart.h"

#include <QApplication>
#include <QMessageBox>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(moravin);
    QApplication::setApplicationName(QStringLiteral("Trendora"));

    const CompanionStart start = CompanionStart::read(app.arguments());
    if (!start.ok) {
        QMessageBox::critical(nullptr, QStringLiteral("ERROR"), start.errorText);
        return 0;
    }
    Trendora window(start.project.projectFile, start.project.devices);
    window.addSiteDevices(start.site);
    window.show();
    return app.exec();
}
