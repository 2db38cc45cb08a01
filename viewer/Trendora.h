#pragma once

#include "GenerateCsvFile.h"
#include "GenerateLinearQueries.h"
#include "ViewerSeries.h"
#include "companion/ConfiguredDevice.h"

#include <QDateTime>
#include <QIcon>
#include <QList>
#include <QPointer>
#include <QProgressDialog>
#include <QWidget>

#include <functional>

class QAction;
class QChartViewer;
class QChartViewerLabel;
class QDateTimeEdit;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QMenu;
class QMouseEvent;

class QPushButton;
class QScrollBar;
class QTableView;
class QToolBox;
class QWheelEvent;
class TableModel;
class TopCustomFrame;

// The viewer's main window: channel and range selection, the
// worker hand-over, the chart and the table, the CSV export.
// One window makes one chart.
class Trendora : public QWidget
{
    Q_OBJECT
public:
    Trendora(const QString &projectFile, const QList<ConfiguredDevice> &devices,
             QWidget *parent = nullptr);
    ~Trendora() override;

    // Seams for tests and embedding: how the save name is asked for, how a
    // finished file is opened, how a new viewer process is started.
    std::function<QString(const QString &proposed)> askSaveFileName;
    std::function<void(const QString &file)> openFile;
    std::function<bool(const QString &program, const QStringList &arguments)> startDetached;

    QString connectionTag() const { return m_connectionTag; }
    QString databasePath() const { return m_dbname; }
    QDateTime recordStart() const { return recordStartTime; }
    QDateTime recordStop() const { return recordStopTime; }
    const QList<QListWidgetItem *> &selectedItems() const { return m_selectedItems; }
    bool isBusy() const { return m_busy; }
    bool isDataReady() const { return m_dataReady; }
    const ViewerSeries &series() const { return m_series; }
    QChartViewer *chartViewer() const { return m_viewer; }
    TableModel *tableModel() const { return m_tableModel; }
    QProgressDialog *progressDialog() const { return m_progressDialog; }
    QString lastMessage() const { return m_lastMessage; }
    QString proposedCsvName() const;
    // The command "New Trendora" starts: "Trendora '<project file>'".
    QString newViewerCommand() const;

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
    void buildWidgets();
    void readProject();
    void setUpDateRange();
    void fillDeviceList();
    void drawChart();
    void updateScrollBar();
    void openProgressDialog(const QString &label, int maximum);
    void closeProgressDialog();
    void showMessage(const QString &title, const QString &text);
    void stopWorkers();

    QString m_connectionTag;
    QString projectFile;
    QString m_dbname;
    int dataInterval = 0;
    QDateTime recordStartTime;
    QDateTime recordStopTime;
    QString m_periodText;
    QList<ConfiguredDevice> devices;
    QList<QListWidgetItem *> m_selectedItems;
    QIcon checkIcon;
    QIcon noCheckIcon;
    QPointer<QProgressDialog> m_progressDialog;
    QPointer<GenerateLinearQueries> m_worker;
    QPointer<GenerateCsvFile> m_csvWorker;
    bool m_busy = false;
    bool m_dataReady = false;
    int m_rowCount = 0;
    ViewerSeries m_series;
    QString m_lastMessage;

    TopCustomFrame *m_topFrame = nullptr;
    QLabel *m_projectLabel = nullptr;
    QLabel *m_intervalLabel = nullptr;
    QLabel *m_periodLabel = nullptr;
    QPushButton *m_projectButton = nullptr;
    QPushButton *m_windowButton = nullptr;
    QToolBox *m_toolBox = nullptr;
    QListWidget *m_deviceList = nullptr;
    QDateTimeEdit *m_startEdit = nullptr;
    QDateTimeEdit *m_endEdit = nullptr;
    QPushButton *m_makeChartButton = nullptr;
    QTableView *m_table = nullptr;
    TableModel *m_tableModel = nullptr;
    QChartViewerLabel *m_chartArea = nullptr;
    QChartViewer *m_viewer = nullptr;
    QScrollBar *m_scrollBar = nullptr;
    QPushButton *m_zoomInButton = nullptr;
    QPushButton *m_zoomOutButton = nullptr;
    QPushButton *m_exportButton = nullptr;
    QMenu *m_projectMenu = nullptr;
    QMenu *m_viewMenu = nullptr;
    QMenu *m_exportMenu = nullptr;
    QAction *m_fullScreenAction = nullptr;
};
