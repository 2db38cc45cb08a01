#include "MoravinMain.h"

#include "ProjectMain.h"
#include "RecentProjects.h"
#include "core/DataInterval.h"
#include "core/ProjectFile.h"
#include "device/AvailableDevice.h"
#include "device/ConfiguredDevice.h"
#include "device/LanDiscovery.h"
#include "device/RecorderInterval.h"
#include "device/UsbPortDetector.h"
#include "store/InsertSerialData.h"
#include "widgets/MessageDialog.h"
#include "widgets/TopCustomFrame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLoggingCategory>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QUuid>
#include <QVBoxLayout>

#include <algorithm>

Q_LOGGING_CATEGORY(lcMain, "moravin.main")

namespace {

const QString kDateTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");
const QString kMenuStyle = QStringLiteral("background-color: rgb(203, 203, 203);");

QFrame *separatorLine(QWidget *parent)
{
    auto *line = new QFrame(parent);
    line->setFrameShape(QFrame::VLine);
    line->setStyleSheet(QStringLiteral("color: rgb(170, 170, 170);"));
    return line;
}

QMenu *styledMenu(const QString &title, QWidget *parent)
{
    auto *menu = new QMenu(title, parent);
    menu->setStyleSheet(kMenuStyle);
    QFont font = menu->font();
    font.setWeight(QFont::Bold);
    menu->setFont(font);
    return menu;
}

} // namespace

