#include "MoravinMain.h"

#include "MainMenus.h"
#include "ProjectMain.h"
#include "RecentProjects.h"
#include "companion/CompanionLauncher.h"
#include "control/AlarmSoundDecision.h"
#include "control/DatabaseSize.h"
#include "control/FlushSchedule.h"
#include "control/FoundDevices.h"
#include "core/ConnectionTag.h"
#include "core/DataInterval.h"
#include "core/ProjectFile.h"
#include "device/AbstractDevice.h"
#include "device/AvailableDevice.h"
#include "device/ConfiguredDevice.h"
#include "device/LanDiscovery.h"
#include "device/RecorderInterval.h"
#include "device/UsbPortDetector.h"
#include "dialogs/AboutBox.h"
#include "panels/ProjectCenter.h"
#include "panels/ProjectManager.h"
#include "store/InsertSerialData.h"
#include "ui_MoravinMain.h"
#include "widgets/MessageDialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

Q_LOGGING_CATEGORY(lcMain, "moravin.recorder.main")

namespace {

const QString kClockFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");
const QString kPeriodFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss");
constexpr int FlushIntervalMs = 1500;

QString periodText(quint64 seconds)
{
    return seconds == 0 ? QString()
                        : QDateTime::fromSecsSinceEpoch(qint64(seconds)).toString(kPeriodFormat);
}

} // namespace

