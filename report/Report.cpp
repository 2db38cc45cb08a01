#include "Report.h"

#include "GenerateAverageQueries.h"
#include "ReportDateRange.h"
#include "ReportExporter.h"
#include "ReportLogging.h"
#include "ReportMarkup.h"
#include "ReportPage.h"
#include "companion/ChannelSelection.h"
#include "companion/WorkerProgress.h"
#include "core/ChannelUnit.h"
#include "core/ConnectionTag.h"
#include "core/ProjectFile.h"
#include "ui_Report.h"
#include "widgets/MenuPopup.h"
#include "widgets/MessageDialog.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QMenu>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QWebFrame>

namespace {

const QString kTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");
const QString kFormUrl = QStringLiteral("qrc:///assets/reportform.html");

} // namespace

Report::Report(const QString &projectFile, const QList<DeviceSettings> &devices, QWidget *parent)
    : QWidget(parent, Qt::Dialog | Qt::FramelessWindowHint), m_ui(new Ui::Report),
      m_connectionTag(ConnectionTag::create()), m_projectFile(projectFile), m_launcher(this)
{
    m_ui->setupUi(this);
    m_normalGeometry = geometry();
    m_selection = new ChannelSelection(m_ui->listWidget_device);
    m_progress = new WorkerProgress(this);

    m_chooseFile = [this](const QString &title, const QString &proposed, const QString &filter) {
        return QFileDialog::getSaveFileName(this, title, proposed, filter);
    };
    m_openFile = [](const QUrl &url) { QDesktopServices::openUrl(url); };

    readProject();

    connect(m_ui->topFrame, &TopCustomFrame::customClick, this, &Report::topClick);
    connect(m_ui->topFrame, &TopCustomFrame::customMove, this, &Report::topMoved);
    connect(m_ui->topFrame, &TopCustomFrame::customDoubleClick, this, &Report::slotView100);
    connect(m_ui->btn_close, &QPushButton::clicked, this, &QWidget::close);
    connect(m_ui->btn_minimize, &QPushButton::clicked, this, &QWidget::showMinimized);
    connect(m_ui->btn_project, &QPushButton::clicked, this, &Report::slotCommandProject);
    connect(m_ui->btn_makeReport, &QPushButton::clicked, this, &Report::slotCommandUpdate);
    connect(m_ui->btn_exportReport, &QPushButton::clicked, this, &Report::slotCommandPrint);
    connect(m_ui->listWidget_device, &QListWidget::itemClicked, this, &Report::slotConfigSelected);
    connect(m_selection, &ChannelSelection::changed, m_ui->btn_makeReport, &QWidget::setEnabled);
    buildMenus();

    const ProjectFile project(m_projectFile);
    m_ui->lineEdit_subject->setText(project.reportSubject());
    m_ui->lineEdit_author->setText(project.reportAuthor());

    connect(m_ui->webView, &QWebView::loadFinished, this, [this](bool ok) {
        qCDebug(lcReport) << "form loaded :" << ok;
        m_pageLoaded = true;
        if (m_fillPending)
            fillPage();
    });
    QFile form(QStringLiteral(":/assets/reportform.html"));
    form.open(QIODevice::ReadOnly);
    m_ui->webView->setHtml(QString::fromUtf8(form.readAll()), QUrl(kFormUrl));
    m_ui->webView->setZoomFactor(ZoomFactor);

    m_devices = devices;
    fillDeviceList(devices);
}

Report::~Report()
{
    // A build still running reads nothing of ours, but must end before its
    // QThread object goes with us.
    if (m_worker)
        m_worker->wait();
    delete m_ui;
}

