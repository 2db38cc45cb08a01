#include "Report.h"
#include "companion/CompanionStart.h"

#include <QApplication>
#include <QMessageBox>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(moravin);
    Q_INIT_RESOURCE(report);

    const CompanionStart start = CompanionStart::read(app.arguments());
    if (!start.ok) {
        QMessageBox::critical(nullptr, QStringLiteral("ERROR"), start.errorText);
        return 0;
    }
    Report window(start.project.projectFile, start.project.devices);
    window.addSiteDevices(start.site);
    window.show();
    return app.exec();
}
