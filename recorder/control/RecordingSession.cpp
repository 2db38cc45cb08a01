#include "RecordingSession.h"

#include "AlarmSound.h"
#include "ControlLogging.h"
#include "DatabaseSize.h"
#include "FlushSchedule.h"
#include "FoundDevices.h"
#include "core/ConnectionTag.h"

#include "device/ConfiguredDevice.h"
#include "device/RecorderInterval.h"
#include "device/UsbPortScanner.h"
#include "store/StoreWorker.h"

#include <QDateTime>
#include <QFileInfo>
#include <QTimer>

namespace {
const QString kClockFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");
}

RecordingSession::RecordingSession(QObject *parent)
    : QObject(parent), m_found(new FoundDevices(this)), m_alarm(new AlarmSound(this)),
      m_usbScanner(new UsbPortScanner(this)), m_clockTimer(new QTimer(this)),
      m_usbTimer(new QTimer(this)), m_pollTimer(new QTimer(this)), m_flushTimer(new QTimer(this)),
      m_retryTimer(new QTimer(this)), m_ageTimer(new QTimer(this))
{
    // Prefixes the database connection's name, so that two sessions in one
    // process never share one.
    m_connectionTag = ConnectionTag::create();
    qRegisterMetaType<PendingRow>();
    connect(m_found, &FoundDevices::devicePortsChanged, this,
            &RecordingSession::devicePortsChanged);
    connect(m_usbScanner, &UsbPortScanner::scanned, this, &RecordingSession::usbPortsFound);
    connect(m_clockTimer, &QTimer::timeout, this, &RecordingSession::tick);
    connect(m_usbTimer, &QTimer::timeout, this, &RecordingSession::checkUsbPorts);
    // A coarse timer may fire a little early, and two polls in one second
    // would stamp two readings with one time.
    m_pollTimer->setTimerType(Qt::PreciseTimer);
    connect(m_pollTimer, &QTimer::timeout, this, &RecordingSession::poll);
    connect(m_flushTimer, &QTimer::timeout, this, &RecordingSession::flush);
    m_retryTimer->setSingleShot(true);
    m_retryTimer->setInterval(CloseRetryMs);
    connect(m_retryTimer, &QTimer::timeout, this, &RecordingSession::continueClose);
    m_ageTimer->setSingleShot(true);
    connect(m_ageTimer, &QTimer::timeout, this, &RecordingSession::flush);
    m_monotonic.start();
    m_clockTimer->start(ClockMs);
    m_usbTimer->start(UsbCheckMs);
}

// Readings still waiting when the window itself goes are lost: closing the
// window closes the project first and waits for them.
RecordingSession::~RecordingSession()
{
    delete m_store;
    setDevices({});
}

void RecordingSession::setDevices(const QList<ConfiguredDevice *> &devices)
{
    for (ConfiguredDevice *device : qAsConst(m_devices)) {
        if (device && !devices.contains(device)) {
            device->close();
            delete device;
        }
    }
    m_devices = devices;
    for (ConfiguredDevice *device : qAsConst(m_devices)) {
        if (!device)
            continue;
        device->setParent(this);
        connect(device, &ConfiguredDevice::rowRecorded, this, &RecordingSession::appendReading,
                Qt::UniqueConnection);
        connect(device, &ConfiguredDevice::readingTaken, this, &RecordingSession::readingTaken,
                Qt::UniqueConnection);
    }
}

QList<DeviceSettings> RecordingSession::deviceSettings() const
{
    QList<DeviceSettings> list;
    for (const ConfiguredDevice *device : m_devices) {
        if (device)
            list.append(device->settings());
    }
    return list;
}

void RecordingSession::loadDevices(const QList<DeviceSettings> &devices)
{
    QList<ConfiguredDevice *> list;
    for (const DeviceSettings &settings : devices) {
        auto *device = new ConfiguredDevice(settings.deviceNumber, settings.deviceInterface, this);
        device->applySettings(settings);
        list.append(device);
    }
    setDevices(list);
}

void RecordingSession::closeLanLinks()
{
    for (ConfiguredDevice *device : qAsConst(m_devices)) {
        if (device && device->settings().deviceInterface == DeviceSettings::Lan) {
            qCDebug(lcControl) << "telnet ---- closing.." << device->settings().deviceNumber;
            device->close();
        }
    }
}

