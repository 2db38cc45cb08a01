#include "Trendora.h"

#include "ChannelKey.h"
#include "DatabaseSpan.h"
#include "GenerateCsvFile.h"
#include "GenerateLinearQueries.h"
#include "TableModel.h"
#include "ViewerChart.h"

#include "QChartViewer.h"
#include "QChartViewerLabel.h"
#include "XYChart.h"
#include "core/DataInterval.h"
#include "core/ProjectFile.h"
#include "widgets/MessageDialog.h"
#include "widgets/TopCustomFrame.h"

#include <QAction>
#include <QCoreApplication>
#include <QDateTimeEdit>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QLoggingCategory>
#include <QMenu>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QTableView>
#include <QToolBox>
#include <QUrl>
#include <QUuid>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <cmath>

Q_LOGGING_CATEGORY(lcViewer, "moravin.viewer.main")

namespace {

const char *const TimeFormat = "yyyy-MM-dd hh:mm:ss";
const char *const MenuStyle = "background-color: rgb(203, 203, 203);";
const char *const ProgressStyle = "background-color:rgb(55,55,55);color:rgb(230,230,230);";
const char *const ButtonStyle =
    "QPushButton{color:rgb(230,230,230);background-color:qlineargradient(x1:0,y1:0,x2:0,y2:1,"
    "stop:0 rgb(90,90,90),stop:1 rgb(60,60,60));border:1px solid rgb(40,40,40);"
    "border-radius:3px;padding:4px 10px;font:bold 9pt \"Segoe UI\";}"
    "QPushButton:disabled{color:rgb(120,120,120);}"
    "QPushButton:checked{background-color:rgb(30,110,100);}";
constexpr double ScrollScale = 1000000000.0;

} // namespace

Trendora::Trendora(const QString &file, const QList<ConfiguredDevice> &deviceList, QWidget *parent)
    : QWidget(parent),
      m_connectionTag(QString::fromLatin1(QUuid::createUuid().toString().toUtf8().toBase64())),
      projectFile(file), devices(deviceList), checkIcon(QStringLiteral(":/img/check.png")),
      noCheckIcon(QStringLiteral(":/img/nocheck.png"))
{
    askSaveFileName = [this](const QString &proposed) {
        return QFileDialog::getSaveFileName(this, QStringLiteral("Save CSV File"), proposed,
                                            QStringLiteral("*.csv"));
    };
    openFile = [](const QString &f) { QDesktopServices::openUrl(QUrl::fromLocalFile(f)); };
    startDetached = [](const QString &program, const QStringList &arguments) {
        return QProcess::startDetached(program, arguments);
    };

    buildWidgets();
    readProject();
    setUpDateRange();
    fillDeviceList();
}

Trendora::~Trendora()
{
    stopWorkers();
    closeProgressDialog();
    delete m_viewer->chart();
    m_viewer->setChart(nullptr);
}

void Trendora::stopWorkers()
{
    for (QThread *t :
         {static_cast<QThread *>(m_worker.data()), static_cast<QThread *>(m_csvWorker.data())}) {
        if (t) {
            t->requestInterruption();
            t->wait();
        }
    }
}

