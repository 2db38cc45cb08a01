#include "Report.h"

#include "GenerateAverageQueries.h"
#include "ReportDateRange.h"
#include "ReportExporter.h"
#include "ReportLogging.h"
#include "ReportMarkup.h"
#include "ReportPage.h"
#include "core/ProjectFile.h"
#include "ui_Report.h"
#include "widgets/MessageDialog.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProcess>
#include <QProgressDialog>
#include <QUuid>
#include <QWebFrame>

namespace {

const QString kTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");
const QString kMenuStyle = QStringLiteral("background-color: rgb(203, 203, 203);");
const QString kFormUrl = QStringLiteral("qrc:///assets/reportform.html");

} // namespace

Report::Report(const QString &projectFile, const QList<ConfiguredDevice> &devices, QWidget *parent)
    : QWidget(parent, Qt::Dialog | Qt::FramelessWindowHint), m_ui(new Ui::Report),
      m_connectionTag(QString::fromLatin1(QUuid::createUuid().toString().toLatin1().toBase64())),
      m_projectFile(projectFile), m_devices(devices),
      m_checkIcon(QStringLiteral(":/img/check.png")),
      m_noCheckIcon(QStringLiteral(":/img/nocheck.png"))
{
    m_ui->setupUi(this);
    m_normalGeometry = geometry();

    m_chooseFile = [this](const QString &title, const QString &proposed, const QString &filter) {
        return QFileDialog::getSaveFileName(this, title, proposed, filter);
    };
    m_openFile = [](const QUrl &url) { QDesktopServices::openUrl(url); };
    const QString besideUs = QCoreApplication::applicationDirPath() + QStringLiteral("/Pagewright");
    m_programPath = QFileInfo(besideUs).isExecutable() ? besideUs : QStringLiteral("Pagewright");

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
    buildMenus();

    const ProjectFile project(m_projectFile);
    m_ui->lineEdit_subject->setText(project.readValue(QStringLiteral("ReportSubject")).toString());
    m_ui->lineEdit_author->setText(project.readValue(QStringLiteral("ReportAuthor")).toString());

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

    fillDeviceList(m_devices);
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
    qCDebug(lcReport) << "m_dbname :" << m_dbname;
    const QString recordStart = project.recordStartTime();
    const QString recordStop = project.recordStopTime();
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

void Report::fillDeviceList(const QList<ConfiguredDevice> &devices)
{
    for (const ConfiguredDevice &device : devices) {
        for (int channel = 1; channel <= 2; ++channel) {
            const ReportChannel c = ReportChannel::fromDevice(device, channel);
            auto *item = new QListWidgetItem(m_noCheckIcon, c.itemText(), m_ui->listWidget_device);
            item->setData(Qt::ToolTipRole, c.key());
            item->setData(Qt::UserRole, m_channels.size());
            m_channels.append(c);
        }
    }
}

void Report::buildMenus()
{
    m_projectMenu = new QMenu(QStringLiteral("Project"), this);
    m_projectMenu->setStyleSheet(kMenuStyle);
    m_projectMenu->addAction(QStringLiteral("New Report"), this, &Report::slotNewReportProject);
    m_projectMenu->addAction(QStringLiteral("Exit"), this, &QWidget::close);

    m_printMenu = new QMenu(QStringLiteral("PRINT"), this);
    m_printMenu->setStyleSheet(kMenuStyle);
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
    if (m_selectedItems.contains(item)) {
        m_selectedItems.removeOne(item);
        item->setIcon(m_noCheckIcon);
    } else if (m_selectedItems.size() < ReportResults::MaxChannels) {
        m_selectedItems.append(item);
        item->setIcon(m_checkIcon);
    }
    m_ui->btn_makeReport->setEnabled(!m_selectedItems.isEmpty());
}

QList<ReportChannel> Report::selectedChannels() const
{
    QList<ReportChannel> channels;
    for (QListWidgetItem *item : m_selectedItems)
        channels.append(m_channels.at(item->data(Qt::UserRole).toInt()));
    return channels;
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
    if (m_selectedItems.isEmpty()) {
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

    closeProgress();
    m_progressDialog = new QProgressDialog(this, Qt::Dialog | Qt::FramelessWindowHint);
    m_progressDialog->setCancelButton(nullptr);
    m_progressDialog->setStyleSheet(
        QStringLiteral("background-color:rgb(55,55,55);color:rgb(230,230,230);"));
    m_progressDialog->setRange(0, 0);
    m_progressDialog->setLabelText(QStringLiteral("Creating View..."));
    m_progressDialog->show();

    m_reportChannels = selectedChannels();
    m_worker =
        new GenerateAverageQueries(m_connectionTag, m_dbname, m_reportChannels,
                                   start.toString(kTimeFormat), end.toString(kTimeFormat), this);
    m_worker->setDataInterval(m_dataInterval);
    m_results = m_worker->results();
    connect(m_worker, &GenerateAverageQueries::done, this, &Report::genThreadDone);
    connect(m_worker, &GenerateAverageQueries::wholeCount, this, &Report::genThreadCount);
    connect(m_worker, &GenerateAverageQueries::createHashTables, this,
            &Report::genThreadHashTables);
    connect(m_worker, &GenerateAverageQueries::progPlus, m_progressDialog,
            &QProgressDialog::setValue);
    connect(m_worker, &GenerateAverageQueries::error, this, &Report::genThreadError);
    connect(m_worker, &QThread::finished, m_worker, &QObject::deleteLater);
    m_worker->start(QThread::LowPriority);
}

void Report::closeProgress()
{
    if (m_progressDialog) {
        m_progressDialog->close();
        delete m_progressDialog;
    }
}

void Report::genThreadHashTables()
{
    if (m_progressDialog)
        m_progressDialog->setLabelText(QStringLiteral("Creating Hash Tables..."));
}

void Report::genThreadCount(int count)
{
    if (!m_progressDialog)
        return;
    m_progressDialog->setLabelText(QStringLiteral("Creating Chart..."));
    m_progressDialog->setRange(0, count);
}

void Report::genThreadError(const QString &text)
{
    qCDebug(lcReport) << "genThreadError :" << text;
    closeProgress();
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
        closeProgress();
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
        project.writeValue(QStringLiteral("ReportSubject"), m_ui->lineEdit_subject->text()) &&
        project.writeValue(QStringLiteral("ReportAuthor"), m_ui->lineEdit_author->text());
    if (m_pageLoaded)
        fillPage();
    else
        m_fillPending = true;
    closeProgress();
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
    emit reportFilled();
}

void Report::slotCommandProject()
{
    m_projectMenu->popup(m_ui->btn_project->mapToGlobal(QPoint(0, m_ui->btn_project->height())));
}

void Report::slotCommandPrint()
{
    m_printMenu->popup(
        m_ui->btn_exportReport->mapToGlobal(QPoint(0, m_ui->btn_exportReport->height())));
}

void Report::slotNewReportProject()
{
    const ProjectFile project(m_projectFile);
    if (!QFileInfo(project.databasePath()).isFile()) {
        MessageDialog::showTransient(QStringLiteral("WARNING"),
                                     QStringLiteral("There is no data file."), this);
        return;
    }
    // One argument: the new process rebuilds the path from it as the
    // recorder's launch does, blanks included.
    const QString argument = QLatin1Char('\'') + m_projectFile + QLatin1Char('\'');
    const QString command = m_programPath + QLatin1Char(' ') + argument;
    qCDebug(lcReport).noquote() << "cmd :" << command;
    if (!QProcess::startDetached(m_programPath, {argument})) {
        qCDebug(lcReport).noquote() << "startDetached :" << command << "failed!";
        MessageDialog::showTransient(QStringLiteral("ERROR"),
                                     QStringLiteral("Please check the Pagewright execution file."),
                                     this);
    }
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
