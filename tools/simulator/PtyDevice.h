#pragma once

#include "SimulatedDevice.h"

class QSocketNotifier;

// A USB device: a pseudo-terminal whose slave side the recorder opens as its
// serial port, answering "ATCD".
class PtyDevice : public SimulatedDevice
{
    Q_OBJECT
public:
    PtyDevice(const QString &serialNumber, double offset, quint32 seed, QObject *parent = nullptr);
    ~PtyDevice() override;

    // Creates a fresh pseudo-terminal; each call gives a new port path.
    bool plugIn(QString *error);
    // The port disappears as when the cable is pulled.
    void unplug();
    bool isPresent() const { return m_master >= 0; }
    QString portPath() const { return m_path; }

private:
    void readMaster();
    void writeReply(const Reply &reply);

    int m_master = -1;
    // Held open so the master does not see a hang-up while the recorder has
    // the port closed.
    int m_slave = -1;
    QString m_path;
    QSocketNotifier *m_notifier = nullptr;
    QByteArray m_pending;
    quint64 m_generation = 0;
};