void Trendora::buildWidgets()
{
    setObjectName(QStringLiteral("Trendora"));
    setWindowTitle(QStringLiteral("Trendora"));
    setWindowIcon(QIcon(QStringLiteral(":/img/I_2.png")));
    resize(1150, 600);
    setMinimumSize(1024, 510);
    setStyleSheet(
        QStringLiteral("QWidget#Trendora{background-color:qlineargradient(x1:0,y1:0,x2:1,y2:1,"
                       "stop:0 rgb(49,49,49),stop:1 rgb(73,73,73));}"
                       "QLabel{color:rgb(220,220,220);font:9pt \"Segoe UI\";}"));

    auto *root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);

    // Title band.
    m_topFrame = new TopCustomFrame(this);
    m_topFrame->setObjectName(QStringLiteral("topFrame"));
    m_topFrame->setFixedHeight(40);
    m_topFrame->setStyleSheet(
        QStringLiteral("QFrame#topFrame{background-color:qlineargradient(x1:0,y1:0,x2:1,y2:0,"
                       "stop:0 rgba(155,155,155,255),stop:1 rgba(184,184,184,255));}"
                       "QLabel{color:rgb(40,40,40);background:transparent;}"));
    auto *top = new QHBoxLayout(m_topFrame);
    top->setContentsMargins(8, 4, 8, 4);
    auto *logo = new QLabel(m_topFrame);
    logo->setObjectName(QStringLiteral("label_logo"));
    logo->setPixmap(QPixmap(QStringLiteral(":/img/MoravinLogoLite.png")));
    auto *title = new QLabel(QStringLiteral("TRENDORA"), m_topFrame);
    title->setObjectName(QStringLiteral("label_title"));
    title->setStyleSheet(QStringLiteral("font:bold 13pt \"Segoe UI\";color:rgb(45,45,45);"));
    m_projectButton = new QPushButton(QStringLiteral("Project"), m_topFrame);
    m_projectButton->setObjectName(QStringLiteral("btn_project"));
    m_windowButton = new QPushButton(QStringLiteral("Window"), m_topFrame);
    m_windowButton->setObjectName(QStringLiteral("btn_window"));
    for (QPushButton *b : {m_projectButton, m_windowButton}) {
        b->setFlat(true);
        b->setStyleSheet(
            QStringLiteral("QPushButton{color:rgb(40,40,40);font:bold 9pt \"Segoe UI\";"
                           "border:none;padding:2px 8px;}"
                           "QPushButton:hover{background-color:rgb(210,210,210);}"));
    }
    auto *version = new QLabel(QStringLiteral("V3.33"), m_topFrame);
    version->setObjectName(QStringLiteral("label_version"));
    m_projectLabel = new QLabel(m_topFrame);
    m_projectLabel->setObjectName(QStringLiteral("label_project"));
    m_intervalLabel = new QLabel(m_topFrame);
    m_intervalLabel->setObjectName(QStringLiteral("label_interval"));
    m_periodLabel = new QLabel(m_topFrame);
    m_periodLabel->setObjectName(QStringLiteral("label_period"));
    top->addWidget(logo);
    top->addSpacing(6);
    top->addWidget(title);
    top->addSpacing(12);
    top->addWidget(m_projectButton);
    top->addWidget(m_windowButton);
    top->addSpacing(8);
    top->addWidget(version);
    top->addStretch(1);
    top->addWidget(m_projectLabel);
    top->addSpacing(16);
    top->addWidget(m_intervalLabel);
    top->addSpacing(16);
    top->addWidget(m_periodLabel);
    root->addWidget(m_topFrame);

    auto *body = new QHBoxLayout;
    body->setContentsMargins(6, 6, 6, 6);
    body->setSpacing(6);
    root->addLayout(body, 1);

    // Selection and table.
    m_toolBox = new QToolBox(this);
    m_toolBox->setObjectName(QStringLiteral("toolBox"));
    m_toolBox->setFixedWidth(340);
    m_toolBox->setStyleSheet(QStringLiteral(
        "QToolBox::tab{background-color:rgb(120,120,120);color:rgb(240,240,240);"
        "font:bold 9pt \"Segoe UI\";border-radius:3px;}"
        "QToolBox::tab:selected{background-color:rgb(30,110,100);}"
        "QListWidget{background-color:rgb(55,55,55);color:rgb(230,230,230);font:9pt \"Segoe UI\";}"
        "QDateTimeEdit{background-color:rgb(230,230,230);color:rgb(40,40,40);}"
        "QWidget#page_select,QWidget#page_table{background-color:rgb(45,45,45);}"
        "QLabel{color:rgb(220,220,220);font:bold 8pt \"Segoe UI\";}"));
    auto *selectPage = new QWidget;
    selectPage->setObjectName(QStringLiteral("page_select"));
    auto *select = new QVBoxLayout(selectPage);
    select->setContentsMargins(2, 2, 2, 2);
    m_deviceList = new QListWidget(selectPage);
    m_deviceList->setObjectName(QStringLiteral("listWidget_device"));
    select->addWidget(m_deviceList, 1);
    auto *startLabel = new QLabel(QStringLiteral("START DATE"), selectPage);
    m_startEdit = new QDateTimeEdit(selectPage);
    m_startEdit->setObjectName(QStringLiteral("dateTimeEdit_start"));
    auto *endLabel = new QLabel(QStringLiteral("END DATE"), selectPage);
    m_endEdit = new QDateTimeEdit(selectPage);
    m_endEdit->setObjectName(QStringLiteral("dateTimeEdit_end"));
    for (QDateTimeEdit *e : {m_startEdit, m_endEdit}) {
        e->setDisplayFormat(QString::fromLatin1(TimeFormat));
        e->setCalendarPopup(true);
    }
    select->addWidget(startLabel);
    select->addWidget(m_startEdit);
    select->addWidget(endLabel);
    select->addWidget(m_endEdit);
    m_makeChartButton = new QPushButton(QStringLiteral("MAKE CHART"), selectPage);
    m_makeChartButton->setObjectName(QStringLiteral("btn_makeChart"));
    m_makeChartButton->setToolTip(QStringLiteral("Make Chart and Table"));
    m_makeChartButton->setStyleSheet(QString::fromLatin1(ButtonStyle));
    select->addSpacing(4);
    select->addWidget(m_makeChartButton);
    m_toolBox->addItem(selectPage, QStringLiteral("SELECT DEVICE"));

    auto *tablePage = new QWidget;
    tablePage->setObjectName(QStringLiteral("page_table"));
    auto *tableLayout = new QVBoxLayout(tablePage);
    tableLayout->setContentsMargins(2, 2, 2, 2);
    m_table = new QTableView(tablePage);
    m_table->setObjectName(QStringLiteral("tableView"));
    m_table->setStyleSheet(
        QStringLiteral("background-color:rgb(55,55,55);color:rgb(230,230,230);"));
    m_table->horizontalHeader()->setStyleSheet(
        QStringLiteral("background-color:rgb(230,230,230);color:rgb(55,55,55);"));
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->horizontalHeader()->setDefaultSectionSize(50);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(22);
    tableLayout->addWidget(m_table);
    m_toolBox->addItem(tablePage, QStringLiteral("TABLE VIEW"));
    body->addWidget(m_toolBox);

    // Chart area.
    auto *chartColumn = new QVBoxLayout;
    chartColumn->setSpacing(4);
    m_chartArea = new QChartViewerLabel(this);
    m_chartArea->setObjectName(QStringLiteral("frame_chart"));
    m_chartArea->setMinimumSize(400, 300);
    m_chartArea->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    m_chartArea->setStyleSheet(QStringLiteral("background-color:rgb(89,89,89);"));
    m_viewer = new QChartViewer(m_chartArea);
    m_viewer->setObjectName(QStringLiteral("chartViewer"));
    chartColumn->addWidget(m_chartArea, 1);
    auto *controls = new QHBoxLayout;
    m_scrollBar = new QScrollBar(Qt::Horizontal, this);
    m_scrollBar->setObjectName(QStringLiteral("horizontalScrollBar"));
    m_scrollBar->setStyleSheet(QStringLiteral("color:rgb(200,200,200);"));
    m_scrollBar->setEnabled(false);
    m_zoomInButton = new QPushButton(this);
    m_zoomInButton->setObjectName(QStringLiteral("btn_zoomIn"));
    m_zoomInButton->setToolTip(QStringLiteral("Zoom In"));
    m_zoomInButton->setIcon(QIcon(QStringLiteral(":/img/zoom_in.png")));
    m_zoomOutButton = new QPushButton(this);
    m_zoomOutButton->setObjectName(QStringLiteral("btn_zoomOut"));
    m_zoomOutButton->setToolTip(QStringLiteral("Zoom Out"));
    m_zoomOutButton->setIcon(QIcon(QStringLiteral(":/img/zoom_out.png")));
    for (QPushButton *b : {m_zoomInButton, m_zoomOutButton}) {
        b->setCheckable(true);
        b->setIconSize(QSize(24, 24));
        b->setFixedSize(34, 30);
        b->setStyleSheet(QString::fromLatin1(ButtonStyle));
    }
    m_exportButton = new QPushButton(QStringLiteral("EXPORT DATA"), this);
    m_exportButton->setObjectName(QStringLiteral("btn_export"));
    m_exportButton->setToolTip(QStringLiteral("Export CSV File"));
    m_exportButton->setStyleSheet(QString::fromLatin1(ButtonStyle));
    controls->addWidget(m_scrollBar, 1);
    controls->addWidget(m_zoomInButton);
    controls->addWidget(m_zoomOutButton);
    controls->addSpacing(8);
    controls->addWidget(m_exportButton);
    chartColumn->addLayout(controls);
    body->addLayout(chartColumn, 1);

    // Menus.
    m_projectMenu = new QMenu(QStringLiteral("Project"), this);
    m_projectMenu->setObjectName(QStringLiteral("menu_project"));
    QAction *newViewer = m_projectMenu->addAction(QStringLiteral("New Trendora"));
    newViewer->setObjectName(QStringLiteral("action_newTrendora"));
    m_projectMenu->addSeparator();
    QAction *exitAction = m_projectMenu->addAction(QStringLiteral("Exit"));
    exitAction->setObjectName(QStringLiteral("action_exit"));
    m_viewMenu = new QMenu(QStringLiteral("View"), this);
    m_viewMenu->setObjectName(QStringLiteral("menu_view"));
    m_fullScreenAction = m_viewMenu->addAction(QStringLiteral("FullScreen"));
    m_fullScreenAction->setObjectName(QStringLiteral("action_fullScreen"));
    m_fullScreenAction->setCheckable(true);
    m_exportMenu = new QMenu(QStringLiteral("EXPORT"), this);
    m_exportMenu->setObjectName(QStringLiteral("menu_export"));
    QAction *csv = m_exportMenu->addAction(QStringLiteral("CSV"));
    csv->setObjectName(QStringLiteral("action_csv"));
    for (QMenu *m : {m_projectMenu, m_viewMenu, m_exportMenu})
        m->setStyleSheet(QString::fromLatin1(MenuStyle));
    connect(newViewer, &QAction::triggered, this, &Trendora::slotNewViewProject);
    connect(exitAction, &QAction::triggered, this, &QWidget::close);
    connect(m_fullScreenAction, &QAction::triggered, this, &Trendora::slotViewFull);
    connect(csv, &QAction::triggered, this, &Trendora::slotCsvExport);
    connect(m_projectButton, &QPushButton::clicked, this, &Trendora::slotCommandProject);
    connect(m_windowButton, &QPushButton::clicked, this, &Trendora::slotCommandScreen);
    connect(m_exportButton, &QPushButton::clicked, this, &Trendora::slotCommandExport);
    connect(m_topFrame, &TopCustomFrame::customDoubleClick, this, &Trendora::topDblClick);

    connect(m_deviceList, &QListWidget::itemClicked, this, &Trendora::slotConfigSelected);
    connect(m_makeChartButton, &QPushButton::clicked, this, &Trendora::slotView);

    // Chart viewer: view port, mouse and zoom handling.
    m_viewer->setMouseMode(QChartViewer::MouseUsageScroll);
    connect(m_viewer, &QChartViewer::viewPortChanged, this, &Trendora::onViewPortChanged);
    connect(m_viewer, &QChartViewer::mouseMovePlotArea, this, &Trendora::onMouseMovePlotArea);
    connect(m_viewer, &QChartViewer::mouseWheel, this, &Trendora::onMouseWheelChart);
    connect(m_scrollBar, &QScrollBar::valueChanged, this, &Trendora::onHScrollBarChanged);
    connect(m_zoomInButton, &QPushButton::clicked, this, &Trendora::onMouseZoomIn);
    connect(m_zoomOutButton, &QPushButton::clicked, this, &Trendora::onMouseZoomOut);
    connect(m_chartArea, &QChartViewerLabel::refreshChart, this, [this] {
        if (m_dataReady)
            m_viewer->requestViewPortUpdate(true, false);
    });
}

