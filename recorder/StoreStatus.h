#pragma once

#include <QObject>

class CloseWaitDialog;
class QLabel;
class QTimer;
class QWidget;
class RecordingSession;
class UnattendedRecording;

// The database's state as the window shows it: readings that wait for a
// database that cannot be written now (status-bar text in the warning colour,
// a message the first time), the dialog of a close that waits for them, and
// the readings a close had to give up; and what the unattended recording
// has to say (a resume, a storage warning) in a status-bar field of its own.
class StoreStatus : public QObject
{
    Q_OBJECT
public:
    // A close that is still writing after this long shows what it waits for.
    static constexpr int CloseWaitShowMs = 400;

    // label and separator are the status bar's; window parents the dialogs.
    StoreStatus(RecordingSession *session, QLabel *label, QWidget *separator, QWidget *window);

    // Call as the session begins a close.
    void closeStarted();
    CloseWaitDialog *closeWaitDialog() const { return m_closeWait; }
    void showNotices(UnattendedRecording *unattended, QLabel *label, QWidget *separator);

private:
    void showTrouble(int waitingReadings, bool busy);
    void clearTrouble();
    void showCloseWait();
    void closeFinished(int lostReadings);

    RecordingSession *m_session;
    QLabel *m_label;
    QWidget *m_separator;
    QWidget *m_window;
    QTimer *m_closeWaitTimer = nullptr;
    CloseWaitDialog *m_closeWait = nullptr;
    // The user is told once per project that the database cannot be written.
    bool m_warned = false;
};
