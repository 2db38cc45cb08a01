#pragma once

#include "SystemPortCache.h"
#include "UsbPortInfo.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>

class QThread;

// Runs the USB port detection on a thread of its own: enumerating the
// system's serial ports takes tens of milliseconds, too long for the
// window's thread every 1.5 s, and is only done again when the ports'
// fingerprint changes. Each scan() is answered by scanned().
class UsbPortScanner : public QObject
{
    Q_OBJECT
public:
    explicit UsbPortScanner(QObject *parent = nullptr);
    // Ends the thread; a scan under way is finished first.
    ~UsbPortScanner() override;

    // A request while a scan runs is answered by the scan after it.
    void scan();
    bool isScanning() const { return m_running; }

signals:
    void scanned(const QList<UsbPortInfo> &ports);

private:
    void start();
    void finished(const QList<UsbPortInfo> &ports);

    QThread *m_thread = nullptr;
    QObject *m_context = nullptr;
    // Both used on the scanning thread only.
    SystemPortCache m_systemPorts;
    QElapsedTimer m_clock;
    bool m_running = false;
    bool m_again = false;
};
