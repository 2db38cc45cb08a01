#include "PtyDevice.h"

#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

PtyDevice::PtyDevice(const QString &serialNumber, double offset, quint32 seed, QObject *parent)
    : SimulatedDevice(serialNumber, "ATCD", offset, seed, parent)
{
}

PtyDevice::~PtyDevice()
{
    unplug();
}

bool PtyDevice::plugIn(QString *error)
{
    unplug();
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master < 0) {
        *error = QString::fromLocal8Bit(strerror(errno));
        return false;
    }
    char name[128];
    if (grantpt(master) != 0 || unlockpt(master) != 0 ||
        ptsname_r(master, name, sizeof name) != 0) {
        *error = QString::fromLocal8Bit(strerror(errno));
        ::close(master);
        return false;
    }
    const int slave = ::open(name, O_RDWR | O_NOCTTY);
    if (slave < 0) {
        *error = QString::fromLocal8Bit(strerror(errno));
        ::close(master);
        return false;
    }
    termios raw;
    if (tcgetattr(slave, &raw) == 0) {
        cfmakeraw(&raw);
        tcsetattr(slave, TCSANOW, &raw);
    }
    m_master = master;
    m_slave = slave;
    m_path = QString::fromLocal8Bit(name);
    m_pending.clear();
    ++m_generation;
    m_notifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &PtyDevice::readMaster);
    countConnection();
    return true;
}

void PtyDevice::unplug()
{
    delete m_notifier;
    m_notifier = nullptr;
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
    m_slave = -1;
    m_master = -1;
    ++m_generation;
}

void PtyDevice::readMaster()
{
    char buffer[512];
    const ssize_t n = ::read(m_master, buffer, sizeof buffer);
    if (n <= 0)
        return;
    const QList<Reply> replies = receive(m_pending, QByteArray(buffer, int(n)));
    for (const Reply &reply : replies)
        writeReply(reply);
}

void PtyDevice::writeReply(const Reply &reply)
{
    // A serial line cannot be dropped; a device told to close stays mute.
    if (reply.drop)
        return;
    int delay = 0;
    const quint64 generation = m_generation;
    QPointer<PtyDevice> self(this);
    for (const QByteArray &chunk : reply.chunks) {
        QTimer::singleShot(delay, this, [self, generation, chunk] {
            if (self && self->m_generation == generation && self->m_master >= 0) {
                const ssize_t written = ::write(self->m_master, chunk.constData(), chunk.size());
                Q_UNUSED(written)
            }
        });
        delay += SplitDelay;
    }
}
