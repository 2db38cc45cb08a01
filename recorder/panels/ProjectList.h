#pragma once

#include "DeviceListEntryView.h"

#include <QHash>
#include <QIcon>
#include <QList>
#include <QWidget>

#include <memory>

class ConfiguredDevice;
class QListWidgetItem;

namespace Ui {
class ProjectList;
}

// The devices of the open project down the left of the project panel, each
// with its connection state; the "Project" button above goes back to the
// dashboard.
class ProjectList : public QWidget, public DeviceListEntryView
{
    Q_OBJECT
public:
    explicit ProjectList(QWidget *parent = nullptr);
    ~ProjectList() override;

    void setDevices(const QList<ConfiguredDevice *> &devices);
    void selectDevice(ConfiguredDevice *device);
    void refreshNames();
    void onDeviceConnected(const QString &deviceNumber) override;
    void onDeviceDisconnected(const QString &deviceNumber) override;

signals:
    void dashboardClicked();
    void deviceClicked(ConfiguredDevice *device);

public slots:
    void slotPushDashboard();
    void deviceClicked(QListWidgetItem *item);

private:
    void setImage(const QString &deviceNumber, const QIcon &image);
    static QString entryText(const ConfiguredDevice *device);

    std::unique_ptr<Ui::ProjectList> ui;
    QIcon m_connectedImage;
    QIcon m_disconnectedImage;
    QHash<QListWidgetItem *, ConfiguredDevice *> m_devices;
};
