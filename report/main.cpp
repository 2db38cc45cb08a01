#include "Report.h"
#include "core/CompanionProjectReader.h"

#include <QApplication>
#include <QMessageBox>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(moravin);
    Q_INIT_RESOURCE(report);

    const CompanionProjectReader::Result project = CompanionProjectReader::read(app.arguments());
    if (!project.ok) {
        QMessageBox::critical(nullptr, QStringLiteral("ERROR"), project.errorText);
        return 0;
    }
    Report window(project.projectFile, project.devices);
    window.show();
    return app.exec();
}