MoravinMain::MoravinMain(QWidget *parent) : QWidget(parent)
{
    buildForm();
    m_connectionTag = QString::fromLatin1(QUuid::createUuid().toString().toLatin1().toBase64());
    setWindowTitle(QString::fromLatin1(WindowTitle));

    connect(m_menuFrame, &TopCustomFrame::customDoubleClick, this, &MoravinMain::topDblClick);
    connect(m_commandProject, &QPushButton::clicked, this, &MoravinMain::slotCommandProject);
    connect(m_commandRecord, &QPushButton::clicked, this, &MoravinMain::slotCommandRecord);
    connect(m_commandScreen, &QPushButton::clicked, this, &MoravinMain::slotCommandScreen);
    connect(m_commandHelp, &QPushButton::clicked, this, &MoravinMain::slotCommandHelp);

    m_labelDateTime->setText(
        QDateTime::currentDateTime().toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")));

    buildMenus();
    m_readyPixmap = QPixmap(QStringLiteral(":/img/StateReady.png"));
    m_recordingPixmap = QPixmap(QStringLiteral(":/img/StateRecording.png"));
    m_labelRecordState->setPixmap(m_readyPixmap);

    setProjectEntriesEnabled(false);
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
    deleteDevices();
    closeKelvantisDevices();
}

void MoravinMain::buildForm()
{
    setObjectName(QStringLiteral("MoravinMain"));
    resize(1152, 620);
    setWindowIcon(QIcon(QStringLiteral(":/img/I_2.png")));
    setFont(QFont(QStringLiteral("Segoe UI")));
    setStyleSheet(QStringLiteral("QToolTip { color: rgb(230,230,230); background-color: rgb(12, "
                                 "12, 12); border: #996633; }"));

    auto *verticalLayout = new QVBoxLayout(this);
    verticalLayout->setObjectName(QStringLiteral("verticalLayout"));
    verticalLayout->setContentsMargins(0, 0, 0, 0);
    verticalLayout->setSpacing(0);

    m_menuFrame = new TopCustomFrame(this);
    m_menuFrame->setObjectName(QStringLiteral("menuFrame"));
    m_menuFrame->setFixedHeight(40);
    m_menuFrame->setStyleSheet(
        QStringLiteral("#menuFrame { background-color: rgb(198, 198, 198); }"));
    auto *top = new QHBoxLayout(m_menuFrame);
    top->setContentsMargins(8, 0, 8, 0);
    top->setSpacing(4);
    auto *logo = new QLabel(m_menuFrame);
    logo->setObjectName(QStringLiteral("label_top_logo"));
    logo->setMinimumWidth(135);
    logo->setPixmap(QPixmap(QStringLiteral(":/img/MoravinLogoLite.png")));
    logo->setStyleSheet(QStringLiteral("background: transparent;"));
    top->addWidget(logo);
    auto *version = new QLabel(QString::fromLatin1(Version), m_menuFrame);
    version->setObjectName(QStringLiteral("label_version"));
    QFont versionFont = font();
    versionFont.setPointSize(10);
    version->setFont(versionFont);
    version->setStyleSheet(
        QStringLiteral("color: rgba(230, 230, 230, 200); background: transparent;"));
    top->addWidget(version, 0, Qt::AlignBottom);
    top->addSpacing(24);

    QFont commandFont = font();
    commandFont.setPointSize(11);
    const QString commandStyle = QStringLiteral(
        "QPushButton { color: rgb(80, 80, 80); background: transparent; border: none; "
        "padding: 4px 14px; border-radius: 3px; }"
        "QPushButton:hover { background-color: rgba(255, 255, 255, 90); }"
        "QPushButton:pressed { background-color: rgba(0, 0, 0, 30); }");
    auto command = [&](const QString &name, const QString &text) {
        auto *button = new QPushButton(text, m_menuFrame);
        button->setObjectName(name);
        button->setFont(commandFont);
        button->setStyleSheet(commandStyle);
        button->setCursor(Qt::PointingHandCursor);
        button->setFocusPolicy(Qt::NoFocus);
        top->addWidget(button);
        return button;
    };
    m_commandProject = command(QStringLiteral("command_project"), QStringLiteral("Project"));
    m_commandRecord = command(QStringLiteral("command_record"), QStringLiteral("Record"));
    m_commandScreen = command(QStringLiteral("command_screen"), QStringLiteral("Window"));
    top->addStretch();
    m_commandHelp = command(QStringLiteral("command_help"), QStringLiteral("Help"));
    verticalLayout->addWidget(m_menuFrame);

    m_centralFrame = new QFrame(this);
    m_centralFrame->setObjectName(QStringLiteral("centralFrame"));
    m_centralFrame->setMinimumSize(1024, 464);
    m_centralFrame->setStyleSheet(QStringLiteral(
        "#centralFrame { background-color: qlineargradient(spread:pad, x1:0.372222, y1:0.46, "
        "x2:1, y2:1, stop:0 rgba(49, 49, 49, 255), stop:1 rgba(73, 73, 73, 255)); }"));
    m_layout = new QVBoxLayout(m_centralFrame);
    m_layout->setContentsMargins(0, 0, 0, 0);
    verticalLayout->addWidget(m_centralFrame, 1);

    auto *statusFrame = new QFrame(this);
    statusFrame->setObjectName(QStringLiteral("statusFrame"));
    statusFrame->setFixedHeight(20);
    statusFrame->setStyleSheet(
        QStringLiteral("#statusFrame { background-color: rgb(220, 220, 220); }"));
    auto *status = new QHBoxLayout(statusFrame);
    status->setContentsMargins(6, 0, 6, 0);
    status->setSpacing(6);
    auto *bottomLogo = new QLabel(statusFrame);
    bottomLogo->setObjectName(QStringLiteral("label_bottom_logo"));
    bottomLogo->setMaximumWidth(100);
    bottomLogo->setPixmap(QPixmap(QStringLiteral(":/img/KelvantisLogo.png")));
    status->addWidget(bottomLogo);
    status->addWidget(separatorLine(statusFrame));
    m_labelProjectName = new QLabel(statusFrame);
    m_labelProjectName->setObjectName(QStringLiteral("label_projectname"));
    m_labelProjectName->setMinimumWidth(300);
    QFont nineFont = font();
    nineFont.setPointSize(9);
    m_labelProjectName->setFont(nineFont);
    m_labelProjectName->setStyleSheet(QStringLiteral("color: rgb(88, 88, 88);"));
    status->addWidget(m_labelProjectName, 1);
    status->addWidget(separatorLine(statusFrame));
    m_labelInterval = new QLabel(statusFrame);
    m_labelInterval->setObjectName(QStringLiteral("label_interval"));
    m_labelInterval->setMinimumWidth(130);
    m_labelInterval->setStyleSheet(QStringLiteral("color: rgb(255, 0, 0);"));
    status->addWidget(m_labelInterval);
    status->addWidget(separatorLine(statusFrame));
    m_labelDateTime = new QLabel(statusFrame);
    m_labelDateTime->setObjectName(QStringLiteral("label_datetime"));
    m_labelDateTime->setMinimumWidth(125);
    m_labelDateTime->setStyleSheet(QStringLiteral("color: rgb(88, 88, 88);"));
    status->addWidget(m_labelDateTime);
    status->addWidget(separatorLine(statusFrame));
    m_labelRecordState = new QLabel(statusFrame);
    m_labelRecordState->setObjectName(QStringLiteral("label_record_state"));
    status->addWidget(m_labelRecordState);
    verticalLayout->addWidget(statusFrame);
}

void MoravinMain::buildMenus()
{
    m_projectMenu = styledMenu(QStringLiteral("Project"), this);
    m_actAddDelete = m_projectMenu->addAction(QStringLiteral("Add/Delete"), this,
                                              &MoravinMain::slotAddDeviceProject);
    m_actClose =
        m_projectMenu->addAction(QStringLiteral("Close"), this, &MoravinMain::slotCloseProject);
    m_projectMenu->addSeparator();
    m_actRefresh = m_projectMenu->addAction(QStringLiteral("Refresh Devices"), this,
                                            &MoravinMain::slotRefreshDevice);
    m_projectMenu->addSeparator();
    m_actExit = m_projectMenu->addAction(QStringLiteral("Exit"), this, &QWidget::close);

    m_recordMenu = styledMenu(QStringLiteral("Record"), this);
    m_actTrendora =
        m_recordMenu->addAction(QStringLiteral("Trendora"), this, &MoravinMain::slotTrendoraRecord);
    m_recordMenu->addSeparator();
    m_reportMenu = styledMenu(QStringLiteral("Report"), m_recordMenu);
    m_reportMenu->addAction(QStringLiteral("Daily Report"), this, &MoravinMain::slotReportDaily);
    for (const char *name : {"Weekly Report", "Monthly Report", "HACCP Report"})
        m_reportMenu->addAction(QString::fromLatin1(name))->setEnabled(false);
    m_recordMenu->addMenu(m_reportMenu);

    m_viewMenu = styledMenu(QStringLiteral("View"), this);
    m_actFullScreen = m_viewMenu->addAction(QStringLiteral("FullScreen"));
    m_actFullScreen->setCheckable(true);
    connect(m_actFullScreen, &QAction::triggered, this, &MoravinMain::slotViewFull);
    m_viewMenu->addSeparator();
    m_actExpansion = m_viewMenu->addAction(QStringLiteral("Expansion Mode"));
    m_actExpansion->setCheckable(true);
    connect(m_actExpansion, &QAction::triggered, this, &MoravinMain::slotShowHideItem);
}

QWidget *MoravinMain::currentPanel() const
{
    return m_layout->count() > 0 ? m_layout->itemAt(0)->widget() : nullptr;
}

void MoravinMain::setProjectEntriesEnabled(bool enabled)
{
    for (QAction *action :
         {m_actAddDelete, m_actClose, m_actRefresh, m_actTrendora, m_actExpansion})
        action->setEnabled(enabled);
    m_reportMenu->setEnabled(enabled);
    m_reportMenu->menuAction()->setEnabled(enabled);
}

void MoravinMain::popMenu(QMenu *menu, QPushButton *button)
{
    const QRect window = geometry();
    const QRect b = button->geometry();
    menu->popup(QPoint(window.left() + 5 + b.left(), window.top() + 1 + b.bottom()));
}

void MoravinMain::slotCommandProject()
{
    popMenu(m_projectMenu, m_commandProject);
}

void MoravinMain::slotCommandRecord()
{
    popMenu(m_recordMenu, m_commandRecord);
}

void MoravinMain::slotCommandScreen()
{
    popMenu(m_viewMenu, m_commandScreen);
}

// The about box comes with the companion launch.
void MoravinMain::slotCommandHelp() {}

void MoravinMain::topDblClick()
{
    const bool full = !isFullScreen();
    slotViewFull(full);
    m_actFullScreen->setChecked(full);
}

void MoravinMain::slotViewFull(bool on)
{
    if (on)
        showFullScreen();
    else
        showNormal();
}

// The dashboard that hides its empty places comes with the project panel.
void MoravinMain::slotShowHideItem(bool) {}

void MoravinMain::showProjectMain()
{
    delete m_projectMain;
    m_projectMain = new ProjectMain(&m_recentProjectList, &m_recentProjects);
    connect(m_projectMain, &ProjectMain::projectCreated, this, &MoravinMain::projectCreated);
    connect(m_projectMain, &ProjectMain::projectLoaded, this, &MoravinMain::projectLoaded);
    m_layout->addWidget(m_projectMain);
    m_projectMain->show();
}

void MoravinMain::removeProjectMain()
{
    if (!m_projectMain)
        return;
    m_layout->removeWidget(m_projectMain);
    m_projectMain->close();
    // Deferred: the panel may be the sender of the signal being handled.
    m_projectMain->deleteLater();
    m_projectMain = nullptr;
}

void MoravinMain::setProjectLabels()
{
    m_labelProjectName->setText(ProjectFile::displayName(m_projectFile, m_projectName));
    m_labelInterval->setText(QStringLiteral("Interval :") +
                             DataInterval::intervalText(RecorderInterval::current()));
}

void MoravinMain::projectCreated(const QString &path)
{
    deleteInsertSerialData();
    removeProjectMain();
    m_projectFile = path;
    m_projectName = QFileInfo(path).completeBaseName();
    m_labelProjectName->setText(ProjectFile::displayName(m_projectFile, m_projectName));
    const ProjectFile project(path);
    if (!project.writeHeader(m_projectName, RecorderInterval::current(),
                             ProjectFile::databaseNameFor(path)))
        MessageDialog::showTransient(QStringLiteral("ERROR"),
                                     QStringLiteral("Unable to write the project file."), this);
    // The configuration panel that offers the found devices comes with the
    // device configuration.
    setProjectEntriesEnabled(false);
    m_actClose->setEnabled(true);
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
    deleteDevices();
    for (const DeviceSettings &settings : list.devices) {
        auto *device = new ConfiguredDevice(settings.deviceNumber, settings.deviceInterface, this);
        device->applySettings(settings);
        m_deviceList.append(device);
    }

    deleteInsertSerialData();
    removeProjectMain();
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
    setProjectEntriesEnabled(true);
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
    const QString path = ProjectFile(m_projectFile).databasePath();
    if (!createInsertSerialData(path))
        return;
    m_insertSerialData->startDateTime();
    m_insertSerialData->endDateTime();

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
    close();
    QCoreApplication::exit(0);
}

void MoravinMain::deleteInsertSerialData()
{
    delete m_insertSerialData;
    m_insertSerialData = nullptr;
    qCDebug(lcMain) << "MoravinMain::deleteInsertSerialData()";
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
    m_bProjectOpen = false;
    setProjectEntriesEnabled(false);
    m_labelProjectName->clear();
    m_labelInterval->clear();
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
    stopDiscovery();
    m_actExpansion->setChecked(false);
    showProjectMain();
}

// Editing the device list comes with the device configuration panel.
void MoravinMain::slotAddDeviceProject() {}

void MoravinMain::slotRefreshAvailDeviceList()
{
    qCDebug(lcMain) << "MoravinMain::slotRefreshAvailDeviceList()";
    forceUsbScan();
    startDiscovery();
}

void MoravinMain::forceUsbScan()
{
    m_bAnyPortNow = true;
    m_bAnyPortBefore = false;
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

// The configuration panel, once it exists, is handed the refreshed list here.
void MoravinMain::slotAvailDevicesFound()
{
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

// Starting the companion programs comes with the companion launch.
void MoravinMain::slotTrendoraRecord() {}

void MoravinMain::slotReportDaily() {}

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
    const int threshold = m_deviceList.size() < 2 ? 8 : 16;
    if (InsertSerialData::pendingCount() >= threshold)
        m_insertSerialData->insertNow();
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
    m_actExit->setEnabled(!on);
    m_actAddDelete->setEnabled(!on && m_bProjectOpen);
    m_actClose->setEnabled(!on && m_bProjectOpen);
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
        m_writeDbTimer->start(1500);
    m_labelRecordState->setPixmap(m_recordingPixmap);
}

void MoravinMain::slotStopRecord()
{
    qCDebug(lcMain) << "MoravinMain::slotStopRecord";
    toggleRecordState(false);
    if (m_insertSerialData && m_insertSerialData->isOpened()) {
        m_writeDbTimer->stop();
        m_insertSerialData->insertNow();
    }
    m_labelRecordState->setPixmap(m_readyPixmap);
}

void MoravinMain::checkConnection()
{
    const QList<UsbPortInfo> ports = UsbPortDetector::findUsbPorts();
    m_bAnyPortNow = !ports.isEmpty();
    // A second device plugged in, or one of several pulled, changes the count
    // without changing "any port present".
    if (m_bAnyPortNow && !m_serialDeviceList.isEmpty() && ports.size() != m_serialDeviceList.size())
        m_bAnyPortBefore = false;
    if (m_bAnyPortNow != m_bAnyPortBefore) {
        if (m_bAnyPortNow) {
            qCDebug(lcMain) << "openKelvantisDevices.";
            checkConfigListItem(ports);
        } else {
            qCDebug(lcMain) << "all serialport is down.";
            closeSerialDevices();
        }
    }
    m_bAnyPortBefore = m_bAnyPortNow;
}

void MoravinMain::checkConfigListItem(const QList<UsbPortInfo> &ports)
{
    closeSerialDevices();
    for (const UsbPortInfo &port : ports) {
        auto known = std::find_if(
            m_availDeviceList.begin(), m_availDeviceList.end(),
            [&](const AvailableDevice *d) { return d && d->deviceNumber == port.serialNumber; });
        if (known != m_availDeviceList.end()) {
            (*known)->address = port.portName;
        } else {
            auto *found = new AvailableDevice{port.serialNumber, port.portName, 23, 1};
            m_availDeviceList.append(found);
            m_serialDeviceList.append(found);
        }

        if (!m_bProjectOpen)
            continue;
        for (ConfiguredDevice *device : qAsConst(m_deviceList)) {
            if (!device || device->deviceNumber != port.serialNumber)
                continue;
            device->close();
            qCDebug(lcMain) << "MoravinMain::checkConfigListItem :" << device->deviceNumber
                            << device->interfaceAddress << "->" << port.portName;
            device->setDeviceInfo(device->deviceName, device->ch1Name, device->ch2Name,
                                  port.portName, 23);
            device->open();
            slotUpdateProjectFile();
        }
    }
}

void MoravinMain::closeSerialDevices()
{
    for (AvailableDevice *device : qAsConst(m_serialDeviceList)) {
        if (!m_availDeviceList.removeOne(device))
            qCDebug(lcMain) << "closeSerialDevices() m_availDeviceList.removeOne false :"
                            << device->deviceNumber;
        delete device;
    }
    m_serialDeviceList.clear();
}

void MoravinMain::closeKelvantisDevices()
{
    for (AvailableDevice *device : qAsConst(m_availDeviceList)) {
        if (device && device->interfaceType == 1 && !m_serialDeviceList.removeOne(device))
            qCDebug(lcMain) << "closeKelvantisDevices() m_serialDeviceList.removeOne false :"
                            << device->deviceNumber;
    }
    qDeleteAll(m_availDeviceList);
    m_availDeviceList.clear();
    m_serialDeviceList.clear();
}

void MoravinMain::slotStdTimer()
{
    m_labelDateTime->setText(QDateTime::currentDateTime().toString(kDateTimeFormat));

    for (const ConfiguredDevice *device : qAsConst(m_deviceList)) {
        if (device && (device->ch1Alarm || device->ch2Alarm)) {
            slotAlarmAudioPlay();
            return;
        }
    }
    slotAlarmAudioStop();
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