void RecordingSession::open(const QString &databasePath)
{
    m_open = true;
    m_periodStarted = false;
    m_periodEnded = false;
    m_databasePath = databasePath;
    // Queued, so that an answer may end in the writer's deletion; an answer
    // of a writer that is gone meanwhile is dropped. Each writer has its own
    // connection: one that retires may still be finishing its open.
    const int store = ++m_storeGeneration;
    m_store = new StoreWorker(databasePath, m_connectionTag + QString::number(store), this);
    connect(
        m_store, &StoreWorker::opened, this,
        [this, store](bool opened, quint64 first, quint64 last) {
            if (store == m_storeGeneration)
                storeAnswered(opened, first, last);
        },
        Qt::QueuedConnection);
    connect(
        m_store, &StoreWorker::written, this,
        [this, store] {
            if (store == m_storeGeneration)
                batchWritten();
        },
        Qt::QueuedConnection);
    connect(
        m_store, &StoreWorker::waiting, this,
        [this, store](const StoreBatch &batch) {
            if (store == m_storeGeneration)
                batchNotWritten(batch, true);
        },
        Qt::QueuedConnection);
    connect(
        m_store, &StoreWorker::failed, this,
        [this, store](const StoreBatch &batch) {
            if (store == m_storeGeneration)
                batchNotWritten(batch, false);
        },
        Qt::QueuedConnection);
    m_opening = true;
    m_store->open();
    m_found->forceUsbScan();
    m_pollAfterScan = true;
    checkUsbPorts();
    m_pollTimer->start(RecorderInterval::current());
}

void RecordingSession::storeAnswered(bool opened, quint64 firstTime, quint64 lastTime)
{
    m_opening = false;
    m_storeOpen = opened;
    qCDebug(lcControl) << "RecordingSession : database" << m_databasePath
                       << (opened ? "open" : "cannot be opened");
    if (m_closing) {
        continueClose();
        return;
    }
    if (!opened) {
        emit storeOpenFailed();
        return;
    }
    m_periodStarted = m_periodStarted || firstTime != 0;
    m_periodEnded = m_periodEnded || lastTime != 0;
    emit storeOpened(firstTime, lastTime);
}

void RecordingSession::poll()
{
    if (!m_open)
        return;
    for (ConfiguredDevice *device : qAsConst(m_devices)) {
        if (device)
            device->writeDevice();
    }
    emit polled();
}

void RecordingSession::refresh()
{
    if (!m_open)
        return;
    for (ConfiguredDevice *device : qAsConst(m_devices)) {
        if (device)
            device->refreshDevice();
    }
}

void RecordingSession::startRecording()
{
    if (!m_open || m_recording)
        return;
    qCDebug(lcControl) << "RecordingSession::startRecording";
    m_recording = true;
    m_periodStarted = true;
    for (ConfiguredDevice *device : qAsConst(m_devices)) {
        if (device)
            device->recording = true;
    }
    m_flushTimer->start(FlushMs);
    emit recordingChanged(true);
}

void RecordingSession::stopRecording()
{
    if (!m_recording)
        return;
    qCDebug(lcControl) << "RecordingSession::stopRecording";
    m_recording = false;
    m_periodEnded = true;
    // Each device's gap row marks the end of the recording in the data.
    for (ConfiguredDevice *device : qAsConst(m_devices)) {
        if (!device)
            continue;
        device->insertNoValue();
        device->recording = false;
    }
    submitBacklog();
    emit recordingChanged(false);
}

void RecordingSession::appendReading(const PendingRow &row)
{
    if (m_backlog.readings.isEmpty()) {
        m_backlogSince = m_monotonic.elapsed();
        if (m_recording)
            m_ageTimer->start(int(FlushSchedule::MaxAgeMs));
    }
    m_backlog.readings.append(row);
}

qint64 RecordingSession::oldestWaitingMs() const
{
    return m_backlog.readings.isEmpty() ? 0 : m_monotonic.elapsed() - m_backlogSince;
}

void RecordingSession::appendEvent(const EventRecord &event)
{
    m_backlog.events.append(event);
    emit eventAppended(event);
    if (!m_flushTimer->isActive() && !m_closing)
        m_flushTimer->start(FlushMs);
}

void RecordingSession::flush()
{
    if (!m_storeOpen || m_batchOut)
        return;
    const bool due = FlushSchedule::isDue(m_recording, m_backlog.readings.size(), m_devices.size(),
                                          oldestWaitingMs()) ||
                     (!m_recording && !m_backlog.events.isEmpty());
    if (due)
        submitBacklog();
    if (!FlushSchedule::keepsRunning(m_recording, waitingReadings() + m_backlog.events.size()))
        m_flushTimer->stop();
}

void RecordingSession::submitBacklog()
{
    if (!m_storeOpen || m_batchOut || m_backlog.isEmpty())
        return;
    m_batchOut = true;
    m_inFlightReadings = m_backlog.readings.size();
    m_inFlightSince = m_backlogSince;
    m_inFlightEvents = !m_backlog.events.isEmpty();
    m_ageTimer->stop();
    m_store->submit(m_backlog);
    m_backlog = StoreBatch();
}

void RecordingSession::batchWritten()
{
    m_batchOut = false;
    m_inFlightReadings = 0;
    if (m_inFlightEvents) {
        m_inFlightEvents = false;
        emit eventsWritten();
    }
    if (m_troubled) {
        m_troubled = false;
        qCDebug(lcControl) << "RecordingSession : the waiting readings are written";
        emit storeRecovered();
    }
    if (m_closing) {
        continueClose();
        return;
    }
    // Readings that came while the batch was written wait their remaining time.
    if (m_recording && !m_backlog.readings.isEmpty())
        m_ageTimer->start(int(qMax<qint64>(0, FlushSchedule::MaxAgeMs - oldestWaitingMs())));
}

