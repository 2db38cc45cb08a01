#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGINT and SIGTERM into a Qt signal, so that the simulator cleans
// up from the event loop instead of inside a signal handler.
class SignalWatcher : public QObject
{
    Q_OBJECT
public:
    explicit SignalWatcher(QObject *parent = nullptr);
    ~SignalWatcher() override;

    bool install();

signals:
    void stopRequested(int signalNumber);

private:
    static void handle(int signalNumber);
    void readPipe();

    static int s_fds[2];
    QSocketNotifier *m_notifier = nullptr;
};