void Trendora::readProject()
{
    QSettings settings(projectFile, QSettings::IniFormat);
    const QString databaseName = settings.value(QStringLiteral("databaseName")).toString();
    const QString startText = settings.value(QStringLiteral("record_start_time")).toString();
    const QString stopText = settings.value(QStringLiteral("record_stop_time")).toString();
    dataInterval = settings.value(QStringLiteral("DataInterval")).toString().toInt();
    const QFileInfo info(projectFile);
    m_dbname = info.absolutePath() + QLatin1Char('/') + databaseName;
    qCDebug(lcViewer) << "m_dbname : " << m_dbname;

    recordStartTime = QDateTime::fromString(startText, QString::fromLatin1(TimeFormat));
    recordStopTime = QDateTime::fromString(stopText, QString::fromLatin1(TimeFormat));
    // A project that never finished a recording, or a hand-edited one: the
    // period comes from the database's first and last rows.
    if (!recordStartTime.isValid() || !recordStopTime.isValid() ||
        recordStartTime > recordStopTime) {
        qint64 first = 0, last = 0;
        if (DatabaseSpan::read(m_dbname, &first, &last)) {
            if (!recordStartTime.isValid() || recordStartTime > recordStopTime)
                recordStartTime = QDateTime::fromSecsSinceEpoch(first);
            if (!recordStopTime.isValid() || recordStartTime > recordStopTime)
                recordStopTime = QDateTime::fromSecsSinceEpoch(last);
            if (recordStartTime > recordStopTime)
                recordStartTime = QDateTime::fromSecsSinceEpoch(first);
        } else {
            const QDateTime now = QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch());
            if (!recordStopTime.isValid())
                recordStopTime = recordStartTime.isValid() ? recordStartTime : now;
            if (!recordStartTime.isValid() || recordStartTime > recordStopTime)
                recordStartTime = recordStopTime;
        }
        qCDebug(lcViewer) << "record period from the database :" << recordStartTime
                          << recordStopTime;
        m_periodText = recordStartTime.toString(QString::fromLatin1(TimeFormat)) +
                       QStringLiteral(" ~ ") +
                       recordStopTime.toString(QString::fromLatin1(TimeFormat));
    } else {
        m_periodText = startText + QStringLiteral(" ~ ") + stopText;
    }

    m_projectLabel->setText(ProjectFile::displayName(projectFile, info.completeBaseName()));
    m_projectLabel->setToolTip(projectFile);
    m_intervalLabel->setText(QStringLiteral("Interval : ") +
                             DataInterval::intervalText(dataInterval));
    m_periodLabel->setText(m_periodText);
}

