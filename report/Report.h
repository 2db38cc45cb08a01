#pragma once

#include "ReportChannel.h"
#include "ReportResults.h"
#include "companion/CompanionLauncher.h"
#include "core/DeviceSettings.h"
#include "store/ReadingsSource.h"

#include <QPointer>
#include <QSharedPointer>
#include <QUrl>
#include <QWidget>

#include <functional>

class ChannelSelection;
class GenerateAverageQueries;
class QListWidgetItem;
class QMenu;
class QPrinter;
class WorkerProgress;

namespace Ui {
class Report;
}

// The report program's window: the user picks up to four channels and one
// day, a worker computes the hourly statistics and the window fills the
// report page, which can then be printed or exported.
class Report : public QWidget
{
    Q_OBJECT
public:
    static constexpr double ZoomFactor = 0.8;

    // Asks for a file name to save to: (dialog title, proposed name, filter).
    using FileChooser = std::function<QString(const QString &, const QString &, const QString &)>;
    using FileOpener = std::function<void(const QUrl &)>;

    Report(const QString &projectFile, const QList<DeviceSettings> &devices,
           QWidget *parent = nullptr);
    ~Report() override;

    // A site project's channels: the server's catalogue, grouped by project.
    void addSiteDevices(const QVector<ServerProject> &projects);

    bool isReportReady() const { return m_reportReady; }
    bool isFormLoaded() const { return m_pageLoaded; }
    QMenu *projectMenu() const { return m_projectMenu; }
    QMenu *printMenu() const { return m_printMenu; }

    // The save dialog and the desktop's "open" by default; tests replace them.
    void setFileChooser(const FileChooser &chooser) { m_chooseFile = chooser; }
    void setFileOpener(const FileOpener &opener) { m_openFile = opener; }
    // Starts "New Report".
    CompanionLauncher &launcher() { return m_launcher; }

signals:
    // The page holds a complete report.
    void reportFilled();

public slots:
    void topClick(const QPoint &globalPos);
    void topMoved(const QPoint &globalPos);
    void slotCommandUpdate();
    void slotConfigSelected(QListWidgetItem *item);
    void slotCommandProject();
    void slotCommandPrint();
    void slotNewReportProject();
    void slotView100();
    void printPreview(QPrinter *printer);
    void exportPrint();
    void exportPrintPreview();
    void exportPrintPdf();
    void exportPrintPng();
    void genThreadError(const QString &text);
    void genThreadDone();
    void genThreadCount(int count);
    void genThreadHashTables();
    void slotStartDateTimeChanged(const QDateTime &start);

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void readProject();
    void setUpDateRange(const QString &recordStart, const QString &recordStop);
    void fillDeviceList(const QList<DeviceSettings> &devices);
    void buildMenus();
    void setSelectionEnabled(bool enabled);
    void fillPage();
    void exportToFile(const QString &extension, const QString &filter, const QString &title);

    Ui::Report *m_ui;
    QString m_connectionTag;
    QString m_projectFile;
    QString m_dbname;
    ReadingsSource m_source;
    QList<ReportChannel> m_channels; // by the items' numbers
    ChannelSelection *m_selection = nullptr;
    WorkerProgress *m_progress = nullptr;
    CompanionLauncher m_launcher;
    QPointer<GenerateAverageQueries> m_worker;
    QString m_minPeriod;
    int m_dataInterval = 0;
    QMenu *m_projectMenu = nullptr;
    QMenu *m_printMenu = nullptr;
    bool m_reportReady = false;
    bool m_pageLoaded = false;
    bool m_fillPending = false;
    bool m_shownLogged = false;
    QRect m_normalGeometry;
    QPoint m_pressPos;
    QPoint m_pressWindowPos;
    QList<ReportChannel> m_reportChannels; // the channels of the running or finished build
    QSharedPointer<const ReportResults> m_results;
    QList<DeviceSettings> m_devices; // for the names of the events
    FileChooser m_chooseFile;
    FileOpener m_openFile;
};
