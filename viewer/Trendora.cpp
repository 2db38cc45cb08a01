#include "Trendora.h"

#include "GenerateCsvFile.h"
#include "GenerateLinearQueries.h"
#include "TableModel.h"
#include "ViewerChart.h"
#include "ui_Trendora.h"

#include "QChartViewer.h"
#include "ViewPortScrollBar.h"
#include "XYChart.h"
#include "companion/ChannelSelection.h"
#include "companion/WorkerProgress.h"
#include "core/ConnectionTag.h"
#include "core/DataInterval.h"
#include "core/ProjectFile.h"
#include "widgets/MenuPopup.h"
#include "widgets/MessageDialog.h"

#include <QAction>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLoggingCategory>
#include <QMenu>
#include <QUrl>

#include <algorithm>

Q_LOGGING_CATEGORY(lcViewer, "moravin.viewer.main")

namespace {

const QString kTimeFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss");

} // namespace

Trendora::Trendora(const QString &file, const QList<DeviceSettings> &devices, QWidget *parent)
    : QWidget(parent), ui(std::make_unique<Ui::Trendora>()),
      m_connectionTag(ConnectionTag::create()), projectFile(file), m_launcher(this)
{
    ui->setupUi(this);
    ui->tableView->horizontalHeader()->setStyleSheet(
        QStringLiteral("background-color:rgb(230,230,230);color:rgb(55,55,55);"));
    m_selection = new ChannelSelection(ui->listWidget_device);
    m_progress = new WorkerProgress(this);
    askSaveFileName = [this](const QString &proposed) {
        return QFileDialog::getSaveFileName(this, QStringLiteral("Save CSV File"), proposed,
                                            QStringLiteral("*.csv"));
    };
    openFile = [](const QString &f) { QDesktopServices::openUrl(QUrl::fromLocalFile(f)); };

    buildMenus();
    connectWidgets();
    readProject();
    setUpDateRange();
    fillDeviceList(devices);
}

Trendora::~Trendora()
{
    stopWorkers();
    m_progress->close();
    delete ui->chartViewer->chart();
    ui->chartViewer->setChart(nullptr);
}

void Trendora::stopWorkers()
{
    for (QThread *t : QList<QThread *>{m_worker.data(), m_csvWorker.data()}) {
        if (t)
            t->wait();
    }
}

const QList<QListWidgetItem *> &Trendora::selectedItems() const
{
    return m_selection->selectedItems();
}

QChartViewer *Trendora::chartViewer() const
{
    return ui->chartViewer;
}

QProgressDialog *Trendora::progressDialog() const
{
    return m_progress->dialog();
}

void Trendora::buildMenus()
{
    m_projectMenu = MenuPopup::create(QStringLiteral("Project"), this);
    m_projectMenu->setObjectName(QStringLiteral("menu_project"));
    QAction *newViewer = m_projectMenu->addAction(QStringLiteral("New Trendora"), this,
                                                  &Trendora::slotNewViewProject);
    newViewer->setObjectName(QStringLiteral("action_newTrendora"));
    m_projectMenu->addSeparator();
    QAction *exit = m_projectMenu->addAction(QStringLiteral("Exit"), this, &QWidget::close);
    exit->setObjectName(QStringLiteral("action_exit"));

    m_viewMenu = MenuPopup::create(QStringLiteral("View"), this);
    m_viewMenu->setObjectName(QStringLiteral("menu_view"));
    m_fullScreenAction = m_viewMenu->addAction(QStringLiteral("FullScreen"));
    m_fullScreenAction->setObjectName(QStringLiteral("action_fullScreen"));
    m_fullScreenAction->setCheckable(true);
    connect(m_fullScreenAction, &QAction::triggered, this, &Trendora::slotViewFull);

    m_exportMenu = MenuPopup::create(QStringLiteral("EXPORT"), this);
    m_exportMenu->setObjectName(QStringLiteral("menu_export"));
    m_exportMenu->addAction(QStringLiteral("CSV"), this, &Trendora::slotCsvExport)
        ->setObjectName(QStringLiteral("action_csv"));
}