void Trendora::setUpDateRange()
{
    QDateTime start = recordStopTime.addMonths(-1);
    if (start < recordStartTime)
        start = recordStartTime;
    m_startEdit->setDateTimeRange(start, recordStopTime.addSecs(-60));
    m_startEdit->setDateTime(start);
    m_endEdit->setDateTimeRange(recordStartTime.addSecs(60), recordStopTime);
    m_endEdit->setDateTime(recordStopTime);
    connect(m_startEdit, &QDateTimeEdit::dateTimeChanged, this,
            &Trendora::slotStartDateTimeChanged);
    connect(m_endEdit, &QDateTimeEdit::dateTimeChanged, this, &Trendora::slotEndDateTimeChanged);
}

void Trendora::fillDeviceList()
{
    for (const ConfiguredDevice &d : qAsConst(devices)) {
        const QString label = d.deviceName.isEmpty() ? d.deviceNumber : d.deviceName;
        const QString names[2] = {d.ch1Name, d.ch2Name};
        for (int ch = 1; ch <= 2; ++ch) {
            auto *item = new QListWidgetItem(
                noCheckIcon, names[ch - 1] + QStringLiteral("\t[") + label + QStringLiteral("]"),
                m_deviceList);
            item->setData(Qt::ToolTipRole, ChannelKey::make(d.deviceNumber, ch));
        }
    }
    m_toolBox->setCurrentIndex(0);
    m_makeChartButton->setEnabled(false);
    m_exportButton->setEnabled(false);
    m_exportButton->hide();
}