void Report::readProject()
{
    const ProjectFile project(m_projectFile);
    m_dbname = project.databasePath();
    m_source = ReadingsSource::forProject(m_projectFile);
    qCDebug(lcReport) << "m_dbname :" << m_dbname;
    QString recordStart = project.recordStartTime();
    QString recordStop = project.recordStopTime();
    qint64 first = 0;
    qint64 last = 0;
    // A site project has no recording of its own: the period stored on the
    // server.
    if (m_source.isSite() &&
        m_source.recordedPeriod(&first, &last, m_connectionTag + QStringLiteral("reportdb"))) {
        recordStart = QDateTime::fromSecsSinceEpoch(first).toString(kTimeFormat);
        recordStop = QDateTime::fromSecsSinceEpoch(last).toString(kTimeFormat);
    }
    qCDebug(lcReport) << "qpj startTime :" << recordStart;
    qCDebug(lcReport) << "qpj endTime :" << recordStop;
    m_dataInterval = project.storedDataInterval();
    m_minPeriod = ReportMarkup::minPeriodFor(m_dataInterval);

    m_ui->label_projectname->setText(ProjectFile::displayName(m_projectFile, project.baseName()));
    m_ui->label_interval->setText(QStringLiteral("Interval : ") + m_minPeriod);
    m_ui->label_period->setText(recordStart + QStringLiteral(" ~ ") + recordStop);
    setUpDateRange(recordStart, recordStop);
}

void Report::setUpDateRange(const QString &recordStart, const QString &recordStop)
{
    const ReportDateRange range = ReportDateRange::fromRecordTimes(recordStart, recordStop);
    qCDebug(lcReport) << "11 startDateTime :" << range.earliestStart;
    qCDebug(lcReport) << "11 endDateTime :" << range.latestEnd;
    m_ui->dateTimeEdit_start->setDateTimeRange(range.startMinimum(), range.startMaximum());
    m_ui->dateTimeEdit_end->setDateTimeRange(range.endMinimum(), range.endMaximum());
    m_ui->dateTimeEdit_start->setDateTime(range.start);
    m_ui->dateTimeEdit_end->setDateTime(range.end);
    qCDebug(lcReport) << "22 startDateTime :" << m_ui->dateTimeEdit_start->dateTime();
    qCDebug(lcReport) << "22 endDateTime :" << m_ui->dateTimeEdit_end->dateTime();
    connect(m_ui->dateTimeEdit_start, &QDateTimeEdit::dateTimeChanged, this,
            &Report::slotStartDateTimeChanged);
}

void Report::fillDeviceList(const QList<DeviceSettings> &devices)
{
    for (const DeviceSettings &device : devices) {
        for (int channel = 1; channel <= 2; ++channel) {
            const ReportChannel c = ReportChannel::fromDevice(device, channel);
            m_selection->addItem(c.itemText(), c.key());
            m_channels.append(c);
        }
    }
}

void Report::addSiteDevices(const QVector<ServerProject> &projects)
{
    for (const ServerProject &p : projects) {
        m_selection->addHeading(p.title());
        const QList<DeviceSettings> devices = p.deviceSettings();
        m_devices += devices;
        fillDeviceList(devices);
    }
}

void Report::buildMenus()
{
    m_projectMenu = MenuPopup::create(QStringLiteral("Project"), this);
    m_projectMenu->addAction(QStringLiteral("New Report"), this, &Report::slotNewReportProject);
    m_projectMenu->addAction(QStringLiteral("Exit"), this, &QWidget::close);

    m_printMenu = MenuPopup::create(QStringLiteral("PRINT"), this);
    m_printMenu->addAction(QStringLiteral("Print"), this, &Report::exportPrint);
    m_printMenu->addAction(QStringLiteral("Print Preview"), this, &Report::exportPrintPreview);
    m_printMenu->addAction(QStringLiteral("pdf"), this, &Report::exportPrintPdf);
    m_printMenu->addAction(QStringLiteral("Image(png)"), this, &Report::exportPrintPng);
}

void Report::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_shownLogged) {
        m_shownLogged = true;
        qCDebug(lcReport) << "window shown";
    }
}

void Report::closeEvent(QCloseEvent *event)
{
    // The close button is disabled while a report is built; other ways of
    // closing wait for the build too.
    if (m_worker && m_worker->isRunning())
        event->ignore();
    else
        QWidget::closeEvent(event);
}