void Trendora::connectWidgets()
{
    connect(ui->btn_project, &QPushButton::clicked, this, &Trendora::slotCommandProject);
    connect(ui->btn_window, &QPushButton::clicked, this, &Trendora::slotCommandScreen);
    connect(ui->btn_export, &QPushButton::clicked, this, &Trendora::slotCommandExport);
    connect(ui->topFrame, &TopCustomFrame::customDoubleClick, this, &Trendora::topDblClick);
    connect(ui->listWidget_device, &QListWidget::itemClicked, this, &Trendora::slotConfigSelected);
    connect(m_selection, &ChannelSelection::changed, ui->btn_makeChart, &QWidget::setEnabled);
    connect(ui->btn_makeChart, &QPushButton::clicked, this, &Trendora::slotView);

    // Chart viewer: view port, mouse and zoom handling.
    QChartViewer *viewer = ui->chartViewer;
    viewer->setMouseMode(QChartViewer::MouseUsageScroll);
    connect(viewer, &QChartViewer::viewPortChanged, this, &Trendora::onViewPortChanged);
    connect(viewer, &QChartViewer::mouseMovePlotArea, this, &Trendora::onMouseMovePlotArea);
    connect(viewer, &QChartViewer::mouseWheel, this, &Trendora::onMouseWheelChart);
    connect(ui->horizontalScrollBar, &QScrollBar::valueChanged, this,
            &Trendora::onHScrollBarChanged);
    connect(ui->btn_zoomIn, &QPushButton::clicked, this, &Trendora::onMouseZoomIn);
    connect(ui->btn_zoomOut, &QPushButton::clicked, this, &Trendora::onMouseZoomOut);
    connect(ui->frame_chart, &QChartViewerLabel::refreshChart, this, [this] {
        if (m_dataReady)
            ui->chartViewer->requestViewPortUpdate(true, false);
    });
}

void Trendora::readProject()
{
    const ProjectFile project(projectFile);
    m_dbname = project.databasePath();
    m_source = ReadingsSource::forProject(projectFile);
    dataInterval = project.storedDataInterval();
    qCDebug(lcViewer) << "m_dbname : " << m_dbname;
    m_range = ViewerDateRange::fromRecordTimes(
        project.recordStartTime(), project.recordStopTime(), [this](qint64 *first, qint64 *last) {
            return m_source.recordedPeriod(first, last,
                                           m_connectionTag + QStringLiteral("viewerdb"));
        });
    qCDebug(lcViewer) << "record period :" << m_range.periodText;

    ui->label_project->setText(ProjectFile::displayName(projectFile, project.baseName()));
    ui->label_project->setToolTip(projectFile);
    ui->label_interval->setText(QStringLiteral("Interval : ") +
                                DataInterval::intervalText(dataInterval));
    ui->label_period->setText(m_range.periodText);
}

void Trendora::setUpDateRange()
{
    ui->dateTimeEdit_start->setDateTimeRange(m_range.startMinimum(), m_range.startMaximum());
    ui->dateTimeEdit_start->setDateTime(m_range.start());
    ui->dateTimeEdit_end->setDateTimeRange(m_range.endMinimum(), m_range.endMaximum());
    ui->dateTimeEdit_end->setDateTime(m_range.end());
    connect(ui->dateTimeEdit_start, &QDateTimeEdit::dateTimeChanged, this,
            &Trendora::slotStartDateTimeChanged);
    connect(ui->dateTimeEdit_end, &QDateTimeEdit::dateTimeChanged, this,
            &Trendora::slotEndDateTimeChanged);
}

void Trendora::fillDeviceList(const QList<DeviceSettings> &devices)
{
    for (const DeviceSettings &d : devices) {
        for (int channel = 1; channel <= 2; ++channel) {
            const CompanionChannel c = CompanionChannel::fromDevice(d, channel);
            m_selection->addItem(c.itemText(c.deviceLabel()), c.fieldName());
            m_channels.append(c);
        }
    }
}

void Trendora::addSiteDevices(const QVector<ServerProject> &projects)
{
    for (const ServerProject &p : projects) {
        m_selection->addHeading(p.title());
        fillDeviceList(p.deviceSettings());
    }
}

void Trendora::slotConfigSelected(QListWidgetItem *item)
{
    if (!m_busy && !m_dataReady)
        m_selection->toggle(item);
}

void Trendora::slotStartDateTimeChanged(const QDateTime &start)
{
    qCDebug(lcViewer) << "slotStartDateTimeChanged : " << start;
    const QDateTime kept = ViewerDateRange::startBefore(start, ui->dateTimeEdit_end->dateTime());
    if (kept != start)
        ui->dateTimeEdit_start->setDateTime(kept);
}

void Trendora::slotEndDateTimeChanged(const QDateTime &end)
{
    ui->dateTimeEdit_start->setDateTimeRange(m_range.startMinimumFor(end), end);
    qCDebug(lcViewer) << "slotEndDateTimeChanged : " << end;
    const QDateTime kept = ViewerDateRange::endAfter(ui->dateTimeEdit_start->dateTime(), end);
    if (kept != end)
        ui->dateTimeEdit_end->setDateTime(kept);
}

