#pragma once

#include <QObject>

class MoravinMain;
class QAction;
class QMenu;
class QPushButton;

// The recorder's "Project", "Record" (with "Report") and "View" menus, and
// which of their entries are enabled in which state of the window.
class MainMenus : public QObject
{
    Q_OBJECT
public:
    explicit MainMenus(MoravinMain *window);

    QMenu *projectMenu() const { return m_projectMenu; }
    QMenu *recordMenu() const { return m_recordMenu; }
    QMenu *reportMenu() const { return m_reportMenu; }
    QMenu *viewMenu() const { return m_viewMenu; }
    // "Server...": the project's site server.
    QAction *serverAction() const { return m_server; }

    // The entries that need an open project.
    void setProjectEntriesEnabled(bool enabled);
    // A project being configured can only be closed.
    void setConfiguringState();
    // While recording the window can be neither left nor edited.
    void setRecording(bool recording, bool projectOpen);
    void setFullScreenChecked(bool checked);
    void setCommunicationAlarmChecked(bool checked);
    void uncheckExpansion();
    // Shows a menu below its command button in the title band.
    void popUnder(QMenu *menu, const QPushButton *button) const;

private:
    void setAutostart(bool on);

    MoravinMain *m_window;
    QMenu *m_projectMenu = nullptr;
    QMenu *m_recordMenu = nullptr;
    QMenu *m_reportMenu = nullptr;
    QMenu *m_viewMenu = nullptr;
    QAction *m_addDelete = nullptr;
    QAction *m_close = nullptr;
    QAction *m_refresh = nullptr;
    QAction *m_server = nullptr;
    QAction *m_commAlarm = nullptr;
    QAction *m_autostart = nullptr;
    QAction *m_exit = nullptr;
    QAction *m_trendora = nullptr;
    QAction *m_fullScreen = nullptr;
    QAction *m_expansion = nullptr;
};
