#include "ConfiguredDevice.h"

#include "ChartTime.h"
#include "DashboardTileView.h"
#include "DeviceChartPanelView.h"
#include "DeviceListEntryView.h"
#include "DeviceLogging.h"
#include "ReadingParser.h"
#include "RecorderInterval.h"
#include "SerialDevice.h"
#include "TelnetDevice.h"
#include "core/AlarmRange.h"

#include "core/NoValue.h"

namespace {
QString limitCommand(const char *command, float limit)
{
    return QLatin1String(command) + QLatin1Char(' ') + QString::number(double(limit), 'f', 2) +
           QLatin1String("\r\n");
}

double valueOfText(const QString &text)
{
    if (text.isEmpty() || text.contains(QLatin1String("----")))
        return NoValue;
    return ReadingParser::partValue(text);
}
} // namespace

ConfiguredDevice::ConfiguredDevice(const QString &deviceNumber, int interfaceType, QObject *parent)
    : QObject(parent), lastTime(QDateTime::currentDateTime())
{
    m_settings.deviceNumber = deviceNumber;
    m_settings.deviceInterface = interfaceType;
    if (interfaceType == DeviceSettings::Usb) {
        auto *serial = new SerialDevice(this);
        m_link = serial;
        m_link->connectSignal(SIGNAL(connected()), this, SLOT(deviceConnected()));
        m_link->connectSignal(SIGNAL(disconnected()), this, SLOT(deviceDisconnected()));
    } else {
        m_telnet = new TelnetDevice(this);
        m_link = m_telnet;
        m_link->connectSignal(SIGNAL(writeStartSync()), this, SLOT(slotWriteStartSync()));
    }
    m_link->connectSignal(SIGNAL(readyRead(QString)), this, SLOT(readData(QString)));
}

ConfiguredDevice::~ConfiguredDevice()
{
    delete m_link;
}

void ConfiguredDevice::setDeviceInfo(const QString &deviceName, const QString &ch1Name,
                                     const QString &ch2Name, const QString &interfaceAddress,
                                     quint16 tcpPort)
{
    m_settings.deviceName = deviceName;
    m_settings.ch1Name = ch1Name;
    m_settings.ch2Name = ch2Name;
    m_settings.interfaceAddress = interfaceAddress;
    m_settings.tcpPort = tcpPort;
    m_link->setDeviceInfo(interfaceAddress, tcpPort);
}

void ConfiguredDevice::setUnits(int ch1Unit, int ch2Unit)
{
    m_settings.ch1Unit = ch1Unit;
    m_settings.ch2Unit = ch2Unit;
}

void ConfiguredDevice::setAlarmLimits(float ch1Min, float ch1Max, float ch2Min, float ch2Max)
{
    m_settings.ch1Min = ch1Min;
    m_settings.ch1Max = ch1Max;
    m_settings.ch2Min = ch2Min;
    m_settings.ch2Max = ch2Max;
}

void ConfiguredDevice::alarmLimits(float *ch1Min, float *ch1Max, float *ch2Min, float *ch2Max) const
{
    if (ch1Min)
        *ch1Min = m_settings.ch1Min;
    if (ch1Max)
        *ch1Max = m_settings.ch1Max;
    if (ch2Min)
        *ch2Min = m_settings.ch2Min;
    if (ch2Max)
        *ch2Max = m_settings.ch2Max;
}

void ConfiguredDevice::setCustomUnits(const QString &ch1Custom, const QString &ch2Custom)
{
    m_settings.ch1Custom = ch1Custom;
    m_settings.ch2Custom = ch2Custom;
}

void ConfiguredDevice::setBuzzerAlarm(const QString &buzzerAlarm)
{
    m_settings.buzzerAlarm = buzzerAlarm;
}

void ConfiguredDevice::setNewAlarmLimits(float ch1Min, float ch1Max, float ch2Min, float ch2Max)
{
    newCh1Min = ch1Min;
    newCh1Max = ch1Max;
    newCh2Min = ch2Min;
    newCh2Max = ch2Max;
}

void ConfiguredDevice::setNewBuzzerAlarm(const QString &buzzerAlarm)
{
    newBuzzerAlarm = buzzerAlarm;
}

void ConfiguredDevice::commitNewSettings()
{
    setAlarmLimits(newCh1Min, newCh1Max, newCh2Min, newCh2Max);
    m_settings.buzzerAlarm = newBuzzerAlarm;
}

void ConfiguredDevice::applySettings(const DeviceSettings &s)
{
    setDeviceInfo(s.deviceName, s.ch1Name, s.ch2Name, s.interfaceAddress, s.tcpPort);
    setUnits(s.ch1Unit, s.ch2Unit);
    setAlarmLimits(s.ch1Min, s.ch1Max, s.ch2Min, s.ch2Max);
    setCustomUnits(s.ch1Custom, s.ch2Custom);
    setBuzzerAlarm(s.buzzerAlarm);
}

bool ConfiguredDevice::open()
{
    if (m_settings.deviceInterface == DeviceSettings::None)
        return false;
    m_link->setDeviceInfo(m_settings.interfaceAddress, m_settings.tcpPort);
    return m_link->open();
}