void Trendora::slotConfigSelected(QListWidgetItem *item)
{
    if (!item || m_busy || m_dataReady)
        return;
    if (m_selectedItems.contains(item)) {
        m_selectedItems.removeAll(item);
        item->setIcon(noCheckIcon);
    } else if (m_selectedItems.size() < 4) {
        m_selectedItems.append(item);
        item->setIcon(checkIcon);
    }
    m_makeChartButton->setEnabled(!m_selectedItems.isEmpty());
}

void Trendora::slotStartDateTimeChanged(const QDateTime &start)
{
    qCDebug(lcViewer) << "slotStartDateTimeChanged : " << start;
    const QDateTime limit = m_endEdit->dateTime().addSecs(-60);
    if (!(start < limit))
        m_startEdit->setDateTime(limit);
}

void Trendora::slotEndDateTimeChanged(const QDateTime &end)
{
    QDateTime lower = end.addMonths(-1);
    if (lower < recordStartTime)
        lower = recordStartTime;
    m_startEdit->setDateTimeRange(lower.addSecs(60), end);
    qCDebug(lcViewer) << "slotEndDateTimeChanged : " << end;
    const QDateTime pushed = m_startEdit->dateTime().addSecs(60);
    if (!(pushed < end))
        m_endEdit->setDateTime(pushed);
}

void Trendora::openProgressDialog(const QString &label, int maximum)
{
    closeProgressDialog();
    m_progressDialog = new QProgressDialog(this, Qt::Dialog | Qt::FramelessWindowHint);
    m_progressDialog->setObjectName(QStringLiteral("progressDialog"));
    m_progressDialog->setCancelButton(nullptr);
    m_progressDialog->setStyleSheet(QString::fromLatin1(ProgressStyle));
    m_progressDialog->setAutoClose(false);
    m_progressDialog->setAutoReset(false);
    m_progressDialog->setMinimumDuration(0);
    m_progressDialog->setRange(0, maximum);
    m_progressDialog->setLabelText(label);
    m_progressDialog->setMinimumWidth(320);
    m_progressDialog->show();
}

