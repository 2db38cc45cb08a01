#include "MainMenus.h"

#include "MoravinMain.h"
#include "control/DesktopAutostart.h"
#include "control/UnattendedRecording.h"
#include "widgets/MenuPopup.h"
#include "widgets/MessageDialog.h"

#include <QAction>
#include <QMenu>
#include <QPushButton>

namespace {

QMenu *styledMenu(const QString &title, QWidget *parent)
{
    return MenuPopup::create(title, parent);
}

} // namespace

MainMenus::MainMenus(MoravinMain *window) : QObject(window), m_window(window)
{
    m_projectMenu = styledMenu(QStringLiteral("Project"), window);
    m_addDelete = m_projectMenu->addAction(QStringLiteral("Add/Delete"), window,
                                           &MoravinMain::slotAddDeviceProject);
    m_close =
        m_projectMenu->addAction(QStringLiteral("Close"), window, &MoravinMain::slotCloseProject);
    m_projectMenu->addSeparator();
    m_refresh = m_projectMenu->addAction(QStringLiteral("Refresh Devices"), window,
                                         &MoravinMain::slotRefreshDevice);
    m_server = m_projectMenu->addAction(QStringLiteral("Server..."));
    m_server->setObjectName(QStringLiteral("action_server"));
    m_commAlarm = m_projectMenu->addAction(QStringLiteral("Alarm When A Device Is Lost"));
    m_commAlarm->setCheckable(true);
    m_commAlarm->setChecked(true);
    connect(m_commAlarm, &QAction::triggered, window,
            [window](bool on) { window->unattended()->setCommunicationAlarm(on); });
    m_projectMenu->addSeparator();
    m_autostart = m_projectMenu->addAction(QStringLiteral("Start with the desktop session"));
    m_autostart->setCheckable(true);
    m_autostart->setChecked(DesktopAutostart().isEnabled());
    connect(m_autostart, &QAction::triggered, this, &MainMenus::setAutostart);
    m_exit = m_projectMenu->addAction(QStringLiteral("Exit"), window, &QWidget::close);

    m_recordMenu = styledMenu(QStringLiteral("Record"), window);
    m_trendora = m_recordMenu->addAction(QStringLiteral("Trendora"), window,
                                         &MoravinMain::slotTrendoraRecord);
    m_recordMenu->addSeparator();
    m_reportMenu = styledMenu(QStringLiteral("Report"), m_recordMenu);
    m_reportMenu->addAction(QStringLiteral("Daily Report"), window, &MoravinMain::slotReportDaily);
    for (const char *name : {"Weekly Report", "Monthly Report", "HACCP Report"})
        m_reportMenu->addAction(QString::fromLatin1(name))->setEnabled(false);
    m_recordMenu->addMenu(m_reportMenu);

    m_viewMenu = styledMenu(QStringLiteral("View"), window);
    m_fullScreen = m_viewMenu->addAction(QStringLiteral("FullScreen"));
    m_fullScreen->setCheckable(true);
    connect(m_fullScreen, &QAction::triggered, window, &MoravinMain::slotViewFull);
    m_viewMenu->addSeparator();
    m_expansion = m_viewMenu->addAction(QStringLiteral("Expansion Mode"));
    m_expansion->setCheckable(true);
    connect(m_expansion, &QAction::triggered, window, &MoravinMain::slotShowHideItem);
}

void MainMenus::setProjectEntriesEnabled(bool enabled)
{
    for (QAction *action :
         {m_addDelete, m_close, m_refresh, m_server, m_commAlarm, m_trendora, m_expansion})
        action->setEnabled(enabled);
    m_reportMenu->setEnabled(enabled);
    m_reportMenu->menuAction()->setEnabled(enabled);
}

void MainMenus::setConfiguringState()
{
    setProjectEntriesEnabled(false);
    m_close->setEnabled(true);
}

void MainMenus::setRecording(bool recording, bool projectOpen)
{
    m_exit->setEnabled(!recording);
    // Closing a project stops its recording; the entries stay off then.
    m_addDelete->setEnabled(!recording && projectOpen);
    m_close->setEnabled(!recording && projectOpen);
}

void MainMenus::setFullScreenChecked(bool checked)
{
    m_fullScreen->setChecked(checked);
}

void MainMenus::setCommunicationAlarmChecked(bool checked)
{
    m_commAlarm->setChecked(checked);
}

void MainMenus::setAutostart(bool on)
{
    DesktopAutostart autostart;
    if (on ? autostart.enable(DesktopAutostart::recorderExecutable()) : autostart.disable())
        return;
    m_autostart->setChecked(autostart.isEnabled());
    MessageDialog::showTransient(QStringLiteral("ERROR"),
                                 QStringLiteral("The autostart entry cannot be written:\n") +
                                     autostart.entryPath(),
                                 m_window);
}

void MainMenus::uncheckExpansion()
{
    m_expansion->setChecked(false);
}

void MainMenus::popUnder(QMenu *menu, const QPushButton *button) const
{
    MenuPopup::popUnder(menu, button);
}
