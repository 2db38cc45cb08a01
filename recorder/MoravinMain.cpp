#include "MoravinMain.h"

#include "MainMenus.h"
#include "ProjectMain.h"
#include "RecentProjects.h"
#include "ServerStatus.h"
#include "StoreStatus.h"
#include "companion/CompanionLauncher.h"
#include "control/NotificationLink.h"
#include "control/ServerLink.h"
#include "core/DataInterval.h"
#include "core/ProjectFile.h"
#include "device/ConfiguredDevice.h"
#include "device/RecorderInterval.h"
#include "dialogs/AboutBox.h"
#include "panels/ProjectCenter.h"
#include "panels/ProjectManager.h"
#include "ui_MoravinMain.h"
#include "widgets/MessageDialog.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScreen>
#include <QVBoxLayout>

Q_LOGGING_CATEGORY(lcMain, "moravin.recorder.main")

namespace {

const QString kPeriodFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss");

QString periodText(quint64 seconds)
{
    return seconds == 0 ? QString()
                        : QDateTime::fromSecsSinceEpoch(qint64(seconds)).toString(kPeriodFormat);
}

// Panels are deleted later: each may be the sender of the signal being handled.
template <typename Panel> void removePanel(QVBoxLayout *layout, Panel *&panel)
{
    if (!panel)
        return;
    layout->removeWidget(panel);
    panel->close();
    panel->deleteLater();
    panel = nullptr;
}

} // namespace