// The batch goes back in front of what came meanwhile and is tried again:
// while recording at the next flush, while closing after a short pause.
void RecordingSession::batchNotWritten(const StoreBatch &batch, bool busy)
{
    m_batchOut = false;
    m_inFlightReadings = 0;
    if (!batch.readings.isEmpty())
        m_backlogSince = m_inFlightSince;
    m_backlog.prepend(batch);
    m_troubled = true;
    qCDebug(lcControl) << "RecordingSession : database" << (busy ? "busy" : "refused the batch")
                       << ": readings waiting :" << waitingReadings();
    emit storeTrouble(waitingReadings(), busy);
    if (!m_closing) {
        if (!m_flushTimer->isActive())
            m_flushTimer->start(FlushMs);
        return;
    }
    emit closeWaiting(waitingReadings());
    if (m_givenUp)
        continueClose();
    else
        m_retryTimer->start();
}

void RecordingSession::close(bool keepDevices)
{
    if (m_closing)
        return;
    qCDebug(lcControl) << "RecordingSession::close : readings waiting :" << waitingReadings();
    m_closing = true;
    m_keepDevices = keepDevices;
    m_givenUp = false;
    emit closing();
    m_alarm->stop();
    stopRecording();
    m_open = false;
    m_pollAfterScan = false;
    m_pollTimer->stop();
    m_flushTimer->stop();
    m_ageTimer->stop();
    continueClose();
}

void RecordingSession::giveUp()
{
    if (!m_closing || m_givenUp)
        return;
    qCDebug(lcControl) << "RecordingSession::giveUp : readings waiting :" << waitingReadings();
    m_givenUp = true;
    m_retryTimer->stop();
    continueClose();
}

void RecordingSession::continueClose()
{
    if (!m_closing)
        return;
    // With nothing to write, an open under way is not waited for.
    if (m_batchOut || (m_opening && !m_backlog.isEmpty() && !m_givenUp)) {
        emit closeWaiting(waitingReadings());
        return;
    }
    if (m_storeOpen && !m_givenUp && !m_backlog.isEmpty()) {
        submitBacklog();
        emit closeWaiting(waitingReadings());
        return;
    }
    finishClose();
}

void RecordingSession::finishClose()
{
    const int lost = m_backlog.readings.size();
    if (lost > 0)
        qCDebug(lcControl) << "RecordingSession::close : readings not recorded :" << lost;
    m_backlog = StoreBatch();
    m_retryTimer->stop();
    ++m_storeGeneration;
    if (m_store)
        m_store->retire();
    m_store = nullptr;
    m_opening = false;
    m_storeOpen = false;
    m_troubled = false;
    m_databasePath.clear();
    // The devices go after the window has taken its panel down.
    QList<ConfiguredDevice *> devices;
    if (!m_keepDevices)
        devices.swap(m_devices);
    m_closing = false;
    emit closed(lost);
    for (ConfiguredDevice *device : qAsConst(devices)) {
        if (device) {
            device->close();
            delete device;
        }
    }
}

void RecordingSession::shutDown()
{
    m_clockTimer->stop();
    m_usbTimer->stop();
    m_pollTimer->stop();
    m_flushTimer->stop();
    m_ageTimer->stop();
    m_found->stopDiscovery();
    m_found->clear();
}

void RecordingSession::tick()
{
    const QString now = QDateTime::currentDateTime().toString(kClockFormat);
    if (m_open) {
        checkDatabaseSize();
        if (m_recording)
            m_periodEnded = true;
    }
    emit ticked(now);
}

// Once a period has been recorded the size is shown, and recording stops
// at the limit so that the file stays usable.
void RecordingSession::checkDatabaseSize()
{
    if (!m_periodStarted || !m_periodEnded || !QFileInfo::exists(m_databasePath))
        return;
    const qint64 bytes = DatabaseSize::onDisk(m_databasePath);
    emit databaseSizeChanged(bytes);
    if (DatabaseSize::reachesLimit(bytes) && m_recording) {
        emit sizeLimitReached();
        stopRecording();
    }
}

void RecordingSession::checkUsbPorts()
{
    m_usbScanner->scan();
}

void RecordingSession::usbPortsFound(const QList<UsbPortInfo> &ports)
{
    m_found->scanUsb(ports, m_open ? m_devices : QList<ConfiguredDevice *>());
    if (m_pollAfterScan) {
        m_pollAfterScan = false;
        poll();
    }
    emit usbScanned();
}

void RecordingSession::searchDevices()
{
    m_found->forceUsbScan();
    checkUsbPorts();
    m_found->startDiscovery();
}

void RecordingSession::stopSearch()
{
    m_found->stopDiscovery();
}
