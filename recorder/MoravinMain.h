#pragma once

#include "control/UsbPortWatch.h"

#include <QList>
#include <QMediaPlayer>
#include <QPixmap>
#include <QStringList>
#include <QVariantHash>
#include <QWidget>

#include <memory>

class ConfiguredDevice;
class InsertSerialData;
class LanDiscovery;
class MainMenus;
class ProjectCenter;
class ProjectMain;
class ProjectManager;
class QCloseEvent;
class QMenu;
class QTimer;
class QVBoxLayout;
struct AvailableDevice;
struct UsbPortInfo;

namespace Ui {
class MoravinMain;
}

// The recorder's one window: title band with the command buttons, one
// project panel at a time in the centre, status bar. It owns the project
// state: devices, recording database writer, timers and alarm sound.
class MoravinMain : public QWidget
{
    Q_OBJECT
public:
    static constexpr const char *WindowTitle = "Moravin Lite";
    static constexpr const char *Version = "V3.35";
    // How long closing a project waits by default for a busy database to take
    // the readings still buffered for it.
    static constexpr int DrainWaitMs = 12000;

    explicit MoravinMain(QWidget *parent = nullptr);
    ~MoravinMain() override;

    // Read-only views for the status checks of tests and panels.
    bool isProjectOpen() const { return m_bProjectOpen; }
    bool isRecording() const { return m_bIsRecordStart; }
    bool isAudioPlaying() const { return m_bAudioPlaying; }
    QString projectFile() const { return m_projectFile; }
    QString projectName() const { return m_projectName; }
    const QList<ConfiguredDevice *> &deviceList() const { return m_deviceList; }
    InsertSerialData *insertSerialData() const { return m_insertSerialData; }
    QWidget *currentPanel() const;
    ProjectManager *projectManager() const { return m_projectManager; }
    ProjectCenter *projectCenter() const { return m_projectCenter; }
    QMenu *projectMenu() const;
    QMenu *recordMenu() const;
    QMenu *reportMenu() const;
    QMenu *viewMenu() const;
    const QList<AvailableDevice *> &availDeviceList() const { return m_availDeviceList; }
    LanDiscovery *discovery() const { return m_discovery; }
    QTimer *writeDbTimer() const { return m_writeDbTimer; }
    QTimer *writeDeviceTimer() const { return m_writeDeviceTimer; }
    void setDrainWait(int milliseconds) { m_drainWaitMs = milliseconds; }

public slots:
    void topDblClick();
    void slotCommandProject();
    void slotCommandRecord();
    void slotCommandScreen();
    void slotCommandHelp();
    void slotViewFull(bool on);
    void slotShowHideItem(bool checked);
    void slotCloseProject();
    void slotAddDeviceProject();
    void slotRefreshDevice();
    void slotTrendoraRecord();
    void slotReportDaily();
    void slotUpdateProjectFile();
    void slotRefreshAvailDeviceList();
    void slotToggleRecord();
    void slotStartRecord();
    void slotStopRecord();
    void projectCreated(const QString &path);
    void projectLoaded(const QString &path);
    void projectListConfirm(QList<ConfiguredDevice *> list);
    void checkConnection();
    void slotStdTimer();
    void writeDevice();
    void writeDb();
    void slotAvailDevicesFound();
    void slotAlarmAudioPlay();
    void slotAlarmAudioStop();
    void slotPlayerStatusChanged(QMediaPlayer::MediaStatus status);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void showProjectMain();
    void removeProjectMain();
    void removeProjectCenter();
    void removeProjectManager();
    void showProjectManager(bool intervalLocked);
    void setProjectLabels();
    void addRecentProject();
    void closeProjectResources();
    void detachDisplays();
    void deleteDevices();
    void toggleRecordState(bool on);
    void openProjectCenter();
    bool createInsertSerialData(const QString &path);
    void deleteInsertSerialData();
    void drainPendingRows();
    void fatalDatabaseError();
    void startDiscovery();
    void stopDiscovery();
    void forceUsbScan();
    void launchCompanion(int companion);
    void checkConfigListItem(const QList<UsbPortInfo> &ports);
    void reopenUsbDevices(const QList<UsbPortInfo> &ports, bool onlyClosed);
    void closeSerialDevices();
    void closeKelvantisDevices();

    std::unique_ptr<Ui::MoravinMain> ui;
    MainMenus *m_menus = nullptr;
    QPixmap m_readyPixmap;
    QPixmap m_recordingPixmap;
    QVBoxLayout *m_layout = nullptr;

    ProjectMain *m_projectMain = nullptr;
    ProjectManager *m_projectManager = nullptr;
    ProjectCenter *m_projectCenter = nullptr;
    QTimer *m_stdTimer = nullptr;
    QTimer *m_writeDeviceTimer = nullptr;
    QTimer *m_checkTimer = nullptr;
    QTimer *m_writeDbTimer = nullptr;
    UsbPortWatch m_usbWatch;
    bool m_bProjectOpen = false;
    QString m_projectName;
    QString m_projectFile;
    QList<ConfiguredDevice *> m_deviceList;
    bool m_bIsRecordStart = false;
    QList<AvailableDevice *> m_availDeviceList;
    QList<AvailableDevice *> m_serialDeviceList;
    LanDiscovery *m_discovery = nullptr;
    QVariantHash m_recentProjects;
    QStringList m_recentProjectList;
    InsertSerialData *m_insertSerialData = nullptr;
    QString m_connectionTag;
    QMediaPlayer *m_player = nullptr;
    bool m_bAudioPlaying = false;
    int m_drainWaitMs = DrainWaitMs;
};