void Report::topClick(const QPoint &globalPos)
{
    m_pressPos = globalPos;
    m_pressWindowPos = pos();
}

void Report::topMoved(const QPoint &globalPos)
{
    move(m_pressWindowPos + (globalPos - m_pressPos));
}

void Report::slotConfigSelected(QListWidgetItem *item)
{
    m_selection->toggle(item);
}

void Report::setSelectionEnabled(bool enabled)
{
    m_ui->listWidget_device->setEnabled(enabled);
    m_ui->lineEdit_subject->setEnabled(enabled);
    m_ui->lineEdit_author->setEnabled(enabled);
    m_ui->dateTimeEdit_start->setEnabled(enabled);
}

void Report::slotCommandUpdate()
{
    if (m_selection->isEmpty()) {
        MessageDialog::showTransient(QStringLiteral("Information"),
                                     QStringLiteral("Please select at least one or more "
                                                    "Device.\nPlease retry."),
                                     this);
        return;
    }
    m_ui->listWidget_device->clearSelection();
    setSelectionEnabled(false);
    m_ui->btn_makeReport->setEnabled(false);
    m_ui->btn_close->setEnabled(false);

    const QDateTime start = m_ui->dateTimeEdit_start->dateTime();
    const QDateTime end = m_ui->dateTimeEdit_end->dateTime();
    const qint64 length = start.secsTo(end);
    qCDebug(lcReport) << "timeLength :" << length;
    qCDebug(lcReport) << "timeSeries :" << length / 3600;

    m_progress->open(QStringLiteral("Creating View..."));

    m_reportChannels = m_selection->pick(m_channels);
    m_worker =
        new GenerateAverageQueries(m_connectionTag, m_dbname, m_reportChannels,
                                   start.toString(kTimeFormat), end.toString(kTimeFormat), this);
    m_worker->setDataInterval(m_dataInterval);
    m_worker->setSource(m_source);
    m_results = m_worker->results();
    connect(m_worker, &GenerateAverageQueries::done, this, &Report::genThreadDone);
    connect(m_worker, &GenerateAverageQueries::wholeCount, this, &Report::genThreadCount);
    connect(m_worker, &GenerateAverageQueries::createHashTables, this,
            &Report::genThreadHashTables);
    connect(m_worker, &GenerateAverageQueries::error, this, &Report::genThreadError);
    m_progress->start(m_worker.data());
}

void Report::genThreadHashTables()
{
    m_progress->showHashTables();
}

void Report::genThreadCount(int count)
{
    m_progress->showCount(count);
}

void Report::genThreadError(const QString &text)
{
    qCDebug(lcReport) << "genThreadError :" << text;
    m_progress->close();
    MessageDialog::showTransient(QStringLiteral("ERROR"), text, this);
    m_ui->listWidget_device->clearSelection();
    setSelectionEnabled(true);
    m_ui->btn_close->setEnabled(true);
}

void Report::genThreadDone()
{
    qCDebug(lcReport) << "genThreadDone";
    m_ui->btn_close->setEnabled(true);
    m_ui->listWidget_device->clearSelection();
    if (!m_results || m_results->chartPoints.isEmpty()) {
        m_progress->close();
        MessageDialog::showTransient(QStringLiteral("ERROR"), QStringLiteral("Not Enough Data."),
                                     this);
        setSelectionEnabled(true);
        m_ui->btn_makeReport->setEnabled(true);
        return;
    }
    setSelectionEnabled(false);
    m_ui->btn_makeReport->setEnabled(false);
    m_ui->btn_makeReport->hide();
    m_ui->btn_exportReport->setEnabled(true);
    m_ui->btn_exportReport->show();
    m_reportReady = true;

    const ProjectFile project(m_projectFile);
    const bool saved =
        project.writeReportHeading(m_ui->lineEdit_subject->text(), m_ui->lineEdit_author->text());
    if (m_pageLoaded)
        fillPage();
    else
        m_fillPending = true;
    m_progress->close();
    if (!saved)
        MessageDialog::showTransient(
            QStringLiteral("WARNING"),
            QStringLiteral("The subject and author could not be saved in the project file."), this);
}