void Trendora::setSelectionEnabled(bool enabled)
{
    ui->listWidget_device->setEnabled(enabled);
    ui->dateTimeEdit_start->setEnabled(enabled);
    ui->dateTimeEdit_end->setEnabled(enabled);
    ui->btn_makeChart->setEnabled(enabled && !m_selection->isEmpty());
}

void Trendora::showMessage(const QString &title, const QString &text)
{
    m_lastMessage = text;
    MessageDialog::showTransient(title, text, this);
}

void Trendora::slotView()
{
    if (m_busy || m_dataReady)
        return;
    if (m_selection->isEmpty()) {
        showMessage(QStringLiteral("Information"),
                    QStringLiteral("Please select at least one or more Device.\nPlease retry."));
        return;
    }
    m_busy = true;
    ui->listWidget_device->clearSelection();
    setSelectionEnabled(false);
    m_progress->open(QStringLiteral("Creating View..."));

    const QDateTime startTime = ui->dateTimeEdit_start->dateTime();
    const QDateTime endTime = ui->dateTimeEdit_end->dateTime();
    const QString start = QString::number(startTime.toSecsSinceEpoch());
    const QString end = QString::number(endTime.toSecsSinceEpoch());
    qCDebug(lcViewer) << "start time : " << start << startTime.toString(kTimeFormat);
    qCDebug(lcViewer) << "end   time : " << end << endTime.toString(kTimeFormat);

    auto *worker =
        new GenerateLinearQueries(m_connectionTag, m_dbname, QFileInfo(projectFile).absolutePath(),
                                  m_selection->pick(m_channels), start, end, this);
    worker->setIntervalHint(dataInterval);
    worker->setSource(m_source);
    m_worker = worker;
    connect(worker, &GenerateLinearQueries::done, this, &Trendora::genThreadDone);
    connect(worker, &GenerateLinearQueries::wholeCount, this, &Trendora::genThreadCount);
    connect(worker, &GenerateLinearQueries::calcTimeSeries, this, &Trendora::genThreadTimeSeries);
    connect(worker, &GenerateLinearQueries::createHashTables, this, &Trendora::genThreadHashTables);
    connect(worker, &GenerateLinearQueries::error, this, &Trendora::genThreadError);
    m_progress->start(worker);
}

void Trendora::genThreadHashTables()
{
    m_progress->showHashTables();
}

void Trendora::genThreadTimeSeries()
{
    m_progress->showTimeSeries();
}

void Trendora::genThreadCount(int count)
{
    m_rowCount = count;
    m_progress->showCount(count);
}

void Trendora::genThreadError(const QString &text)
{
    qCDebug(lcViewer) << "genThreadError : " << text;
    m_progress->close();
    showMessage(QStringLiteral("ERROR"), text);
    ui->listWidget_device->clearSelection();
    setSelectionEnabled(true);
    m_busy = false;
    emit generationFailed(text);
}

void Trendora::genThreadDone(int count)
{
    Q_UNUSED(count)
    qCDebug(lcViewer) << "genThreadDone 1";
    if (m_worker)
        m_series = m_worker->takeResult();
    m_rowCount = m_series.rowCount();
    qCDebug(lcViewer) << "genThreadDone 2";
    ViewerChart::setInitialViewPort(ui->chartViewer->viewPortManager(), m_series);
    // The table's panel takes its width before the chart is drawn at what
    // is left of the window.
    showTable();
    layout()->activate();
    m_dataReady = m_rowCount > 0;
    ui->chartViewer->requestViewPortUpdate(true, true);
    qCDebug(lcViewer) << "genThreadDone 3";
    m_progress->close();
    qCDebug(lcViewer) << "genThreadDone 4";

    setSelectionEnabled(false);
    ui->btn_makeChart->hide();
    ui->btn_export->setEnabled(true);
    ui->btn_export->show();
    ui->toolBox->setCurrentIndex(1);
    m_busy = false;
    emit chartReady(m_rowCount);
}

void Trendora::showTable()
{
    delete m_tableModel;
    m_tableModel = new TableModel(this);
    m_tableModel->setSeries(m_series);
    ui->tableView->setModel(m_tableModel);
    // The panel as wide as all columns together.
    const QMargins page = ui->page_table->layout()->contentsMargins();
    const int width = m_tableModel->fitColumns(ui->tableView) + page.left() + page.right() +
                      2 * ui->toolBox->frameWidth();
    ui->toolBox->setFixedWidth(std::max(ui->toolBox->minimumWidth(), width));
}