void ConfiguredDevice::close()
{
    m_link->close();
}

int ConfiguredDevice::missLimit()
{
    return RecorderInterval::keepsConnection() ? 5 : 2;
}

void ConfiguredDevice::writeDevice()
{
    poll(false);
}

void ConfiguredDevice::refreshDevice()
{
    poll(true);
}

void ConfiguredDevice::poll(bool refresh)
{
    if (m_settings.deviceInterface == DeviceSettings::None || m_syncState != STATE_IDLE)
        return;
    m_link->write();
    if (refresh) {
        refreshPending = true;
    } else {
        lastTime = QDateTime::currentDateTime();
        m_pollRecorded = false;
    }
    if (!isLan())
        return;
    ++m_missCount;
    const int limit = missLimit();
    if (m_missCount > limit) {
        m_missCount = limit;
        deviceDisconnected();
    }
}

void ConfiguredDevice::readData(QString data)
{
    if (isLan() && m_syncState != STATE_IDLE) {
        data.remove(QLatin1Char('\n'));
        handleSyncAnswer(data);
        return;
    }
    handleReading(data);
}

void ConfiguredDevice::handleReading(const QString &data)
{
    deviceConnected();
    if (isLan())
        m_missCount = 0;
    const ReadingParser::Reading reading = ReadingParser::parse(data);
    if (!reading.valid) {
        qCDebug(lcDevice).noquote().nospace()
            << "[ERROR] - ConfiguredDevice::readData() : data.split : " << reading.partCount << " ["
            << m_settings.deviceNumber << "] : " << reading.text;
        return;
    }
    const double chartTime = ChartTime::fromDateTime(lastTime);
    ch1Value = reading.text1;
    ch2Value = reading.text2;
    setCheckAlarmSet1(reading.value1);
    setCheckAlarmSet2(reading.value2);
    m_chart.add(chartTime, reading.value1, reading.value2);

    if (chartView)
        chartView->updateReadings(m_chart.times(), m_chart.ch1(), m_chart.ch2(), ch1Value,
                                  ch2Value);
    if (dashItem1)
        dashItem1->updateValue(ch1Value);
    if (dashItem2)
        dashItem2->updateValue(ch2Value);

    const PendingRow row{m_settings.deviceNumber, reading.value1, reading.value2,
                         quint32(lastTime.toSecsSinceEpoch())};
    m_lastAnswered = row.pointDate;
    emit readingTaken(row);
    if (recording && !refreshPending && !m_pollRecorded) {
        m_pollRecorded = true;
        emit rowRecorded(row);
    }
    refreshPending = false;
}

void ConfiguredDevice::setCheckAlarmSet1(double value)
{
    ch1Alarm = AlarmRange::isOutside(value, m_settings.ch1Min, m_settings.ch1Max);
    if (ch1Alarm)
        qCDebug(lcDevice).noquote().nospace()
            << "- ConfiguredDevice::setCheckAlarmSet1() : " << m_settings.deviceNumber;
}

void ConfiguredDevice::setCheckAlarmSet2(double value)
{
    ch2Alarm = AlarmRange::isOutside(value, m_settings.ch2Min, m_settings.ch2Max);
    if (ch2Alarm)
        qCDebug(lcDevice).noquote().nospace()
            << "- ConfiguredDevice::setCheckAlarmSet2() : " << m_settings.deviceNumber;
}

void ConfiguredDevice::checkAlarmAll()
{
    const double value1 = valueOfText(ch1Value);
    const double value2 = valueOfText(ch2Value);
    qCDebug(lcDevice).noquote().nospace()
        << "- ConfiguredDevice::checkAlarmAll() : " << value1 << " " << value2 << " ["
        << m_settings.deviceNumber << "]";
    setCheckAlarmSet1(value1);
    setCheckAlarmSet2(value2);
}

void ConfiguredDevice::deviceConnected()
{
    connected = true;
    if (listItem)
        listItem->onDeviceConnected(m_settings.deviceNumber);
    if (chartView)
        chartView->onDeviceConnected(m_settings.deviceNumber);
    if (dashItem1)
        dashItem1->onDeviceConnected(m_settings.deviceNumber);
    if (dashItem2)
        dashItem2->onDeviceConnected(m_settings.deviceNumber);
}

void ConfiguredDevice::deviceDisconnected()
{
    connected = false;
    qCDebug(lcDevice).noquote().nospace()
        << "- ConfiguredDevice::deviceDisconnected() : " << m_settings.deviceNumber;
    if (listItem)
        listItem->onDeviceDisconnected(m_settings.deviceNumber);
    if (chartView)
        chartView->onDeviceDisconnected(m_settings.deviceNumber);
    if (dashItem1)
        dashItem1->onDeviceDisconnected(m_settings.deviceNumber);
    if (dashItem2)
        dashItem2->onDeviceDisconnected(m_settings.deviceNumber);
    ch1Value.clear();
    ch2Value.clear();
    ch1Alarm = false;
    ch2Alarm = false;
    m_syncState = STATE_IDLE;
}