void Report::fillPage()
{
    m_fillPending = false;
    ReportPage page(m_ui->webView->page()->mainFrame());
    ReportPage::Header header;
    header.printingTime = QDateTime::currentDateTime().toString(kTimeFormat);
    header.start = m_ui->dateTimeEdit_start->dateTime().toString(kTimeFormat);
    header.end = m_ui->dateTimeEdit_end->dateTime().toString(kTimeFormat);
    header.subject = m_ui->lineEdit_subject->text();
    header.author = m_ui->lineEdit_author->text();
    for (const ReportChannel &c : qAsConst(m_reportChannels))
        header.channelInfo << c.infoText();
    page.fillElements(header);

    const QString message = page.setChartInputs(
        m_minPeriod, ReportMarkup::chartData(*m_results, m_reportChannels, m_minPeriod),
        ReportMarkup::graphData(*m_results, m_reportChannels));
    if (!message.isEmpty())
        MessageDialog::showTransient(QStringLiteral("ERROR"), message, this);
    page.setTable(ReportMarkup::table(*m_results));
    page.setSummary(ReportMarkup::daySummary(*m_results, m_reportChannels));
    page.setEvents(ReportMarkup::events(*m_results, EventNames(m_devices, &ChannelUnit::symbol)));
    emit reportFilled();
}

void Report::slotCommandProject()
{
    MenuPopup::popUnder(m_projectMenu, m_ui->btn_project);
}

void Report::slotCommandPrint()
{
    MenuPopup::popUnder(m_printMenu, m_ui->btn_exportReport);
}

void Report::slotNewReportProject()
{
    m_launcher.launch(CompanionLauncher::Pagewright, m_projectFile, std::nullopt);
}

void Report::slotView100()
{
    if (isFullScreen())
        showNormal();
    setGeometry(m_normalGeometry);
}

void Report::slotStartDateTimeChanged(const QDateTime &start)
{
    qCDebug(lcReport) << "slotStartDateTimeChanged :" << start;
    m_ui->dateTimeEdit_end->setDateTime(ReportDateRange::endFor(start));
}

void Report::printPreview(QPrinter *printer)
{
    m_ui->webView->page()->mainFrame()->print(printer);
}

void Report::exportPrint()
{
    QPrinter printer(QPrinter::HighResolution);
    ReportExporter::setUpPrinter(printer);
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle(printer.printerName());
    if (dialog.exec() == QDialog::Accepted)
        printPreview(&printer);
}

void Report::exportPrintPreview()
{
    QPrinter printer(QPrinter::HighResolution);
    ReportExporter::setUpPrinter(printer);
    QPrintPreviewDialog dialog(&printer, this);
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this, &Report::printPreview);
    dialog.exec();
}

void Report::exportPrintPdf()
{
    exportToFile(QStringLiteral(".pdf"), QStringLiteral("*.pdf"), QStringLiteral("Export PDF"));
}

void Report::exportPrintPng()
{
    exportToFile(QStringLiteral(".png"), QStringLiteral("*.png"), QStringLiteral("Export PNG"));
}

void Report::exportToFile(const QString &extension, const QString &filter, const QString &title)
{
    const QString proposed =
        ReportExporter::proposedName(m_projectFile, QDateTime::currentDateTime(), extension);
    const QString answer = m_chooseFile(title, proposed, filter);
    if (answer.isEmpty())
        return;
    const QString fileName = ReportExporter::withSuffix(answer, extension);
    const ReportExporter exporter(m_ui->webView->page());
    const bool written = extension == QLatin1String(".pdf") ? exporter.writePdf(fileName)
                                                            : exporter.writePng(fileName);
    if (!written) {
        MessageDialog::showTransient(
            QStringLiteral("ERROR"),
            QStringLiteral("The report could not be written to\n") + fileName, this);
        return;
    }
    m_openFile(QUrl::fromLocalFile(fileName));
}
