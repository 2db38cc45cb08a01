#include "SimulatorProcess.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>

SimulatorProcess::SimulatorProcess(QObject *parent) : QObject(parent)
{
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    connect(&m_process, &QProcess::readyReadStandardOutput, this, &SimulatorProcess::readOutput);
}

SimulatorProcess::~SimulatorProcess()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
        m_process.waitForFinished(2000);
    }
}

QString SimulatorProcess::binaryPath()
{
    const QString root = qEnvironmentVariable("MORAVIN_TEST_BINARY_DIR");
    const QStringList candidates = {root + QStringLiteral("/tools/simulator/moravin-simulator"),
                                    root + QStringLiteral("/simulator/moravin-simulator")};
    for (const QString &path : candidates)
        if (QFileInfo(path).isExecutable())
            return path;
    return candidates.first();
}

bool SimulatorProcess::start(const QStringList &arguments)
{
    m_process.start(binaryPath(), QStringList{QStringLiteral("--duration"), QStringLiteral("300"),
                                              QStringLiteral("--events")} +
                                      arguments);
    if (!m_process.waitForStarted(10000))
        return false;
    QString ready;
    if (!waitForLine([](const QString &l) { return l == QLatin1String("ready"); }, &ready, 15000))
        return false;
    for (const QString &line : qAsConst(m_lines)) {
        const QStringList w = line.split(QLatin1Char(' '));
        if (w.size() == 3 && w.at(0) == QLatin1String("usb"))
            m_usbPorts.insert(w.at(1), w.at(2));
        else if (w.size() == 4 && w.at(0) == QLatin1String("lan"))
            m_lan.append({w.at(1), w.at(2), w.at(3).toUShort()});
        else if (w.size() == 3 && w.at(0) == QLatin1String("discovery")) {
            m_discovery = true;
            m_discoveryPort = w.at(2).toUShort();
        }
    }
    m_lines.clear();
    return true;
}

void SimulatorProcess::readOutput()
{
    m_partial.append(m_process.readAllStandardOutput());
    int end;
    while ((end = m_partial.indexOf('\n')) >= 0) {
        const QString line = QString::fromUtf8(m_partial.left(end));
        m_partial.remove(0, end + 1);
        if (line.startsWith(QLatin1String("rx ")) || line.startsWith(QLatin1String("connect ")))
            m_events.append(line);
        else
            m_lines.append(line);
    }
}

bool SimulatorProcess::waitForLine(const std::function<bool(const QString &)> &match,
                                   QString *found, int timeout)
{
    QDeadlineTimer deadline(timeout);
    while (!deadline.hasExpired()) {
        for (int i = 0; i < m_lines.size(); ++i) {
            if (match(m_lines.at(i))) {
                *found = m_lines.takeAt(i);
                return true;
            }
        }
        if (m_process.state() == QProcess::NotRunning)
            return false;
        m_process.waitForReadyRead(int(qBound<qint64>(1, deadline.remainingTime(), 200)));
        readOutput();
    }
    return false;
}

QString SimulatorProcess::command(const QString &line)
{
    m_process.write((line + QLatin1Char('\n')).toUtf8());
    m_process.waitForBytesWritten(5000);
    QString response;
    waitForLine(
        [](const QString &l) {
            return l.startsWith(QLatin1String("ok ")) || l.startsWith(QLatin1String("error ")) ||
                   l.startsWith(QLatin1String("stats "));
        },
        &response, 10000);
    return response;
}

int SimulatorProcess::stat(const QString &id, const QString &counter)
{
    const QStringList words = command(QStringLiteral("stats ") + id).split(QLatin1Char(' '));
    for (const QString &word : words)
        if (word.startsWith(counter + QLatin1Char('=')))
            return word.mid(counter.size() + 1).toInt();
    return -1;
}

QStringList SimulatorProcess::events()
{
    readOutput();
    return m_events;
}

void SimulatorProcess::clearEvents()
{
    readOutput();
    m_events.clear();
}

QStringList SimulatorProcess::received(const QString &id)
{
    const QString prefix = QStringLiteral("rx ") + id + QLatin1Char(' ');
    QStringList commands;
    const QStringList all = events();
    for (const QString &event : all)
        if (event.startsWith(prefix))
            commands << event.mid(prefix.size());
    return commands;
}
