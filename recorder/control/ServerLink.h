#pragma once

#include "store/Forwarder.h"

#include <QObject>
#include <QString>

class RecordingSession;

// The open project's link to a site's server: when the project file names
// one, a forwarder copies the project's database (its spool) to the server,
// from the open of the project to its close, and is started anew when the
// settings change. The device catalogue follows the project's devices; loss
// and return of the server go into the event log. Never waits on the server:
// a forwarder that stops ends on its own thread.
class ServerLink : public QObject
{
    Q_OBJECT
public:
    explicit ServerLink(RecordingSession *session, QObject *parent = nullptr);
    ~ServerLink() override;

    // The project was opened on this database.
    void open(const QString &projectFile, const QString &databasePath);
    // The [Server] group changed.
    void restart();
    // The project's devices (names, units, limits, order) changed.
    void updateDevices();
    void stop();

    bool isForwarding() const { return m_forwarder != nullptr; }
    QString projectFile() const { return m_projectFile; }
    QString statusText() const;

signals:
    // trouble: the server is not reachable or refuses the readings. An
    // empty text: the project names no server.
    void statusChanged(const QString &text, bool trouble);
    void problem(const QString &message);

private:
    QVector<ServerDevice> devices() const;
    void forwarderState(Forwarder::State state, const QString &detail);

    RecordingSession *m_session;
    Forwarder *m_forwarder = nullptr;
    QString m_projectFile;
    QString m_databasePath;
};
