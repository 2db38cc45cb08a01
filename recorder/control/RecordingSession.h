#pragma once

#include "store/StoreBatch.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>

class AlarmSound;
class ConfiguredDevice;
class FoundDevices;
class QTimer;
class StoreWorker;
class UsbPortScanner;
struct UsbPortInfo;
struct DeviceSettings;

// One project's recording, without its window: the configured devices and
// their polling, the database writer on its own thread, the readings that
// wait for it (the backlog), the clock, USB, poll and flush timers, the alarm
// sound (played as UnattendedRecording decides), and the sequence that stops and closes a project
// without ever waiting on the database. The window shows what it signals and sends it the user's
// commands.
class RecordingSession : public QObject
{
    Q_OBJECT
public:
    static constexpr int ClockMs = 1000;
    static constexpr int UsbCheckMs = 1500;
    static constexpr int FlushMs = 1500;
    // The pause between two tries while a close waits for a busy database;
    // each try itself waits up to the writer's busy timeout.
    static constexpr int CloseRetryMs = 200;

    explicit RecordingSession(QObject *parent = nullptr);
    ~RecordingSession() override;

    const QList<ConfiguredDevice *> &devices() const { return m_devices; }
    // The devices' settings, as the project file stores them.
    QList<DeviceSettings> deviceSettings() const;
    // Takes the devices over; those of the old list left out are closed and
    // deleted.
    void setDevices(const QList<ConfiguredDevice *> &devices);
    void loadDevices(const QList<DeviceSettings> &devices);
    // LAN links reconnect on demand; they are closed while the list is edited.
    void closeLanLinks();
    FoundDevices *foundDevices() const { return m_found; }
    AlarmSound *alarmSound() const { return m_alarm; }

    // Opens the database on the writer's thread (answered by storeOpened()
    // or storeOpenFailed()) and starts polling the devices.
    void open(const QString &databasePath);
    bool isOpen() const { return m_open; }
    bool isStoreOpen() const { return m_storeOpen; }
    QString databasePath() const { return m_databasePath; }
    // Ends polling and recording and hands over what waits; the database is
    // closed once all of it is written or the user gave up, then closed()
    // follows - at once when nothing waits. With keepDevices the devices
    // stay for the configuration panel.
    void close(bool keepDevices);
    bool isClosing() const { return m_closing; }
    // Drops what a close waits for (after the write under way, if any).
    void giveUp();
    // The window goes: timers, discovery and found devices end.
    void shutDown();

    void startRecording();
    void stopRecording();
    bool isRecording() const { return m_recording; }
    // Readings not yet in the database, waiting or being written.
    int waitingReadings() const { return m_backlog.readings.size() + m_inFlightReadings; }

    // A fresh USB scan and a LAN discovery run.
    void searchDevices();
    void stopSearch();

    QTimer *pollTimer() const { return m_pollTimer; }
    QTimer *flushTimer() const { return m_flushTimer; }
    // Milliseconds the oldest reading not yet handed to the writer has waited.
    qint64 oldestWaitingMs() const;

public slots:
    void tick();
    void poll();
    void refresh();
    void flush();
    // Asks for a USB scan off this thread; answered by usbScanned().
    void checkUsbPorts();
    void appendReading(const PendingRow &row);
    // An event-log entry, written in the transaction of the next batch.
    void appendEvent(const EventRecord &event);

signals:
    void ticked(const QString &now);
    void recordingChanged(bool recording);
    void databaseSizeChanged(qint64 bytes);
    void storeOpened(quint64 firstTime, quint64 lastTime);
    void storeOpenFailed();
    // Readings wait because the database is busy or refused them; cleared
    // by storeRecovered() once they are written.
    void storeTrouble(int waitingReadings, bool busy);
    void storeRecovered();
    // A batch holding event-log entries is in the database.
    void eventsWritten();
    // The devices were asked for their readings.
    void polled();
    // A close begins; the recording is still on if it was.
    void closing();
    // The database reached the size at which recording stops.
    void sizeLimitReached();
    void closeWaiting(int waitingReadings);
    void closed(int lostReadings);
    // A project device was found on another USB port.
    void devicePortsChanged();
    // A USB scan asked for by checkUsbPorts() has been applied.
    void usbScanned();
    // Every reading of a project device and every event, as they come, for
    // those who pass them on (notifications, forwarding).
    void readingTaken(const PendingRow &row);
    void eventAppended(const EventRecord &event);

private:
    void storeAnswered(bool opened, quint64 firstTime, quint64 lastTime);
    void batchWritten();
    void batchNotWritten(const StoreBatch &batch, bool busy);
    void submitBacklog();
    void continueClose();
    void finishClose();
    void checkDatabaseSize();
    void usbPortsFound(const QList<UsbPortInfo> &ports);

    QString m_connectionTag;
    QList<ConfiguredDevice *> m_devices;
    FoundDevices *m_found = nullptr;
    AlarmSound *m_alarm = nullptr;
    UsbPortScanner *m_usbScanner = nullptr;
    // The devices of a project just opened are polled once their USB ports
    // are known.
    bool m_pollAfterScan = false;
    StoreWorker *m_store = nullptr;
    // Tells the answers of the current writer from those of one closed since.
    int m_storeGeneration = 0;
    QString m_databasePath;
    QTimer *m_clockTimer = nullptr;
    QTimer *m_usbTimer = nullptr;
    QTimer *m_pollTimer = nullptr;
    QTimer *m_flushTimer = nullptr;
    QTimer *m_retryTimer = nullptr;
    // Flushes when the oldest buffered reading has waited long enough.
    QTimer *m_ageTimer = nullptr;
    QElapsedTimer m_monotonic;
    qint64 m_backlogSince = 0;
    qint64 m_inFlightSince = 0;

    StoreBatch m_backlog;
    int m_inFlightReadings = 0;
    bool m_inFlightEvents = false;
    bool m_batchOut = false;
    bool m_opening = false;
    bool m_storeOpen = false;
    bool m_troubled = false;

    bool m_open = false;
    bool m_recording = false;
    // The recorded period has a start and an end: the size watch runs.
    bool m_periodStarted = false;
    bool m_periodEnded = false;

    bool m_closing = false;
    bool m_keepDevices = false;
    bool m_givenUp = false;
};