MoravinMain::MoravinMain(QWidget *parent) : QWidget(parent), ui(std::make_unique<Ui::MoravinMain>())
{
    ui->setupUi(this);
    // On a screen smaller than the form (1024 x 600) the window starts fitted
    // to it; the panels are laid out for that size.
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        resize(size().boundedTo(screen->availableGeometry().size()).expandedTo(minimumSizeHint()));
    m_connectionTag = ConnectionTag::create();
    m_layout = new QVBoxLayout(ui->centralFrame);
    m_layout->setContentsMargins(0, 0, 0, 0);
    setWindowTitle(QString::fromLatin1(WindowTitle));
    ui->label_version->setText(QString::fromLatin1(Version));

    connect(ui->menuFrame, &TopCustomFrame::customDoubleClick, this, &MoravinMain::topDblClick);
    connect(ui->command_project, &QPushButton::clicked, this, &MoravinMain::slotCommandProject);
    connect(ui->command_record, &QPushButton::clicked, this, &MoravinMain::slotCommandRecord);
    connect(ui->command_screen, &QPushButton::clicked, this, &MoravinMain::slotCommandScreen);
    connect(ui->command_help, &QPushButton::clicked, this, &MoravinMain::slotCommandHelp);

    ui->label_datetime->setText(
        QDateTime::currentDateTime().toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")));

    m_menus = new MainMenus(this);
    m_readyPixmap = QPixmap(QStringLiteral(":/img/StateReady.png"));
    m_recordingPixmap = QPixmap(QStringLiteral(":/img/StateRecording.png"));
    ui->label_record_state->setPixmap(m_readyPixmap);

    m_menus->setProjectEntriesEnabled(false);
    m_bProjectOpen = false;

    RecentProjects::load(m_recentProjectList, m_recentProjects);
    RecentProjects::prune(m_recentProjectList, m_recentProjects);

    showProjectMain();

    m_stdTimer = new QTimer(this);
    m_checkTimer = new QTimer(this);
    m_writeDeviceTimer = new QTimer(this);
    m_writeDbTimer = new QTimer(this);
    connect(m_stdTimer, &QTimer::timeout, this, &MoravinMain::slotStdTimer);
    connect(m_checkTimer, &QTimer::timeout, this, &MoravinMain::checkConnection);
    connect(m_writeDeviceTimer, &QTimer::timeout, this, &MoravinMain::writeDevice);
    connect(m_writeDbTimer, &QTimer::timeout, this, &MoravinMain::writeDb);
    m_stdTimer->start(1000);
    m_checkTimer->start(1500);

    m_player = new QMediaPlayer(this, QMediaPlayer::Flags());
    m_player->setMedia(QUrl(QStringLiteral("qrc:///critical.mp3")));
    connect(m_player, &QMediaPlayer::mediaStatusChanged, this,
            &MoravinMain::slotPlayerStatusChanged);
}

MoravinMain::~MoravinMain()
{
    detachDisplays();
    deleteInsertSerialData();
    deleteDevices();
    closeKelvantisDevices();
}

QMenu *MoravinMain::projectMenu() const
{
    return m_menus->projectMenu();
}

QMenu *MoravinMain::recordMenu() const
{
    return m_menus->recordMenu();
}

QMenu *MoravinMain::reportMenu() const
{
    return m_menus->reportMenu();
}

QMenu *MoravinMain::viewMenu() const
{
    return m_menus->viewMenu();
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

// Panels are deleted later: each may be the sender of the signal being handled.
void MoravinMain::removeProjectMain()
{
    if (!m_projectMain)
        return;
    m_layout->removeWidget(m_projectMain);
    m_projectMain->close();
    m_projectMain->deleteLater();
    m_projectMain = nullptr;
}

void MoravinMain::removeProjectCenter()
{
    if (!m_projectCenter)
        return;
    m_layout->removeWidget(m_projectCenter);
    m_projectCenter->close();
    m_projectCenter->deleteLater();
    m_projectCenter = nullptr;
}

void MoravinMain::removeProjectManager()
{
    if (!m_projectManager)
        return;
    m_layout->removeWidget(m_projectManager);
    m_projectManager->close();
    m_projectManager->deleteLater();
    m_projectManager = nullptr;
}

void MoravinMain::showProjectManager(bool intervalLocked)
{
    removeProjectManager();
    m_projectManager = new ProjectManager;
    m_projectManager->setIntervalLocked(intervalLocked);
    connect(m_projectManager, &ProjectManager::refreshAvailDeviceList, this,
            &MoravinMain::slotRefreshAvailDeviceList);
    connect(m_projectManager, &ProjectManager::projectListConfirm, this,
            &MoravinMain::projectListConfirm);
    if (intervalLocked)
        m_projectManager->setConfiguredDeviceList(m_deviceList);
    m_projectManager->setAvailDeviceList(m_availDeviceList);
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
    deleteInsertSerialData();
    removeProjectMain();
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
    forceUsbScan();
    startDiscovery();
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
    deleteInsertSerialData();
    deleteDevices();
    for (const DeviceSettings &settings : list.devices) {
        auto *device = new ConfiguredDevice(settings.deviceNumber, settings.deviceInterface, this);
        device->applySettings(settings);
        m_deviceList.append(device);
    }

    removeProjectMain();
    removeProjectCenter();
    removeProjectManager();
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
    m_bProjectOpen = true;
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
    QList<DeviceSettings> devices;
    for (const ConfiguredDevice *device : qAsConst(m_deviceList)) {
        if (device)
            devices.append(device->settings());
    }
    if (!ProjectFile(m_projectFile).saveDeviceList(devices)) {
        qCDebug(lcMain) << "MoravinMain::slotUpdateProjectFile : save failed :" << m_projectFile;
        MessageDialog::showTransient(QStringLiteral("ERROR"),
                                     QStringLiteral("Unable to save the project file."), this);
    }
}

void MoravinMain::openProjectCenter()
{
    m_projectCenter = new ProjectCenter(m_projectFile);
    connect(m_projectCenter, &ProjectCenter::clickRecord, this, &MoravinMain::slotToggleRecord);
    connect(m_projectCenter, &ProjectCenter::updateProjectFile, this,
            &MoravinMain::slotUpdateProjectFile);

    if (!createInsertSerialData(ProjectFile(m_projectFile).databasePath()))
        return;
    m_projectCenter->setRecordPeriod(periodText(m_insertSerialData->startDateTime()),
                                     periodText(m_insertSerialData->endDateTime()));
    m_projectCenter->setDevices(m_deviceList);
    m_layout->addWidget(m_projectCenter);
    m_projectCenter->show();

    forceUsbScan();
    writeDevice();
    if (m_bProjectOpen)
        m_writeDeviceTimer->start(RecorderInterval::current());
}

bool MoravinMain::createInsertSerialData(const QString &path)
{
    m_insertSerialData = new InsertSerialData(path, m_connectionTag, this);
    if (!m_insertSerialData->createConnection()) {
        delete m_insertSerialData;
        m_insertSerialData = nullptr;
        fatalDatabaseError();
        return false;
    }
    qCDebug(lcMain) << "MoravinMain::createInsertSerialData :" << path;
    return true;
}

void MoravinMain::fatalDatabaseError()
{
    QMessageBox::critical(nullptr, QStringLiteral("ERROR"),
                          QStringLiteral("Create database error!\nExit program."), QMessageBox::Ok);
    closeProjectResources();
    removeProjectCenter();
    close();
    QCoreApplication::exit(0);
}

void MoravinMain::deleteInsertSerialData()
{
    drainPendingRows();
    delete m_insertSerialData;
    m_insertSerialData = nullptr;
    qCDebug(lcMain) << "MoravinMain::deleteInsertSerialData()";
}

// Readings buffered for the project reach its database before the writer
// goes: a database that another program holds locked is waited for a while,
// and the user learns of readings that still could not be written.
void MoravinMain::drainPendingRows()
{
    m_writeDbTimer->stop();
    if (!m_insertSerialData || !m_insertSerialData->isOpened() ||
        m_insertSerialData->ownPendingCount() == 0)
        return;
    QElapsedTimer waited;
    waited.start();
    while (!m_insertSerialData->insertNow() && waited.elapsed() < m_drainWaitMs)
        QThread::msleep(100);
    const int lost = m_insertSerialData->discardOwnPending();
    if (lost == 0)
        return;
    qCDebug(lcMain) << "MoravinMain::drainPendingRows : rows lost :" << lost;
    MessageDialog::showTransient(
        QStringLiteral("ERROR"),
        QStringLiteral("The database is busy or cannot be written.\n%1 readings were not "
                       "recorded.")
            .arg(lost),
        this);
}

// Before the project panel goes away, the devices forget its widgets.
void MoravinMain::detachDisplays()
{
    m_bAudioPlaying = false;
    m_player->stop();
    for (ConfiguredDevice *device : qAsConst(m_deviceList)) {
        if (!device)
            continue;
        device->clearListItem();
        device->clearChartView();
        device->clearDashItems();
    }
}

void MoravinMain::deleteDevices()
{
    for (ConfiguredDevice *device : qAsConst(m_deviceList)) {
        if (device) {
            device->close();
            delete device;
        }
    }
    m_deviceList.clear();
}

void MoravinMain::closeProjectResources()
{
    slotAlarmAudioStop();
    m_bProjectOpen = false;
    m_menus->setProjectEntriesEnabled(false);
    ui->label_projectname->clear();
    ui->label_interval->clear();
    if (m_bIsRecordStart)
        slotStopRecord();
    m_writeDeviceTimer->stop();
    deleteInsertSerialData();
    detachDisplays();
    deleteDevices();
    RecorderInterval::setCurrent(DataInterval::Default);
}

void MoravinMain::slotCloseProject()
{
    closeProjectResources();
    removeProjectCenter();
    if (m_projectManager) {
        removeProjectManager();
        stopDiscovery();
    }
    m_menus->uncheckExpansion();
    showProjectMain();
}

void MoravinMain::slotAddDeviceProject()
{
    detachDisplays();
    m_writeDeviceTimer->stop();
    deleteInsertSerialData();
    m_bProjectOpen = false;
    m_menus->setConfiguringState();
    removeProjectCenter();
    m_menus->uncheckExpansion();
    showProjectManager(true);
    for (ConfiguredDevice *device : qAsConst(m_deviceList)) {
        if (device && device->deviceInterface == DeviceSettings::Lan) {
            qCDebug(lcMain) << "telnet ---- closing.." << device->deviceNumber;
            device->close();
        }
    }
    forceUsbScan();
    startDiscovery();
}

void MoravinMain::slotRefreshAvailDeviceList()
{
    qCDebug(lcMain) << "MoravinMain::slotRefreshAvailDeviceList()";
    forceUsbScan();
    startDiscovery();
}

void MoravinMain::projectListConfirm(QList<ConfiguredDevice *> list)
{
    // Devices taken off the list leave the project: their links must not
    // stay open, nor their objects behind.
    for (ConfiguredDevice *device : qAsConst(m_deviceList)) {
        if (device && !list.contains(device)) {
            device->close();
            delete device;
        }
    }
    m_deviceList = list;
    for (ConfiguredDevice *device : qAsConst(m_deviceList))
        device->setParent(this);
    stopDiscovery();
    removeProjectManager();
    slotUpdateProjectFile();
    ProjectFile(m_projectFile)
        .writeValue(QStringLiteral("DataInterval"), RecorderInterval::current());
    ui->label_interval->setText(QStringLiteral("Interval :") +
                                DataInterval::intervalText(RecorderInterval::current()));
    addRecentProject();
    m_bProjectOpen = true;
    m_menus->setProjectEntriesEnabled(true);
    openProjectCenter();
}

void MoravinMain::forceUsbScan()
{
    m_usbWatch.force();
    checkConnection();
}

void MoravinMain::startDiscovery()
{
    if (!m_discovery) {
        m_discovery = new LanDiscovery(this);
        connect(m_discovery, &LanDiscovery::runFailed, this, [this](const QString &message) {
            MessageDialog::showTransient(QStringLiteral("WARNING"), message, this);
        });
        connect(m_discovery, &LanDiscovery::deviceFound, this,
                [this](const AvailableDevice &found) {
                    LanDiscovery::mergeInto(m_availDeviceList, found);
                });
        connect(m_discovery, &LanDiscovery::datagramsRead, this,
                &MoravinMain::slotAvailDevicesFound);
    }
    m_discovery->start();
}

void MoravinMain::stopDiscovery()
{
    if (m_discovery)
        m_discovery->stop();
}

void MoravinMain::slotAvailDevicesFound()
{
    if (m_projectManager)
        m_projectManager->setAvailDeviceList(m_availDeviceList);
    qCDebug(lcMain).nospace() << "3333333333 m_availDeviceList size :[" << m_availDeviceList.size()
                              << "]";
}

void MoravinMain::slotRefreshDevice()
{
    if (!m_bProjectOpen)
        return;
    for (ConfiguredDevice *device : qAsConst(m_deviceList)) {
        if (device)
            device->refreshDevice();
    }
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

void MoravinMain::writeDevice()
{
    if (!m_bProjectOpen)
        return;
    for (ConfiguredDevice *device : qAsConst(m_deviceList)) {
        if (device)
            device->writeDevice();
    }
}

void MoravinMain::writeDb()
{
    if (!m_insertSerialData || !m_insertSerialData->isOpened())
        return;
    if (FlushSchedule::isDue(m_bIsRecordStart, m_insertSerialData->ownPendingCount(),
                             m_deviceList.size()) &&
        !m_insertSerialData->insertNow())
        qCDebug(lcMain) << "MoravinMain::writeDb : flush failed, rows kept :"
                        << m_insertSerialData->ownPendingCount();
    if (!FlushSchedule::keepsRunning(m_bIsRecordStart, m_insertSerialData->ownPendingCount()))
        m_writeDbTimer->stop();
}

void MoravinMain::toggleRecordState(bool on)
{
    m_bIsRecordStart = on;
    for (ConfiguredDevice *device : qAsConst(m_deviceList)) {
        if (!device)
            continue;
        if (!on)
            device->insertNoValue();
        device->recording = on;
    }
    qCDebug(lcMain) << "MoravinMain::toggleRecordState : m_bIsRecordStart :" << on;
    m_menus->setRecording(on, m_bProjectOpen);
}

void MoravinMain::slotToggleRecord()
{
    if (m_bIsRecordStart)
        slotStopRecord();
    else
        slotStartRecord();
}

void MoravinMain::slotStartRecord()
{
    qCDebug(lcMain) << "MoravinMain::slotStartRecord";
    toggleRecordState(true);
    m_writeDbTimer->stop();
    if (m_insertSerialData && m_insertSerialData->isOpened())
        m_writeDbTimer->start(FlushIntervalMs);
    ui->label_record_state->setPixmap(m_recordingPixmap);
    if (m_projectCenter) {
        m_projectCenter->setRecordState(true);
        ProjectFile(m_projectFile)
            .writeValue(QStringLiteral("record_start_time"), m_projectCenter->recordStartText());
    }
}

void MoravinMain::slotStopRecord()
{
    qCDebug(lcMain) << "MoravinMain::slotStopRecord";
    toggleRecordState(false);
    if (m_insertSerialData && m_insertSerialData->isOpened()) {
        m_writeDbTimer->stop();
        // A busy database keeps the rows; the flush timer retries them.
        if (!m_insertSerialData->insertNow())
            m_writeDbTimer->start(FlushIntervalMs);
    }
    ui->label_record_state->setPixmap(m_readyPixmap);
    if (m_projectCenter) {
        m_projectCenter->setRecordState(false);
        ProjectFile(m_projectFile)
            .writeValue(QStringLiteral("record_stop_time"), m_projectCenter->recordEndText());
    }
}

void MoravinMain::checkConnection()
{
    const QList<UsbPortInfo> ports = UsbPortDetector::findUsbPorts();
    switch (m_usbWatch.check(ports.size(), m_serialDeviceList.size())) {
    case UsbPortWatch::PortsChanged:
        qCDebug(lcMain) << "openKelvantisDevices.";
        checkConfigListItem(ports);
        break;
    case UsbPortWatch::AllPortsDown:
        qCDebug(lcMain) << "all serialport is down.";
        closeSerialDevices();
        break;
    case UsbPortWatch::NoChange:
        // A device pulled and plugged in again between two scans leaves the
        // ports as they were, but its link closed: open it again.
        if (m_bProjectOpen)
            reopenUsbDevices(ports, true);
        return;
    }
    if (m_projectManager)
        m_projectManager->setAvailDeviceList(m_availDeviceList);
}

void MoravinMain::checkConfigListItem(const QList<UsbPortInfo> &ports)
{
    FoundDevices::rebuildUsb(m_availDeviceList, m_serialDeviceList, ports);
    if (m_bProjectOpen)
        reopenUsbDevices(ports, false);
}

void MoravinMain::reopenUsbDevices(const QList<UsbPortInfo> &ports, bool onlyClosed)
{
    bool reopened = false;
    bool moved = false;
    for (const UsbPortInfo &port : ports) {
        for (ConfiguredDevice *device : qAsConst(m_deviceList)) {
            if (!device || device->deviceNumber != port.serialNumber ||
                (onlyClosed && device->link()->isOpen()))
                continue;
            device->close();
            qCDebug(lcMain) << "MoravinMain::checkConfigListItem :" << device->deviceNumber
                            << device->interfaceAddress << "->" << port.portName;
            moved = moved || device->interfaceAddress != port.portName;
            device->setDeviceInfo(device->deviceName, device->ch1Name, device->ch2Name,
                                  port.portName, 23);
            device->open();
            reopened = true;
        }
    }
    // A device that fails to open is tried on every scan; the file is written
    // only when something in it changes.
    if ((reopened && !onlyClosed) || moved)
        slotUpdateProjectFile();
}

void MoravinMain::closeSerialDevices()
{
    FoundDevices::dropUsb(m_availDeviceList, m_serialDeviceList);
}

void MoravinMain::closeKelvantisDevices()
{
    FoundDevices::clear(m_availDeviceList, m_serialDeviceList);
}

void MoravinMain::slotStdTimer()
{
    const QString now = QDateTime::currentDateTime().toString(kClockFormat);
    ui->label_datetime->setText(now);
    // Without the project panel (configuring a project) the devices' last
    // alarm flags are stale and must not start the sound.
    if (!m_projectCenter)
        return;

    const QString database = ProjectFile(m_projectFile).databasePath();
    if (!m_projectCenter->recordEndText().isEmpty() &&
        !m_projectCenter->recordStartText().isEmpty() && QFileInfo::exists(database)) {
        const qint64 bytes = DatabaseSize::onDisk(database);
        m_projectCenter->setDatabaseSize(bytes);
        if (DatabaseSize::reachesLimit(bytes) && m_bIsRecordStart)
            slotStopRecord();
    }
    if (m_bIsRecordStart)
        m_projectCenter->setRecordEnd(now);

    switch (AlarmSoundDecision::decide(m_deviceList, m_bAudioPlaying)) {
    case AlarmSoundDecision::Play:
        slotAlarmAudioPlay();
        break;
    case AlarmSoundDecision::Stop:
        slotAlarmAudioStop();
        break;
    case AlarmSoundDecision::Keep:
        break;
    }
}

void MoravinMain::slotAlarmAudioPlay()
{
    if (m_bAudioPlaying)
        return;
    m_player->play();
    m_bAudioPlaying = true;
}

void MoravinMain::slotAlarmAudioStop()
{
    m_bAudioPlaying = false;
    m_player->stop();
}

void MoravinMain::slotPlayerStatusChanged(QMediaPlayer::MediaStatus status)
{
    if (status == QMediaPlayer::EndOfMedia) {
        m_player->stop();
        m_player->play();
    }
}

void MoravinMain::closeEvent(QCloseEvent *event)
{
    if (m_bIsRecordStart) {
        event->ignore();
        return;
    }
    stopDiscovery();
    closeProjectResources();
    m_stdTimer->stop();
    m_checkTimer->stop();
    m_writeDeviceTimer->stop();
    m_writeDbTimer->stop();
    closeKelvantisDevices();
    event->accept();
}
