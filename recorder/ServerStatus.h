#pragma once

#include <QObject>

class QAction;
class QLabel;
class QWidget;
class ServerLink;

// The server link as the window shows it: the status-bar text ("Server:
// 1,234 readings waiting", in the warning colour while the server is away),
// the problems as a tool tip and once as a message, and the "Server..."
// entry that opens the settings dialog.
class ServerStatus : public QObject
{
    Q_OBJECT
public:
    // label and separator are the status bar's; window parents the dialogs.
    ServerStatus(ServerLink *link, QLabel *label, QWidget *separator, QAction *settings,
                 QWidget *window);

    void showSettings();

private:
    void showStatus(const QString &text, bool trouble);
    void showProblem(const QString &message);

    ServerLink *m_link;
    QLabel *m_label;
    QWidget *m_separator;
    QWidget *m_window;
    // One message per forwarding; later ones only in the tool tip.
    bool m_warned = false;
};
