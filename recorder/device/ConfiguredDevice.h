#pragma once

#include "ChartHistory.h"

#include "core/DeviceSettings.h"
#include "store/PendingRow.h"

#include <QDateTime>
#include <QObject>
#include <QString>

class AbstractDevice;
class DashboardTileView;
class DeviceChartPanelView;
class DeviceListEntryView;
class TelnetDevice;

// One device of the open project, live: its settings (the data record the
// project file stores), current readings and alarm state, its link, the live
// chart history and the dialogue that writes alarm settings into a LAN device.
class ConfiguredDevice : public QObject
{
    Q_OBJECT
public:
    enum SyncState
    {
        STATE_IDLE = 0,
        STATE_MIN1 = 1,
        STATE_MAX1 = 3,
        STATE_MIN2 = 4,
        STATE_MAX2 = 5,
        STATE_BUZZER = 6,
        STATE_SET = 7,
        STATE_ERROR = 9
    };

    ConfiguredDevice(const QString &deviceNumber, int interfaceType, QObject *parent = nullptr);
    ~ConfiguredDevice() override;

    void setDeviceInfo(const QString &deviceName, const QString &ch1Name, const QString &ch2Name,
                       const QString &interfaceAddress, quint16 tcpPort);
    void setUnits(int ch1Unit, int ch2Unit);
    void setAlarmLimits(float ch1Min, float ch1Max, float ch2Min, float ch2Max);
    void alarmLimits(float *ch1Min, float *ch1Max, float *ch2Min, float *ch2Max) const;
    void setCustomUnits(const QString &ch1Custom, const QString &ch2Custom);
    void setBuzzerAlarm(const QString &buzzerAlarm);
    void setNewAlarmLimits(float ch1Min, float ch1Max, float ch2Min, float ch2Max);
    void setNewBuzzerAlarm(const QString &buzzerAlarm);
    void commitNewSettings();

    // The project-file fields, applied in the order the loader must use.
    void applySettings(const DeviceSettings &settings);
    const DeviceSettings &settings() const { return m_settings; }

    bool open();
    void close();
    void writeDevice();
    void refreshDevice();
    void checkAlarmAll();
    void insertNoValue();
    // The gap row of a device that stopped answering, while recording: one
    // interval after its last answer, at the first poll it left unanswered,
    // a time no late answer can take.
    void insertOutageGap();
    void startSyncTelnet();
    void stopSyncTelnet();
    void chartData(double *times, double *ch1, double *ch2) const;

    void setListItem(DeviceListEntryView *item) { listItem = item; }
    void clearListItem() { listItem = nullptr; }
    void setChartView(DeviceChartPanelView *view) { chartView = view; }
    void clearChartView() { chartView = nullptr; }
    void setDashItems(DashboardTileView *ch1Tile, DashboardTileView *ch2Tile);
    void clearDashItems();

    AbstractDevice *link() const { return m_link; }
    int syncState() const { return m_syncState; }
    int missCount() const { return m_missCount; }
    // Unanswered LAN requests tolerated before the device counts as gone.
    static int missLimit();

    bool connected = false;
    bool recording = false;
    bool refreshPending = false;
    bool ch1Alarm = false;
    bool ch2Alarm = false;
    QString ch1Value;
    QString ch2Value;
    float newCh1Min = 0;
    float newCh1Max = 0;
    float newCh2Min = 0;
    float newCh2Max = 0;
    QString newBuzzerAlarm = QStringLiteral("OFF");
    QDateTime lastTime;

signals:
    void buzzerSyncSuccess();
    void buzzerSyncError(QString message);
    // A reading taken while recording, or the gap row at the stop.
    void rowRecorded(const PendingRow &row);
    // Every reading taken, recording or not (live publishing).
    void readingTaken(const PendingRow &row);

private slots:
    void readData(QString data);
    void deviceConnected();
    void deviceDisconnected();
    void slotWriteStartSync();

private:
    bool isLan() const { return m_settings.deviceInterface == DeviceSettings::Lan; }
    void poll(bool refresh);
    void handleReading(const QString &data);
    void handleSyncAnswer(const QString &answer);
    bool sendSyncCommand(const QString &command);
    void endSync();
    void setCheckAlarmSet1(double value);
    void setCheckAlarmSet2(double value);

    DeviceSettings m_settings;
    int m_missCount = 0;
    // A device that froze and resumes may answer several queued requests
    // at once: one record poll gives at most one row.
    bool m_pollRecorded = false;
    quint32 m_lastAnswered = 0; // poll time of the last reading, Unix seconds
    ChartHistory m_chart;
    DeviceListEntryView *listItem = nullptr;
    DeviceChartPanelView *chartView = nullptr;
    DashboardTileView *dashItem1 = nullptr;
    DashboardTileView *dashItem2 = nullptr;
    AbstractDevice *m_link = nullptr;
    // The same object as m_link for LAN devices, for the dialogue commands.
    TelnetDevice *m_telnet = nullptr;
    int m_syncState = STATE_IDLE;
};
