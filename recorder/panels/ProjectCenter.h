#pragma once

#include <QIcon>
#include <QList>
#include <QString>
#include <QWidget>

#include "core/DeviceSettings.h"

#include <memory>

class ChartView;
class ConfiguredDevice;
class DashBoard;
class EventsView;
class ProjectList;
class QVBoxLayout;
class SecretStore;

namespace Ui {
class ProjectCenter;
}

// The open project: its device list on the left, the dashboard or the chart
// panel of one device in the middle, and the record button with the recorded
// period and the database size at the bottom, beside it the Acknowledge
// control and the button that shows the project's event log in the middle.
class ProjectCenter : public QWidget
{
    Q_OBJECT
public:
    explicit ProjectCenter(const QString &projectFile, QWidget *parent = nullptr);
    ~ProjectCenter() override;

    void setDevices(const QList<ConfiguredDevice *> &devices);
    void setRecordState(bool recording);
    void setRecordPeriod(const QString &start, const QString &end);
    void setRecordEnd(const QString &end);
    void setDatabaseSize(qint64 bytes);
    void setEmptySlotsVisible(bool visible);
    // The control shows whether an alarm waits for an acknowledge.
    void setUnacknowledgedAlarm(bool on);
    bool hasUnacknowledgedAlarm() const;
    // The log the Events view reads, and the devices it names.
    void setEventLog(const QString &databasePath, const QList<DeviceSettings> &devices);
    // Events were written: a shown log reads them.
    void refreshEvents();
    void showEvents(bool on);
    EventsView *eventsView() const { return m_eventsView; }
    bool isEventsShown() const;
    QString recordStartText() const;
    QString recordEndText() const;

    QString projectName() const { return m_projectName; }
    ProjectList *projectList() const { return m_projectList; }
    DashBoard *dashBoard() const { return m_dashBoard; }
    ChartView *chartView() const { return m_chartView; }
    ConfiguredDevice *shownDevice() const { return m_shownDevice; }
    bool isDashboardShown() const { return m_dashboardShown; }

signals:
    void clickRecord();
    void clickAcknowledge();
    void updateProjectFile();
    // The notification settings were changed in their dialog.
    void notificationsChanged();

public slots:
    void slotRecord();
    void slotDashboardClicked();
    void slotDeviceClicked(ConfiguredDevice *device);
    void slotPopupSensingOption();
    void slotNetworkSetting();
    void slotSensingConfirm();
    void slotNotifications();

private:
    void showInBoard(QWidget *shown);

    std::unique_ptr<Ui::ProjectCenter> ui;
    QIcon m_recordIcon;
    QIcon m_stopIcon;
    QString m_projectFile;
    QString m_projectName;
    std::unique_ptr<SecretStore> m_secrets;
    QList<ConfiguredDevice *> m_devices;
    ProjectList *m_projectList = nullptr;
    DashBoard *m_dashBoard = nullptr;
    ChartView *m_chartView = nullptr;
    EventsView *m_eventsView = nullptr;
    QVBoxLayout *m_boardLayout = nullptr;
    ConfiguredDevice *m_shownDevice = nullptr;
    bool m_dashboardShown = true;
};
