#pragma once

#include <QIcon>
#include <QList>
#include <QWidget>

#include <memory>

class ConfiguredDevice;
class QAction;
class QListWidgetItem;
class QMenu;
struct AvailableDevice;

namespace Ui {
class ProjectManager;
}

// Assembles a project's device list: the devices found on USB ports and on
// the LAN on the left, the project's devices on the right (at most 16), and
// the project's data interval.
class ProjectManager : public QWidget
{
    Q_OBJECT
public:
    static constexpr int MaxDevices = 16;

    explicit ProjectManager(QWidget *parent = nullptr);
    ~ProjectManager() override;

    void setAvailDeviceList(const QList<AvailableDevice *> &devices);
    void setConfiguredDeviceList(const QList<ConfiguredDevice *> &devices);
    void setIntervalLocked(bool locked);

    QMenu *intervalMenu() const { return m_intervalMenu; }

signals:
    void projectListConfirm(QList<ConfiguredDevice *> devices);
    void refreshAvailDeviceList();

public slots:
    void slotProjectAddDevice();
    void slotProjectRemoveDevice();
    void slotProjectListConfirm();
    void slotRefresh();
    void slotManualConfigDeviceDlg();
    void slotCommandInterval();
    void slotDblProjectAddDevice(QListWidgetItem *item);
    void slotIntervalChange();
    void slotManualConfigDevice(ConfiguredDevice *device);

private:
    QListWidgetItem *makeEntry(const QString &label, const QString &address, quint16 port,
                               int interfaceType, const QString &deviceNumber) const;
    QListWidgetItem *makeEntry(const ConfiguredDevice *device) const;
    bool isConfigured(const QString &deviceNumber) const;
    const AvailableDevice *found(const QString &deviceNumber) const;
    ConfiguredDevice *configured(const QString &deviceNumber) const;
    void moveToConfigured(QListWidgetItem *item);
    void setAddEnabled(bool enabled);

    std::unique_ptr<Ui::ProjectManager> ui;
    QIcon m_lanIcon;
    QIcon m_usbIcon;
    // Copies of the main window's records: a later search may replace its own.
    QList<AvailableDevice> m_availDevices;
    QList<ConfiguredDevice *> m_configuredDevices;
    QMenu *m_intervalMenu = nullptr;
    QList<QAction *> m_intervalActions;
};
