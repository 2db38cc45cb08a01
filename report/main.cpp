#include "Report.h"
#include "core/CompanionProjectReader.h"
#include "store/ReadingsSource.h"

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
    QVector<ServerProject> site;
    QString siteError;
    if (project.site &&
        !ReadingsSource::forProject(project.projectFile).catalogue(&site, &siteError)) {
        QMessageBox::critical(nullptr, QStringLiteral("ERROR"), siteError);
        return 0;
    }
    Report window(project.projectFile, project.devices);
    window.addSiteDevices(site);
    window.show();
    return app.exec();
}
