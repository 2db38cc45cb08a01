#include "ServerStatus.h"

#include "control/ServerLink.h"
#include "dialogs/ServerDialog.h"
#include "widgets/MessageDialog.h"

#include <QAction>
#include <QLabel>

ServerStatus::ServerStatus(ServerLink *link, QLabel *label, QWidget *separator, QAction *settings,
                           QWidget *window)
    : QObject(window), m_link(link), m_label(label), m_separator(separator), m_window(window)
{
    showStatus(QString(), false);
    connect(link, &ServerLink::statusChanged, this, &ServerStatus::showStatus);
    connect(link, &ServerLink::problem, this, &ServerStatus::showProblem);
    connect(settings, &QAction::triggered, this, &ServerStatus::showSettings);
}

void ServerStatus::showSettings()
{
    if (m_link->projectFile().isEmpty())
        return;
    auto *dialog = new ServerDialog(m_link->projectFile(), m_window);
    connect(dialog, &ServerDialog::saved, m_link, &ServerLink::restart);
    dialog->open();
}

void ServerStatus::showStatus(const QString &text, bool trouble)
{
    if (text.isEmpty()) {
        m_warned = false;
        m_label->setToolTip(QString());
    }
    m_label->setText(text);
    m_label->setStyleSheet(trouble ? QStringLiteral("color: rgb(230, 80, 80);")
                                   : QStringLiteral("color: rgb(88, 88, 88);"));
    m_label->setVisible(!text.isEmpty());
    m_separator->setVisible(!text.isEmpty());
}

void ServerStatus::showProblem(const QString &message)
{
    m_label->setToolTip(message);
    if (m_warned)
        return;
    m_warned = true;
    MessageDialog::showTransient(
        QStringLiteral("WARNING"),
        message + QStringLiteral("\nRecording goes on; the readings wait in the project's "
                                 "database and are sent when the server takes them."),
        m_window);
}
