#include "ServerProcess.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <unistd.h>

ServerProcess::~ServerProcess()
{
    stop();
}

bool ServerProcess::start(const QString &program, const QStringList &arguments,
                          const QString &asUser)
{
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    if (!asUser.isEmpty() && geteuid() == 0)
        m_process.start(QStringLiteral("runuser"),
                        QStringList{QStringLiteral("-u"), asUser, QStringLiteral("--"), program} +
                            arguments);
    else
        m_process.start(program, arguments);
    return m_process.waitForStarted(10000);
}

bool ServerProcess::waitForPort(quint16 port, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired() && isRunning()) {
        QTcpSocket socket;
        socket.connectToHost(QStringLiteral("127.0.0.1"), port);
        if (socket.waitForConnected(500))
            return true;
        m_process.waitForReadyRead(50);
    }
    return false;
}

bool ServerProcess::waitForFile(const QString &path, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired() && isRunning()) {
        if (QFileInfo::exists(path))
            return true;
        m_process.waitForReadyRead(50);
    }
    return QFileInfo::exists(path);
}

void ServerProcess::stop(int timeoutMs)
{
    if (!isRunning())
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(timeoutMs)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

void ServerProcess::kill()
{
    if (!isRunning())
        return;
    m_process.kill();
    m_process.waitForFinished(5000);
}

QString ServerProcess::output()
{
    m_output += m_process.readAll();
    return QString::fromLocal8Bit(m_output);
}

quint16 ServerProcess::freeLoopbackPort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    return probe.serverPort();
}

QString ServerProcess::unprivilegedUser()
{
    return geteuid() == 0 ? QStringLiteral("nobody") : QString();
}

bool ServerProcess::handOver(const QString &path, const QString &user)
{
    if (user.isEmpty())
        return true;
    return QProcess::execute(QStringLiteral("chown"),
                             QStringList{QStringLiteral("-R"), user, path}) == 0;
}
