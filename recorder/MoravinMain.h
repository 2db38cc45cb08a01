#pragma once

#include "MainMenus.h"
#include "StoreStatus.h"
#include "control/AlarmSound.h"
#include "control/FoundDevices.h"
#include "control/RecordingSession.h"
#include "control/UnattendedRecording.h"

#include <QList>
#include <QPixmap>
#include <QStringList>
#include <QVariantHash>
#include <QWidget>

#include <memory>

class CloseWaitDialog;
class ConfiguredDevice;
class LanDiscovery;
class NotificationLink;
class ProjectCenter;
class ProjectMain;
class ServerLink;
class ProjectManager;
class QCloseEvent;
class QMenu;
class QVBoxLayout;
struct AvailableDevice;

namespace Ui {
class MoravinMain;
}

// The recorder's one window: title band with the command buttons, one
// project panel at a time in the centre, status bar. The recording itself -
// devices, database, timers - belongs to its RecordingSession; the window
// shows it and passes the user's commands on.
class MoravinMain : public QWidget
{
    Q_OBJECT
public:
    static constexpr const char *WindowTitle = "Moravin Lite";
    static constexpr const char *Version = "V3.35";

    explicit MoravinMain(QWidget *parent = nullptr);
    ~MoravinMain() override;

    RecordingSession *session() const { return m_session; }
    NotificationLink *notifications() const { return m_notifications; }
    ServerLink *serverLink() const { return m_serverLink; }
    UnattendedRecording *unattended() const { return m_unattended; }
    bool isProjectOpen() const { return m_session->isOpen(); }
    bool isRecording() const { return m_session->isRecording(); }
    bool isAudioPlaying() const { return m_session->alarmSound()->isPlaying(); }
    QString projectFile() const { return m_projectFile; }
    QString projectName() const { return m_projectName; }
    const QList<ConfiguredDevice *> &deviceList() const { return m_session->devices(); }
    const QList<AvailableDevice *> &availDeviceList() const
    {
        return m_session->foundDevices()->all();
    }
    LanDiscovery *discovery() const { return m_session->foundDevices()->discovery(); }
    QWidget *currentPanel() const;
    ProjectManager *projectManager() const { return m_projectManager; }
    ProjectCenter *projectCenter() const { return m_projectCenter; }
    CloseWaitDialog *closeWaitDialog() const { return m_storeStatus->closeWaitDialog(); }
    QMenu *projectMenu() const { return m_menus->projectMenu(); }
    QMenu *recordMenu() const { return m_menus->recordMenu(); }
    QMenu *reportMenu() const { return m_menus->reportMenu(); }
    QMenu *viewMenu() const { return m_menus->viewMenu(); }

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

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // What follows once the session has closed the project.
    enum class AfterClose
    {
        StartPanel,
        Configuration,
        Window
    };

    void connectSession();
    void showProjectMain();
    void showProjectManager(bool intervalLocked);
    void setProjectLabels();
    void addRecentProject();
    void detachDisplays();
    void openProjectCenter();
    void fatalDatabaseError();
    void launchCompanion(int companion);
    void closeProject(AfterClose after);
    void projectClosed();
    void recordingChanged(bool on);
    void clockTicked(const QString &now);

    std::unique_ptr<Ui::MoravinMain> ui;
    MainMenus *m_menus = nullptr;
    RecordingSession *m_session = nullptr;
    UnattendedRecording *m_unattended = nullptr;
    StoreStatus *m_storeStatus = nullptr;
    NotificationLink *m_notifications = nullptr;
    ServerLink *m_serverLink = nullptr;
    QPixmap m_readyPixmap;
    QPixmap m_recordingPixmap;
    QVBoxLayout *m_layout = nullptr;

    ProjectMain *m_projectMain = nullptr;
    ProjectManager *m_projectManager = nullptr;
    ProjectCenter *m_projectCenter = nullptr;
    AfterClose m_afterClose = AfterClose::StartPanel;
    bool m_inCloseEvent = false;
    QString m_projectName;
    QString m_projectFile;
    QVariantHash m_recentProjects;
    QStringList m_recentProjectList;
};
