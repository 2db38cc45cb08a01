#include "StoreStatus.h"

#include "control/RecordingSession.h"
#include "control/UnattendedRecording.h"
#include "dialogs/CloseWaitDialog.h"
#include "widgets/MessageDialog.h"

#include <QLabel>
#include <QTimer>

StoreStatus::StoreStatus(RecordingSession *session, QLabel *label, QWidget *separator,
                         QWidget *window)
    : QObject(window), m_session(session), m_label(label), m_separator(separator), m_window(window),
      m_closeWaitTimer(new QTimer(this))
{
    clearTrouble();
    m_closeWaitTimer->setSingleShot(true);
    m_closeWaitTimer->setInterval(CloseWaitShowMs);
    connect(m_closeWaitTimer, &QTimer::timeout, this, &StoreStatus::showCloseWait);
    connect(session, &RecordingSession::storeTrouble, this, &StoreStatus::showTrouble);
    connect(session, &RecordingSession::storeRecovered, this, &StoreStatus::clearTrouble);
    connect(session, &RecordingSession::closeWaiting, this, [this](int readings) {
        if (m_closeWait)
            m_closeWait->setWaiting(readings);
    });
    connect(session, &RecordingSession::closed, this, &StoreStatus::closeFinished);
}

void StoreStatus::closeStarted()
{
    m_closeWaitTimer->start();
}

void StoreStatus::showTrouble(int waitingReadings, bool busy)
{
    m_label->setText((busy ? QStringLiteral("Database busy: %1 readings waiting")
                           : QStringLiteral("Database cannot be written: %1 readings waiting"))
                         .arg(waitingReadings));
    m_label->show();
    m_separator->show();
    // While closing, the close's own dialog says it.
    if (m_warned || m_session->isClosing())
        return;
    m_warned = true;
    MessageDialog::showTransient(
        QStringLiteral("WARNING"),
        QStringLiteral("The readings cannot be written into the database at the moment.\n"
                       "They are kept and written as soon as the database takes them."),
        m_window);
}

void StoreStatus::clearTrouble()
{
    m_label->clear();
    m_label->hide();
    m_separator->hide();
}

// The window stays live behind the dialog; only its input waits.
void StoreStatus::showCloseWait()
{
    if (!m_session->isClosing() || m_closeWait)
        return;
    m_closeWait = new CloseWaitDialog(m_window);
    m_closeWait->setWaiting(m_session->waitingReadings());
    connect(m_closeWait, &CloseWaitDialog::gaveUp, m_session, &RecordingSession::giveUp);
    m_closeWait->open();
}

void StoreStatus::closeFinished(int lostReadings)
{
    m_closeWaitTimer->stop();
    if (m_closeWait) {
        m_closeWait->hide();
        m_closeWait->deleteLater();
        m_closeWait = nullptr;
    }
    clearTrouble();
    m_warned = false;
    if (lostReadings > 0)
        MessageDialog::showTransient(
            QStringLiteral("ERROR"),
            QStringLiteral("The database is busy or cannot be written.\n%1 readings were not "
                           "recorded.")
                .arg(lostReadings),
            m_window);
}

void StoreStatus::showNotices(UnattendedRecording *unattended, QLabel *label, QWidget *separator)
{
    label->hide();
    separator->hide();
    connect(unattended, &UnattendedRecording::notice, this,
            [this, label, separator](const QString &text, bool message) {
                label->setText(text);
                label->setToolTip(text);
                label->show();
                separator->show();
                if (message)
                    MessageDialog::showTransient(QStringLiteral("WARNING"), text, m_window);
            });
    // What was said concerned the project that closed.
    connect(m_session, &RecordingSession::closed, label, [label, separator] {
        label->hide();
        separator->hide();
    });
}
