#pragma once

#include "ForwarderBackoff.h"
#include "ForwarderSettings.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>

#include <atomic>
#include <memory>

class ForwarderSpool;
class ForwarderUplink;
class QTimer;
class ServerConnection;

// The forwarder's thread: looks at the spool, sends what the server does not
// hold yet in batches, reconnects with back-off. Never touches the recorder's
// objects; reports by queued signals through Forwarder.
class ForwarderWorker : public QObject
{
    Q_OBJECT
public:
    // Same values as Forwarder::State.
    enum State
    {
        Connecting = 0,
        Connected = 1,
        Unreachable = 2,
        Refused = 3
    };

    ForwarderWorker(const ForwarderSettings &settings, std::shared_ptr<std::atomic_bool> stop);
    ~ForwarderWorker() override;

public slots:
    void start();
    void wake();
    void setDevices(const QVector<ServerDevice> &devices);

signals:
    void stateChanged(int state, const QString &detail);
    void waitingChanged(qint64 readings);
    void problem(const QString &message);
    void lost(const QString &reason, qint64 waiting);
    void back(qint64 waiting, qint64 downSeconds);
    void forwarded(qint64 lastLocalId, qint64 rows);

private:
    void cycle();
    bool connectServer();
    bool forwardReadings(bool *more);
    bool forwardEvents();
    void failed(int state, const QString &message);
    void report(const QString &message);
    void setState(int state, const QString &detail);
    void updateWaiting(bool force);
    void schedule(int ms);

    ForwarderSettings m_settings;
    std::shared_ptr<std::atomic_bool> m_stop;
    std::unique_ptr<ServerConnection> m_connection;
    std::unique_ptr<ForwarderSpool> m_spool;
    std::unique_ptr<ForwarderUplink> m_uplink;
    ForwarderBackoff m_backoff;
    QTimer *m_timer = nullptr;

    int m_state = -1;
    bool m_attached = false;
    bool m_everConnected = false;
    bool m_catalogueDirty = true;
    bool m_markKnown = false;
    qint64 m_mark = 0; // the server holds this store's readings up to this id
    qint64 m_lostAt = 0;
    qint64 m_waiting = -1;
    QString m_lastProblem;
    QElapsedTimer m_clock;
    qint64 m_nextAttempt = 0; // on m_clock
    QElapsedTimer m_sinceCount;
    QElapsedTimer m_sinceTouch;
    // Recent events as sent (id to repeats and detail), to send a merged
    // repeat again.
    QHash<qint64, QPair<int, QByteArray>> m_sentEvents;
};
