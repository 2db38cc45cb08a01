#pragma once

#include "GenerateCsvFile.h"
#include "GenerateLinearQueries.h"
#include "ViewerDateRange.h"
#include "ViewerSeries.h"
#include "companion/CompanionChannel.h"
#include "companion/CompanionLauncher.h"
#include "core/DeviceSettings.h"

#include <QDateTime>
#include <QList>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>

class ChannelSelection;
class QAction;
class QChartViewer;
class QListWidgetItem;
class QMenu;
class QMouseEvent;
class QProgressDialog;
class QWheelEvent;
class TableModel;
class WorkerProgress;

namespace Ui {
class Trendora;
}

// The viewer's main window: channel and range selection, the worker
// hand-over, the chart and the table, the CSV export. One window makes one
// chart; "New Trendora" starts another viewer.
class Trendora : public QWidget
{
    Q_OBJECT
public:
    Trendora(const QString &projectFile, const QList<DeviceSettings> &devices,
             QWidget *parent = nullptr);
    ~Trendora() override;

    // A site project's channels: the server's catalogue, grouped by project.
    void addSiteDevices(const QVector<ServerProject> &projects);

    // Seams for tests and embedding: how the save name is asked for and how a
    // finished file is opened.
    std::function<QString(const QString &proposed)> askSaveFileName;
    std::function<void(const QString &file)> openFile;
    // Starts "New Trendora".
    CompanionLauncher &launcher() { return m_launcher; }

    QString connectionTag() const { return m_connectionTag; }
    QString databasePath() const { return m_dbname; }
    QDateTime recordStart() const { return m_range.recordStart; }
    QDateTime recordStop() const { return m_range.recordStop; }
    const QList<QListWidgetItem *> &selectedItems() const;
    bool isBusy() const { return m_busy; }
    bool isDataReady() const { return m_dataReady; }
    const ViewerSeries &series() const { return m_series; }
    QChartViewer *chartViewer() const;
    TableModel *tableModel() const { return m_tableModel; }
    QProgressDialog *progressDialog() const;
    QString lastMessage() const { return m_lastMessage; }

public slots:
    void topDblClick();
    void slotView();
    void slotConfigSelected(QListWidgetItem *item);
    void slotCommandProject();
    void slotCommandScreen();
    void slotCommandExport();
    void slotNewViewProject();
    void slotViewFull(bool on);
    void slotCsvExport();
    void onHScrollBarChanged(int value);
    void onViewPortChanged();
    void onMouseMovePlotArea(QMouseEvent *event);
    void onMouseWheelChart(QWheelEvent *event);
    void onMouseZoomIn(bool on);
    void onMouseZoomOut(bool on);
    void genThreadError(const QString &text);
    void genThreadDone(int count);
    void genThreadCount(int count);
    void genThreadTimeSeries();
    void genThreadHashTables();
    void csvThreadDone(const QString &file);
    void slotStartDateTimeChanged(const QDateTime &start);
    void slotEndDateTimeChanged(const QDateTime &end);

signals:
    void chartReady(int rowCount);
    void generationFailed(const QString &text);
    void csvWritten(const QString &file);

private:
    void buildMenus();
    void connectWidgets();
    void readProject();
    void setUpDateRange();
    void fillDeviceList(const QList<DeviceSettings> &devices);
    void setSelectionEnabled(bool enabled);
    void showTable();
    void drawChart();
    void showMessage(const QString &title, const QString &text);
    void stopWorkers();

    std::unique_ptr<Ui::Trendora> ui;
    QString m_connectionTag;
    QString projectFile;
    QString m_dbname;
    ReadingsSource m_source;
    int dataInterval = 0;
    ViewerDateRange m_range;
    QList<CompanionChannel> m_channels; // by the items' numbers
    ChannelSelection *m_selection = nullptr;
    WorkerProgress *m_progress = nullptr;
    CompanionLauncher m_launcher;
    QPointer<GenerateLinearQueries> m_worker;
    QPointer<GenerateCsvFile> m_csvWorker;
    bool m_busy = false;
    bool m_dataReady = false;
    int m_rowCount = 0;
    ViewerSeries m_series;
    TableModel *m_tableModel = nullptr;
    QString m_lastMessage;
    QMenu *m_projectMenu = nullptr;
    QMenu *m_viewMenu = nullptr;
    QMenu *m_exportMenu = nullptr;
    QAction *m_fullScreenAction = nullptr;
};
