#pragma once

#include <QCoreApplication>
#include <QProcess>

// Runs moravin-test-dblock: another process holding a database's write lock.
// It is killed when this goes, also when a test fails.
class DatabaseLockProcess
{
public:
    ~DatabaseLockProcess() { release(); }

    // Starts it and waits until it holds the lock.
    bool hold(const QString &database, int milliseconds)
    {
        const QString binary = qEnvironmentVariable("MORAVIN_TEST_BINARY_DIR") +
                               QStringLiteral("/tests/recorder/moravin-test-dblock");
        m_process.start(binary, {database, QString::number(milliseconds)});
        return m_process.waitForStarted(10000) && m_process.waitForReadyRead(20000) &&
               m_process.readLine().trimmed() == "locked";
    }
    bool isHolding() const { return m_process.state() != QProcess::NotRunning; }
    void release()
    {
        if (!isHolding())
            return;
        m_process.kill();
        m_process.waitForFinished(10000);
    }

private:
    QProcess m_process;
};