void Trendora::closeProgressDialog()
{
    if (m_progressDialog) {
        m_progressDialog->close();
        delete m_progressDialog.data();
    }
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
    if (m_selectedItems.isEmpty()) {
        showMessage(QStringLiteral("Information"),
                    QStringLiteral("Please select at least one or more Device.\nPlease retry."));
        return;
    }
    m_busy = true;
    m_deviceList->clearSelection();
    m_deviceList->setEnabled(false);
    m_startEdit->setEnabled(false);
    m_endEdit->setEnabled(false);
    m_makeChartButton->setEnabled(false);
    openProgressDialog(QStringLiteral("Creating View..."), 0);

    const QDateTime startTime = m_startEdit->dateTime();
    const QDateTime endTime = m_endEdit->dateTime();
    const QString start = QString::number(startTime.toSecsSinceEpoch());
    const QString end = QString::number(endTime.toSecsSinceEpoch());
    qCDebug(lcViewer) << "start time : " << start
                      << startTime.toString(QString::fromLatin1(TimeFormat));
    qCDebug(lcViewer) << "end   time : " << end
                      << endTime.toString(QString::fromLatin1(TimeFormat));

    auto *worker =
        new GenerateLinearQueries(m_connectionTag, m_dbname, QFileInfo(projectFile).absolutePath(),
                                  m_selectedItems, start, end, this);
    worker->setIntervalHint(dataInterval);
    m_worker = worker;
    connect(worker, &GenerateLinearQueries::done, this, &Trendora::genThreadDone);
    connect(worker, &GenerateLinearQueries::wholeCount, this, &Trendora::genThreadCount);
    connect(worker, &GenerateLinearQueries::calcTimeSeries, this, &Trendora::genThreadTimeSeries);
    connect(worker, &GenerateLinearQueries::createHashTables, this, &Trendora::genThreadHashTables);
    connect(worker, &GenerateLinearQueries::progPlus, this, [this](int v) {
        if (m_progressDialog)
            m_progressDialog->setValue(v);
    });
    connect(worker, &GenerateLinearQueries::error, this, &Trendora::genThreadError);
    connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    worker->start(QThread::LowPriority);
}

void Trendora::genThreadHashTables()
{
    if (m_progressDialog)
        m_progressDialog->setLabelText(QStringLiteral("Creating Hash Tables..."));
}

void Trendora::genThreadTimeSeries()
{
    if (m_progressDialog)
        m_progressDialog->setLabelText(QStringLiteral("Calculating Time Series..."));
}

void Trendora::genThreadCount(int count)
{
    m_rowCount = count;
    if (m_progressDialog) {
        m_progressDialog->setLabelText(QStringLiteral("Creating Chart..."));
        m_progressDialog->setRange(0, count);
    }
}

void Trendora::genThreadError(const QString &text)
{
    qCDebug(lcViewer) << "genThreadError : " << text;
    closeProgressDialog();
    showMessage(QStringLiteral("ERROR"), text);
    m_deviceList->clearSelection();
    m_deviceList->setEnabled(true);
    m_startEdit->setEnabled(true);
    m_endEdit->setEnabled(true);
    m_makeChartButton->setEnabled(!m_selectedItems.isEmpty());
    m_busy = false;
    emit generationFailed(text);
}

void Trendora::genThreadDone(int count)
{
    qCDebug(lcViewer) << "genThreadDone 1";
    if (m_worker)
        m_series = m_worker->takeResult();
    m_rowCount = m_series.rowCount();
    Q_UNUSED(count)
    m_dataReady = m_rowCount > 0;
    qCDebug(lcViewer) << "genThreadDone 2";

    ViewPortManager *vp = m_viewer->viewPortManager();
    double first = m_rowCount ? m_series.x.first() : 0;
    double last = m_rowCount ? m_series.x.last() : 1;
    if (!(last > first)) {
        first -= 30;
        last += 30;
    }
    vp->setFullRange(QStringLiteral("x"), first, last);
    vp->setViewPortWidth(0.2);
    vp->setViewPortLeft(1 - vp->getViewPortWidth());
    vp->setZoomInWidthLimit(std::min(1.0, 10.0 / std::max(1, m_rowCount)));
    m_viewer->requestViewPortUpdate(true, true);
    qCDebug(lcViewer) << "genThreadDone 3";

    closeProgressDialog();
    delete m_tableModel;
    m_tableModel = new TableModel(this);
    m_tableModel->setSeries(m_series);
    m_table->setModel(m_tableModel);
    m_table->horizontalHeader()->resizeSection(
        0, m_table->fontMetrics().horizontalAdvance(QStringLiteral("0000-00-00 00:00:00")) + 16);
    qCDebug(lcViewer) << "genThreadDone 4";

    m_deviceList->setEnabled(false);
    m_startEdit->setEnabled(false);
    m_endEdit->setEnabled(false);
    m_makeChartButton->setEnabled(false);
    m_makeChartButton->hide();
    m_exportButton->setEnabled(true);
    m_exportButton->show();
    m_toolBox->setCurrentIndex(1);
    m_busy = false;
    emit chartReady(m_rowCount);
}