void ConfiguredDevice::insertNoValue()
{
    qCDebug(lcDevice).noquote().nospace()
        << "- ConfiguredDevice::insertNoValue() : " << m_settings.deviceNumber;
    if (!recording)
        return;
    const QDateTime gap = lastTime.addMSecs(RecorderInterval::current());
    emit rowRecorded({m_settings.deviceNumber, NoValue, NoValue, quint32(gap.toSecsSinceEpoch())});
}

void ConfiguredDevice::insertOutageGap()
{
    if (!recording || m_lastAnswered == 0)
        return;
    const quint32 gap = m_lastAnswered + quint32(qMax(1, RecorderInterval::current() / 1000));
    emit rowRecorded({m_settings.deviceNumber, NoValue, NoValue, gap});
}

void ConfiguredDevice::chartData(double *times, double *ch1, double *ch2) const
{
    m_chart.copyTo(times, ch1, ch2);
}

void ConfiguredDevice::setDashItems(DashboardTileView *ch1Tile, DashboardTileView *ch2Tile)
{
    dashItem1 = ch1Tile;
    dashItem2 = ch2Tile;
}

void ConfiguredDevice::clearDashItems()
{
    dashItem1 = nullptr;
    dashItem2 = nullptr;
}

void ConfiguredDevice::startSyncTelnet()
{
    if (!m_telnet)
        return;
    qCDebug(lcDevice).noquote().nospace()
        << "- ConfiguredDevice::startSyncTelnet() : set buzzerflag true";
    m_telnet->setBuzzerFlag(true);
    m_syncState = STATE_MIN1;
    if (RecorderInterval::keepsConnection())
        m_link->write();
    else
        m_link->open();
}

void ConfiguredDevice::stopSyncTelnet()
{
    if (!m_telnet)
        return;
    qCDebug(lcDevice).noquote().nospace()
        << "- ConfiguredDevice::stopSyncTelnet() : set buzzerflag false";
    m_telnet->setBuzzerFlag(false);
    m_syncState = STATE_IDLE;
    if (!RecorderInterval::keepsConnection())
        m_link->close();
}

void ConfiguredDevice::slotWriteStartSync()
{
    if (!m_telnet || m_syncState != STATE_MIN1)
        return;
    if (!sendSyncCommand(limitCommand("ATBMIN1", newCh1Min))) {
        // The waiting dialog runs into its own time-out; until then the
        // link must go on serving data requests.
        m_syncState = STATE_IDLE;
        m_telnet->setBuzzerFlag(false);
    }
}

bool ConfiguredDevice::sendSyncCommand(const QString &command)
{
    return m_telnet->writeCommand(command.toLatin1()) > 0;
}

void ConfiguredDevice::endSync()
{
    m_syncState = STATE_IDLE;
    if (!RecorderInterval::keepsConnection())
        m_link->close();
    m_telnet->setBuzzerFlag(false);
}

void ConfiguredDevice::handleSyncAnswer(const QString &answer)
{
    if (answer != QLatin1String("OK")) {
        endSync();
        qCDebug(lcDevice).noquote().nospace() << "[ERROR] - ConfiguredDevice::readData() : NOT OK ["
                                              << m_settings.deviceNumber << "] : " << answer;
        emit buzzerSyncError(QStringLiteral("Device Setup Failed."));
        return;
    }
    bool written = true;
    switch (m_syncState) {
    case STATE_MIN1:
        m_syncState = STATE_MAX1;
        written = sendSyncCommand(limitCommand("ATBMAX1", newCh1Max));
        break;
    case STATE_MAX1:
        m_syncState = STATE_MIN2;
        written = sendSyncCommand(limitCommand("ATBMIN2", newCh2Min));
        break;
    case STATE_MIN2:
        m_syncState = STATE_MAX2;
        written = sendSyncCommand(limitCommand("ATBMAX2", newCh2Max));
        break;
    case STATE_MAX2: {
        m_syncState = STATE_BUZZER;
        const QString command = QLatin1String("ATBAL ") + newBuzzerAlarm + QLatin1String("\r\n");
        qCDebug(lcDevice).noquote().nospace()
            << "[DEBUG] - ConfiguredDevice : szCommand : " << command << " ["
            << m_settings.deviceNumber << "]";
        written = sendSyncCommand(command);
        break;
    }
    case STATE_BUZZER:
        m_syncState = STATE_SET;
        written = sendSyncCommand(QStringLiteral("ATBSET\r\n"));
        break;
    case STATE_SET:
        endSync();
        qCDebug(lcDevice).noquote().nospace() << "- ConfiguredDevice::readData() : STATE_END ["
                                              << m_settings.deviceNumber << "] : " << answer;
        emit buzzerSyncSuccess();
        return;
    default:
        break;
    }
    if (!written)
        m_syncState = STATE_ERROR;
    if (m_syncState == STATE_ERROR) {
        endSync();
        qCDebug(lcDevice).noquote().nospace()
            << "[ERROR] - ConfiguredDevice::readData() : STATE_ERROR OK ["
            << m_settings.deviceNumber << "] : " << answer;
        emit buzzerSyncError(QStringLiteral("Device communication failure."));
    }
}