void Trendora::onHScrollBarChanged(int value)
{
    ViewPortScrollBar::scroll(ui->chartViewer, *ui->horizontalScrollBar, value);
}

void Trendora::onViewPortChanged()
{
    QChartViewer *viewer = ui->chartViewer;
    ViewPortScrollBar::follow(ui->horizontalScrollBar, *viewer->viewPortManager());
    if (viewer->needsChartUpdate())
        drawChart();
    if (!viewer->isInMouseMoveEvent() && viewer->isMouseOnPlotArea() && viewer->chart()) {
        ViewerChart::drawTrackCursor(static_cast<XYChart *>(viewer->chart()),
                                     viewer->plotAreaMouseX(), m_series);
        viewer->refreshDisplay();
    }
}

void Trendora::drawChart()
{
    if (!m_dataReady)
        return;
    BaseChart *old = ui->chartViewer->chart();
    XYChart *chart = ViewerChart::build(ui->frame_chart->width(), ui->frame_chart->height(),
                                        m_series, ui->chartViewer->viewPortManager());
    ui->chartViewer->setChart(chart);
    delete old;
}

void Trendora::onMouseMovePlotArea(QMouseEvent *)
{
    QChartViewer *viewer = ui->chartViewer;
    auto *chart = static_cast<XYChart *>(viewer->chart());
    if (!chart)
        return;
    ViewerChart::drawTrackCursor(chart, viewer->plotAreaMouseX(), m_series);
    viewer->refreshDisplay();
    viewer->setAutoHideTrigger(QStringLiteral("mouseLeavePlotArea"));
}

void Trendora::onMouseWheelChart(QWheelEvent *event)
{
    if (m_dataReady && event)
        ui->chartViewer->zoomByWheel(event);
}

void Trendora::onMouseZoomIn(bool on)
{
    ui->btn_zoomIn->setChecked(on);
    ui->btn_zoomOut->setChecked(false);
    ui->chartViewer->setMouseMode(on ? QChartViewer::MouseUsageZoomIn
                                     : QChartViewer::MouseUsageScroll);
}

void Trendora::onMouseZoomOut(bool on)
{
    ui->btn_zoomOut->setChecked(on);
    ui->btn_zoomIn->setChecked(false);
    ui->chartViewer->setMouseMode(on ? QChartViewer::MouseUsageZoomOut
                                     : QChartViewer::MouseUsageScroll);
}

void Trendora::topDblClick()
{
    slotViewFull(!isFullScreen());
}

void Trendora::slotViewFull(bool on)
{
    m_fullScreenAction->setChecked(on);
    if (on)
        showFullScreen();
    else
        showNormal();
}

void Trendora::slotCommandProject()
{
    MenuPopup::popUnder(m_projectMenu, ui->btn_project);
}

void Trendora::slotCommandScreen()
{
    MenuPopup::popUnder(m_viewMenu, ui->btn_window);
}

void Trendora::slotCommandExport()
{
    MenuPopup::popUnder(m_exportMenu, ui->btn_export);
}

void Trendora::slotNewViewProject()
{
    m_launcher.launch(CompanionLauncher::Trendora, projectFile, std::nullopt);
}

void Trendora::slotCsvExport()
{
    qCDebug(lcViewer) << "slotCsvExport()";
    if (!m_dataReady || m_busy)
        return;
    QString fileName = askSaveFileName ? askSaveFileName(GenerateCsvFile::proposedName(
                                             projectFile, QDateTime::currentDateTime()))
                                       : QString();
    if (fileName.isEmpty())
        return;
    if (!GenerateCsvFile::prepareTarget(&fileName)) {
        showMessage(QStringLiteral("ERROR"),
                    QStringLiteral("The file cannot be written:\n") + fileName);
        return;
    }
    m_progress->open(QStringLiteral("Creating CSV File..."), m_rowCount);
    m_busy = true;
    auto *worker = new GenerateCsvFile(fileName, m_rowCount, m_series, this);
    m_csvWorker = worker;
    connect(worker, &GenerateCsvFile::done, this, &Trendora::csvThreadDone);
    connect(worker, &GenerateCsvFile::failed, this, [this](const QString &text) {
        m_progress->close();
        m_busy = false;
        showMessage(QStringLiteral("ERROR"),
                    QStringLiteral("The CSV file could not be written.\n") + text);
    });
    m_progress->start(worker);
}

void Trendora::csvThreadDone(const QString &file)
{
    m_progress->close();
    m_busy = false;
    emit csvWritten(file);
    if (openFile)
        openFile(file);
}
