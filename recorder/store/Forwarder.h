#pragma once

#include "ForwarderSettings.h"

#include "events/EventRecord.h"

#include <QObject>
#include <QThread>

#include <atomic>
#include <memory>

class ForwarderWorker;

// Store-and-forward of one project's readings to a site's PostgreSQL server.
// The project's SQLite database is the spool: the recorder writes it as
// always, and a worker thread copies its rows to the server in id order, in
// batches, idempotently, reconnecting with back-off. Nothing here ever waits
// on the server or the network on the caller's thread, and nothing is
// written to the spool: the server's own rows tell where to go on.
class Forwarder : public QObject
{
    Q_OBJECT
public:
    enum class State
    {
        Connecting,
        Connected,
        Unreachable, // lost or never reached; tried again with back-off
        Refused      // reached, but it refuses (rights, schema, clash); tried again
    };
    Q_ENUM(State)

    explicit Forwarder(const ForwarderSettings &settings, QObject *parent = nullptr);
    // Stops the worker: its waits end within a tenth of a second.
    ~Forwarder() override;

    void start();
    // Ends the worker without waiting for it; finished() follows once its
    // thread has ended (at once when it never started).
    void stop();
    // The project's devices changed: the catalogue is updated.
    void setDevices(const QVector<ServerDevice> &devices);
    // Rows were just written: look at the spool now rather than at the next
    // poll.
    void wake();

    State state() const { return m_state; }
    // Readings in the spool the server does not hold yet; -1 while unknown
    // (the server was not reached since the start).
    qint64 waiting() const { return m_waiting; }
    QString statusText() const { return statusText(m_state, m_waiting); }
    // "Server: 1,234 readings waiting", "Server: all readings stored", ...
    static QString statusText(State state, qint64 waiting);

signals:
    void stateChanged(Forwarder::State state, const QString &detail);
    void waitingChanged(qint64 readings);
    void statusTextChanged(const QString &text);
    // A clear message for the user (a refused row, a refusing server), once
    // per occurrence.
    void problem(const QString &message);
    // server_lost and server_back, for the event log.
    void serverEvent(const EventRecord &event);
    void forwarded(qint64 lastLocalId, qint64 rows);
    void finished();

private:
    void onState(int state, const QString &detail);
    void onWaiting(qint64 readings);
    void onLost(const QString &reason, qint64 waiting);
    void onBack(qint64 waiting, qint64 downSeconds);

    QThread m_thread;
    ForwarderWorker *m_worker = nullptr; // lives in m_thread, deleted when it ends
    std::shared_ptr<std::atomic_bool> m_stop;
    State m_state = State::Connecting;
    qint64 m_waiting = -1;
};
