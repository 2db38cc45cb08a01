#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// A real server (broker, mail or database server) started by a test on
// loopback or a Unix socket, and stopped when the object goes, also when the
// test fails half-way.
class ServerProcess
{
public:
    ServerProcess() = default;
    ~ServerProcess();
    ServerProcess(const ServerProcess &) = delete;
    ServerProcess &operator=(const ServerProcess &) = delete;

    // Starts program with arguments; as root with a user given, as that user
    // (servers such as PostgreSQL refuse to run as root).
    bool start(const QString &program, const QStringList &arguments,
               const QString &asUser = QString());
    // Waits until a TCP connection to 127.0.0.1:port is accepted.
    bool waitForPort(quint16 port, int timeoutMs = 15000);
    // Waits until path exists (a Unix socket, a pid file).
    bool waitForFile(const QString &path, int timeoutMs = 15000);
    // SIGTERM, then SIGKILL if it does not end within timeoutMs.
    void stop(int timeoutMs = 10000);
    // SIGKILL at once, as a crash would.
    void kill();

    bool isRunning() const { return m_process.state() != QProcess::NotRunning; }
    qint64 pid() const { return m_process.processId(); }
    // What the server printed so far, for the failure message of a test.
    QString output();

    // A TCP port on 127.0.0.1 that nothing listened on a moment ago.
    static quint16 freeLoopbackPort();
    // The unprivileged account servers run under when the tests run as root;
    // empty otherwise.
    static QString unprivilegedUser();
    // Makes path (and what it holds) owned by user, so that a server started
    // as that user can write it; a no-op for an empty user.
    static bool handOver(const QString &path, const QString &user);

private:
    QProcess m_process;
    QByteArray m_output;
};
