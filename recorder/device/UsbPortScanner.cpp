#include "UsbPortScanner.h"

#include "SerialPortFingerprint.h"
#include "UsbPortDetector.h"

#include <QThread>

UsbPortScanner::UsbPortScanner(QObject *parent)
    : QObject(parent), m_thread(new QThread(this)),
      m_systemPorts(&UsbPortDetector::systemDevices, [] { return SerialPortFingerprint::take(); })
{
    m_clock.start();
    qRegisterMetaType<QList<UsbPortInfo>>();
    m_thread->setObjectName(QStringLiteral("usbscan"));
    // Lives on the thread, which deletes it as it ends.
    m_context = new QObject;
    m_context->moveToThread(m_thread);
    connect(m_thread, &QThread::finished, m_context, &QObject::deleteLater);
    m_thread->start();
}

UsbPortScanner::~UsbPortScanner()
{
    m_thread->quit();
    m_thread->wait();
}

void UsbPortScanner::scan()
{
    if (m_running) {
        m_again = true;
        return;
    }
    start();
}

void UsbPortScanner::start()
{
    m_running = true;
    m_again = false;
    QMetaObject::invokeMethod(
        m_context,
        [this] {
            const QList<UsbPortInfo> ports =
                UsbPortDetector::findUsbPorts(m_systemPorts.devices(m_clock.elapsed()));
            // Posted to this object on its own thread; dropped if it is gone.
            QMetaObject::invokeMethod(
                this, [this, ports] { finished(ports); }, Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}

void UsbPortScanner::finished(const QList<UsbPortInfo> &ports)
{
    m_running = false;
    if (m_again) {
        // A forced scan asked for meanwhile must see the ports as they are now.
        start();
        return;
    }
    emit scanned(ports);
}