void Trendora::updateScrollBar()
{
    ViewPortManager *vp = m_viewer->viewPortManager();
    const double width = vp->getViewPortWidth();
    m_scrollBar->setEnabled(width < 1);
    const int pageStep = static_cast<int>(std::ceil(width * ScrollScale));
    m_scrollBar->setPageStep(pageStep);
    m_scrollBar->setSingleStep(std::min(pageStep, 10000000));
    m_scrollBar->setRange(0, static_cast<int>(ScrollScale) - pageStep);
    m_scrollBar->setValue(static_cast<int>(std::lround(vp->getViewPortLeft() * ScrollScale)));
}

void Trendora::onHScrollBarChanged(int value)
{
    if (m_viewer->isInViewPortChangedEvent())
        return;
    const double range = m_scrollBar->pageStep() + m_scrollBar->maximum();
    m_viewer->viewPortManager()->setViewPortLeft(value / range);
    m_viewer->requestViewPortUpdate(true, false);
}

void Trendora::onViewPortChanged()
{
    updateScrollBar();
    if (m_viewer->needsChartUpdate())
        drawChart();
    if (!m_viewer->isInMouseMoveEvent() && m_viewer->isMouseOnPlotArea() && m_viewer->chart()) {
        ViewerChart::drawTrackCursor(static_cast<XYChart *>(m_viewer->chart()),
                                     m_viewer->plotAreaMouseX(), m_series);
        m_viewer->refreshDisplay();
    }
}

void Trendora::drawChart()
{
    if (!m_dataReady)
        return;
    BaseChart *old = m_viewer->chart();
    XYChart *chart = ViewerChart::build(m_chartArea->width(), m_chartArea->height(), m_series,
                                        m_viewer->viewPortManager());
    m_viewer->setChart(chart);
    delete old;
}

void Trendora::onMouseMovePlotArea(QMouseEvent *)
{
    auto *chart = static_cast<XYChart *>(m_viewer->chart());
    if (!chart)
        return;
    ViewerChart::drawTrackCursor(chart, m_viewer->plotAreaMouseX(), m_series);
    m_viewer->refreshDisplay();
    m_viewer->setAutoHideTrigger(QStringLiteral("mouseLeavePlotArea"));
}

void Trendora::onMouseWheelChart(QWheelEvent *event)
{
    if (!m_dataReady || !event)
        return;
    ViewPortManager *vp = m_viewer->viewPortManager();
    const double ratio = event->angleDelta().y() > 0 ? 0.9 : 1 / 0.9;
    const double oldWidth = vp->getViewPortWidth();
    const double newWidth =
        std::max(vp->getZoomInWidthLimit(), std::min(oldWidth * ratio, vp->getZoomOutWidthLimit()));
    const double oldHeight = vp->getViewPortHeight();
    const double newHeight = std::max(vp->getZoomInHeightLimit(),
                                      std::min(oldHeight * ratio, vp->getZoomOutHeightLimit()));
    const QPointF pos = event->position();
    if (newWidth != oldWidth) {
        const double plotWidth = std::max(1, vp->getPlotAreaWidth());
        vp->setViewPortLeft(vp->getViewPortLeft() +
                            (pos.x() - vp->getPlotAreaLeft()) / plotWidth * (oldWidth - newWidth));
        vp->setViewPortWidth(newWidth);
    }
    if (newHeight != oldHeight) {
        const double plotHeight = std::max(1, vp->getPlotAreaHeight());
        vp->setViewPortTop(vp->getViewPortTop() +
                           (pos.y() - vp->getPlotAreaTop()) / plotHeight * (oldHeight - newHeight));
        vp->setViewPortHeight(newHeight);
    }
    m_viewer->requestViewPortUpdate(true, false);
}