MoravinMain::MoravinMain(QWidget *parent)
    : QWidget(parent), ui(std::make_unique<Ui::MoravinMain>()),
      m_session(new RecordingSession(this)), m_unattended(new UnattendedRecording(m_session, this)),
      m_notifications(new NotificationLink(m_session, this))
{
    ui->setupUi(this);
    // On a screen smaller than the form (1024 x 600) the window starts fitted
    // to it; the panels are laid out for that size.
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        resize(size().boundedTo(screen->availableGeometry().size()).expandedTo(minimumSizeHint()));
    m_layout = new QVBoxLayout(ui->centralFrame);
    m_layout->setContentsMargins(0, 0, 0, 0);
    setWindowTitle(QString::fromLatin1(WindowTitle));
    ui->label_version->setText(QString::fromLatin1(Version));
    m_storeStatus = new StoreStatus(m_session, ui->label_store_state, ui->line_5, this);
    m_storeStatus->showNotices(m_unattended, ui->label_notice, ui->line_6);

    connect(ui->menuFrame, &TopCustomFrame::customDoubleClick, this, &MoravinMain::topDblClick);
    connect(ui->command_project, &QPushButton::clicked, this, &MoravinMain::slotCommandProject);
    connect(ui->command_record, &QPushButton::clicked, this, &MoravinMain::slotCommandRecord);
    connect(ui->command_screen, &QPushButton::clicked, this, &MoravinMain::slotCommandScreen);
    connect(ui->command_help, &QPushButton::clicked, this, &MoravinMain::slotCommandHelp);

    ui->label_datetime->setText(
        QDateTime::currentDateTime().toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")));

    m_menus = new MainMenus(this);
    m_serverLink = new ServerLink(m_session, this);
    new ServerStatus(m_serverLink, ui->label_server_state, ui->line_server, m_menus->serverAction(),
                     this);
    m_readyPixmap = QPixmap(QStringLiteral(":/img/StateReady.png"));
    m_recordingPixmap = QPixmap(QStringLiteral(":/img/StateRecording.png"));
    ui->label_record_state->setPixmap(m_readyPixmap);
    m_menus->setProjectEntriesEnabled(false);

    RecentProjects::load(m_recentProjectList, m_recentProjects);
    RecentProjects::prune(m_recentProjectList, m_recentProjects);
    showProjectMain();
    connectSession();
}

MoravinMain::~MoravinMain()
{
    detachDisplays();
}

void MoravinMain::connectSession()
{
    RecordingSession *s = m_session;
    connect(s, &RecordingSession::ticked, this, &MoravinMain::clockTicked);
    connect(s, &RecordingSession::recordingChanged, this, &MoravinMain::recordingChanged);
    connect(s, &RecordingSession::storeOpened, this, [this](quint64 first, quint64 last) {
        // A recording started meanwhile has begun its own period.
        if (m_projectCenter && !m_session->isRecording())
            m_projectCenter->setRecordPeriod(periodText(first), periodText(last));
    });
    connect(s, &RecordingSession::storeOpenFailed, this, &MoravinMain::fatalDatabaseError);
    connect(s, &RecordingSession::closed, this, &MoravinMain::projectClosed);
    connect(s, &RecordingSession::devicePortsChanged, this, &MoravinMain::slotUpdateProjectFile);
    connect(s->foundDevices(), &FoundDevices::changed, this, [this] {
        if (m_projectManager)
            m_projectManager->setAvailDeviceList(m_session->foundDevices()->all());
    });
    connect(s->foundDevices(), &FoundDevices::discoveryFailed, this, [this](const QString &text) {
        MessageDialog::showTransient(QStringLiteral("WARNING"), text, this);
    });
}

QWidget *MoravinMain::currentPanel() const
{
    return m_layout->count() > 0 ? m_layout->itemAt(0)->widget() : nullptr;
}

void MoravinMain::slotCommandProject()
{
    m_menus->popUnder(m_menus->projectMenu(), ui->command_project);
}

void MoravinMain::slotCommandRecord()
{
    m_menus->popUnder(m_menus->recordMenu(), ui->command_record);
}

void MoravinMain::slotCommandScreen()
{
    m_menus->popUnder(m_menus->viewMenu(), ui->command_screen);
}

void MoravinMain::slotCommandHelp()
{
    AboutBox::create(this)->open();
}

void MoravinMain::topDblClick()
{
    const bool full = !isFullScreen();
    slotViewFull(full);
    m_menus->setFullScreenChecked(full);
}

void MoravinMain::slotViewFull(bool on)
{
    if (on)
        showFullScreen();
    else
        showNormal();
}

void MoravinMain::slotShowHideItem(bool checked)
{
    if (m_projectCenter)
        m_projectCenter->setEmptySlotsVisible(!checked);
}

void MoravinMain::showProjectMain()
{
    delete m_projectMain;
    m_projectMain = new ProjectMain(&m_recentProjectList, &m_recentProjects);
    connect(m_projectMain, &ProjectMain::projectCreated, this, &MoravinMain::projectCreated);
    connect(m_projectMain, &ProjectMain::projectLoaded, this, &MoravinMain::projectLoaded);
    m_layout->addWidget(m_projectMain);
    m_projectMain->show();
}

void MoravinMain::showProjectManager(bool intervalLocked)
{
    removePanel(m_layout, m_projectManager);
    m_projectManager = new ProjectManager;
    m_projectManager->setIntervalLocked(intervalLocked);
    connect(m_projectManager, &ProjectManager::refreshAvailDeviceList, this,
            &MoravinMain::slotRefreshAvailDeviceList);
    connect(m_projectManager, &ProjectManager::projectListConfirm, this,
            &MoravinMain::projectListConfirm);
    if (intervalLocked)
        m_projectManager->setConfiguredDeviceList(m_session->devices());
    m_projectManager->setAvailDeviceList(m_session->foundDevices()->all());
    m_layout->addWidget(m_projectManager);
    m_projectManager->show();
}

void MoravinMain::setProjectLabels()
{
    ui->label_projectname->setText(ProjectFile::displayName(m_projectFile, m_projectName));
    ui->label_interval->setText(QStringLiteral("Interval :") +
                                DataInterval::intervalText(RecorderInterval::current()));
}

void MoravinMain::projectCreated(const QString &path)
{
    removePanel(m_layout, m_projectMain);
    m_projectFile = path;
    m_projectName = QFileInfo(path).completeBaseName();
    ui->label_projectname->setText(ProjectFile::displayName(m_projectFile, m_projectName));
    const ProjectFile project(path);
    if (!project.writeHeader(m_projectName, RecorderInterval::current(),
                             ProjectFile::databaseNameFor(path)))
        MessageDialog::showTransient(QStringLiteral("ERROR"),
                                     QStringLiteral("Unable to write the project file."), this);
    showProjectManager(false);
    m_menus->setConfiguringState();
    m_session->searchDevices();
}

void MoravinMain::projectLoaded(const QString &path)
{
    const ProjectFile project(path);
    const DeviceListCodec::Result list = project.loadDeviceList(DeviceListCodec::Reader::Recorder);
    if (!list.ok) {
        MessageDialog::showTransient(QStringLiteral("ERROR"),
                                     QStringLiteral("There is no device information!"), this);
        return;
    }
    detachDisplays();
    m_session->loadDevices(list.devices);
    removePanel(m_layout, m_projectMain);
    removePanel(m_layout, m_projectCenter);
    removePanel(m_layout, m_projectManager);
    m_projectFile = path;
    m_projectName = project.baseName();
    addRecentProject();
    m_projectName = project.projectName();

    const int stored = project.storedDataInterval();
    const int interval = DataInterval::sanitize(stored);
    if (interval != stored)
        qCDebug(lcMain) << "MoravinMain::projectLoaded : DataInterval" << stored
                        << "is not offered, using" << interval;
    RecorderInterval::setCurrent(interval);

    setProjectLabels();
    m_menus->setProjectEntriesEnabled(true);
    openProjectCenter();
}

void MoravinMain::addRecentProject()
{
    RecentProjects::add(m_recentProjectList, m_recentProjects,
                        QFileInfo(m_projectFile).completeBaseName(), m_projectFile);
}

void MoravinMain::slotUpdateProjectFile()
{
    const QList<DeviceSettings> devices = m_session->deviceSettings();
    m_serverLink->updateDevices();
    if (!ProjectFile(m_projectFile).saveDeviceList(devices)) {
        qCDebug(lcMain) << "MoravinMain::slotUpdateProjectFile : save failed :" << m_projectFile;
        MessageDialog::showTransient(QStringLiteral("ERROR"),
                                     QStringLiteral("Unable to save the project file."), this);
    }
    m_unattended->settingsChanged();
    if (m_projectCenter)
        m_projectCenter->setEventLog(m_session->databasePath(), devices);
}

void MoravinMain::openProjectCenter()
{
    m_projectCenter = new ProjectCenter(m_projectFile);
    connect(m_projectCenter, &ProjectCenter::clickRecord, this, &MoravinMain::slotToggleRecord);
    connect(m_projectCenter, &ProjectCenter::updateProjectFile, this,
            &MoravinMain::slotUpdateProjectFile);
    connect(m_projectCenter, &ProjectCenter::updateProjectFile, m_notifications,
            &NotificationLink::refreshDevices);
    connect(m_projectCenter, &ProjectCenter::notificationsChanged, m_notifications,
            &NotificationLink::reload);
    m_notifications->open(m_projectFile, m_projectName);
    connect(m_projectCenter, &ProjectCenter::clickAcknowledge, m_unattended,
            &UnattendedRecording::acknowledge);
    connect(m_unattended, &UnattendedRecording::unacknowledgedChanged, m_projectCenter,
            &ProjectCenter::setUnacknowledgedAlarm);
    connect(m_session, &RecordingSession::eventsWritten, m_projectCenter,
            &ProjectCenter::refreshEvents);
    connect(m_session, &RecordingSession::databaseSizeChanged, m_projectCenter,
            &ProjectCenter::setDatabaseSize);
    m_projectCenter->setDevices(m_session->devices());
    m_layout->addWidget(m_projectCenter);
    m_projectCenter->show();
    const QString database = ProjectFile(m_projectFile).databasePath();
    m_session->open(database);
    m_serverLink->open(m_projectFile, database);
    m_projectCenter->setEventLog(database, m_session->deviceSettings());
    m_unattended->projectOpened(m_projectFile);
    m_menus->setCommunicationAlarmChecked(m_unattended->communicationAlarm());
}

void MoravinMain::fatalDatabaseError()
{
    QMessageBox::critical(nullptr, QStringLiteral("ERROR"),
                          QStringLiteral("Create database error!\nExit program."), QMessageBox::Ok);
    closeProject(AfterClose::Window);
    QCoreApplication::exit(0);
}

// Before the project panel goes away while the devices stay, they forget
// its widgets.
void MoravinMain::detachDisplays()
{
    for (ConfiguredDevice *device : m_session->devices()) {
        if (!device)
            continue;
        device->clearListItem();
        device->clearChartView();
        device->clearDashItems();
    }
}

void MoravinMain::closeProject(AfterClose after)
{
    if (m_session->isClosing())
        return;
    m_afterClose = after;
    m_menus->setProjectEntriesEnabled(false);
    if (after != AfterClose::Configuration) {
        ui->label_projectname->clear();
        ui->label_interval->clear();
    }
    m_storeStatus->closeStarted();
    m_notifications->close();
    m_session->close(after == AfterClose::Configuration);
}

void MoravinMain::projectClosed()
{
    if (m_afterClose == AfterClose::Configuration) {
        detachDisplays();
        m_menus->setConfiguringState();
        removePanel(m_layout, m_projectCenter);
        m_menus->uncheckExpansion();
        showProjectManager(true);
        m_session->closeLanLinks();
        m_session->searchDevices();
        return;
    }
    RecorderInterval::setCurrent(DataInterval::Default);
    removePanel(m_layout, m_projectCenter);
    if (m_projectManager) {
        removePanel(m_layout, m_projectManager);
        m_session->stopSearch();
    }
    m_menus->uncheckExpansion();
    if (m_afterClose == AfterClose::StartPanel)
        showProjectMain();
    else if (!m_inCloseEvent)
        close();
}

void MoravinMain::slotCloseProject()
{
    closeProject(AfterClose::StartPanel);
}

void MoravinMain::slotAddDeviceProject()
{
    closeProject(AfterClose::Configuration);
}

void MoravinMain::slotRefreshAvailDeviceList()
{
    m_session->searchDevices();
}

void MoravinMain::projectListConfirm(QList<ConfiguredDevice *> list)
{
    m_session->setDevices(list);
    m_session->stopSearch();
    removePanel(m_layout, m_projectManager);
    slotUpdateProjectFile();
    ProjectFile(m_projectFile)
        .writeValue(QStringLiteral("DataInterval"), RecorderInterval::current());
    setProjectLabels();
    addRecentProject();
    m_menus->setProjectEntriesEnabled(true);
    openProjectCenter();
}

void MoravinMain::slotRefreshDevice()
{
    m_session->refresh();
}

void MoravinMain::slotTrendoraRecord()
{
    launchCompanion(CompanionLauncher::Trendora);
}

void MoravinMain::slotReportDaily()
{
    launchCompanion(CompanionLauncher::Pagewright);
}

void MoravinMain::launchCompanion(int companion)
{
    // The companion sees the recorded period up to now, also while recording.
    const std::optional<QString> stopTime =
        m_projectCenter ? std::optional<QString>(m_projectCenter->recordEndText()) : std::nullopt;
    CompanionLauncher(this).launch(CompanionLauncher::Companion(companion), m_projectFile,
                                   stopTime);
}

void MoravinMain::slotToggleRecord()
{
    if (m_session->isRecording())
        slotStopRecord();
    else
        slotStartRecord();
}

void MoravinMain::slotStartRecord()
{
    m_session->startRecording();
}

void MoravinMain::slotStopRecord()
{
    m_session->stopRecording();
}

// Also when the database size limit or a close stops the recording.
void MoravinMain::recordingChanged(bool on)
{
    m_menus->setRecording(on, m_session->isOpen() && !m_session->isClosing());
    ui->label_record_state->setPixmap(on ? m_recordingPixmap : m_readyPixmap);
    if (!m_projectCenter)
        return;
    m_projectCenter->setRecordState(on);
    ProjectFile(m_projectFile)
        .writeValue(on ? QStringLiteral("record_start_time") : QStringLiteral("record_stop_time"),
                    on ? m_projectCenter->recordStartText() : m_projectCenter->recordEndText());
}

void MoravinMain::clockTicked(const QString &now)
{
    ui->label_datetime->setText(now);
    if (m_projectCenter && m_session->isRecording())
        m_projectCenter->setRecordEnd(now);
}

void MoravinMain::closeEvent(QCloseEvent *event)
{
    if (m_session->isRecording() || m_session->isClosing()) {
        event->ignore();
        return;
    }
    if (m_projectCenter || m_projectManager) {
        // The window goes once the project's readings are written.
        const QScopedValueRollback<bool> inCloseEvent(m_inCloseEvent, true);
        closeProject(AfterClose::Window);
        if (m_session->isClosing()) {
            event->ignore();
            return;
        }
    }
    m_session->shutDown();
    event->accept();
}