void Trendora::onMouseZoomIn(bool on)
{
    m_zoomInButton->setChecked(on);
    m_zoomOutButton->setChecked(false);
    m_viewer->setMouseMode(on ? QChartViewer::MouseUsageZoomIn : QChartViewer::MouseUsageScroll);
}

void Trendora::onMouseZoomOut(bool on)
{
    m_zoomOutButton->setChecked(on);
    m_zoomInButton->setChecked(false);
    m_viewer->setMouseMode(on ? QChartViewer::MouseUsageZoomOut : QChartViewer::MouseUsageScroll);
}

void Trendora::topDblClick()
{
    const bool full = !isFullScreen();
    m_fullScreenAction->setChecked(full);
    slotViewFull(full);
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
    m_projectMenu->popup(m_projectButton->mapToGlobal(QPoint(0, m_projectButton->height())));
}

void Trendora::slotCommandScreen()
{
    m_viewMenu->popup(m_windowButton->mapToGlobal(QPoint(0, m_windowButton->height())));
}

void Trendora::slotCommandExport()
{
    m_exportMenu->popup(m_exportButton->mapToGlobal(QPoint(0, m_exportButton->height())));
}

QString Trendora::newViewerCommand() const
{
    return QStringLiteral("Trendora '") + projectFile + QLatin1Char('\'');
}

void Trendora::slotNewViewProject()
{
    const QString databaseName = QSettings(projectFile, QSettings::IniFormat)
                                     .value(QStringLiteral("databaseName"))
                                     .toString();
    const QString db = QFileInfo(projectFile).absolutePath() + QLatin1Char('/') + databaseName;
    if (databaseName.isEmpty() || !QFileInfo(db).isFile()) {
        showMessage(QStringLiteral("WARNING"), QStringLiteral("There is no data file."));
        return;
    }
    const QString command = newViewerCommand();
    qCDebug(lcViewer) << "cmd : " << command;
    // The arguments a detached start of that command string gives: split at
    // blanks; the new viewer joins them again.
    const QStringList arguments =
        command.mid(command.indexOf(QLatin1Char(' ')) + 1).split(QLatin1Char(' '));
    QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/Trendora");
    if (!QFileInfo(program).isExecutable())
        program = QStringLiteral("Trendora");
    if (!startDetached || !startDetached(program, arguments)) {
        qCDebug(lcViewer) << "startDetached : " << command << " failed!";
        showMessage(QStringLiteral("ERROR"),
                    QStringLiteral("Please check the Trendora execution file."));
    }
}

QString Trendora::proposedCsvName() const
{
    const QFileInfo info(projectFile);
    return info.absolutePath() + QLatin1Char('/') + info.completeBaseName() + QLatin1Char('_') +
           QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddhhmmss")) +
           QStringLiteral(".csv");
}

void Trendora::slotCsvExport()
{
    qCDebug(lcViewer) << "slotCsvExport()";
    if (!m_dataReady || m_busy)
        return;
    QString fileName = askSaveFileName ? askSaveFileName(proposedCsvName()) : QString();
    if (fileName.isEmpty())
        return;
    if (QFileInfo(fileName).suffix().isEmpty())
        fileName += QStringLiteral(".csv");
    if (QFileInfo::exists(fileName))
        QFile::remove(fileName);
    {
        QFile test(fileName);
        if (!test.open(QIODevice::WriteOnly)) {
            showMessage(QStringLiteral("ERROR"),
                        QStringLiteral("The file cannot be written:\n") + fileName);
            return;
        }
        test.close();
    }
    openProgressDialog(QStringLiteral("Creating CSV File..."), m_rowCount);
    m_busy = true;
    auto *worker = new GenerateCsvFile(fileName, m_selectedItems, m_rowCount, m_series, this);
    m_csvWorker = worker;
    connect(worker, &GenerateCsvFile::done, this, &Trendora::csvThreadDone);
    connect(worker, &GenerateCsvFile::failed, this, [this](const QString &text) {
        closeProgressDialog();
        m_busy = false;
        showMessage(QStringLiteral("ERROR"),
                    QStringLiteral("The CSV file could not be written.\n") + text);
    });
    connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    connect(worker, &GenerateCsvFile::progPlus, this, [this](int v) {
        if (m_progressDialog)
            m_progressDialog->setValue(v);
    });
    worker->start(QThread::LowPriority);
}

void Trendora::csvThreadDone(const QString &file)
{
    closeProgressDialog();
    m_busy = false;
    emit csvWritten(file);
    if (openFile)
        openFile(file);
}
