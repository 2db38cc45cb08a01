#include "ProjectList.h"

#include "ConfiguredDevice.h"
#include "ui_ProjectList.h"

ProjectList::ProjectList(QWidget *parent)
    : QWidget(parent), ui(std::make_unique<Ui::ProjectList>()),
      m_connectedImage(QStringLiteral(":/img/DeviceConnectingSymbol.png")),
      m_disconnectedImage(QStringLiteral(":/img/DeviceDisconnectedSymbol.png"))
{
    ui->setupUi(this);
    connect(ui->button_project, &QPushButton::clicked, this, &ProjectList::slotPushDashboard);
    connect(ui->list_project, &QListWidget::itemClicked, this,
            qOverload<QListWidgetItem *>(&ProjectList::deviceClicked));
}

ProjectList::~ProjectList() = default;

QString ProjectList::entryText(const ConfiguredDevice *device)
{
    return device->settings().deviceName.isEmpty() ? device->settings().deviceNumber
                                                   : device->settings().deviceName;
}

void ProjectList::setDevices(const QList<ConfiguredDevice *> &devices)
{
    for (ConfiguredDevice *device : devices) {
        if (!device)
            continue;
        device->setListItem(this);
        auto *item = new QListWidgetItem(m_disconnectedImage, entryText(device), ui->list_project);
        item->setToolTip(device->settings().interfaceAddress);
        m_devices.insert(item, device);
    }
}

void ProjectList::selectDevice(ConfiguredDevice *device)
{
    ui->list_project->clearSelection();
    for (auto it = m_devices.cbegin(); it != m_devices.cend(); ++it) {
        if (it.value() == device)
            it.key()->setSelected(true);
    }
}

void ProjectList::refreshNames()
{
    for (auto it = m_devices.cbegin(); it != m_devices.cend(); ++it) {
        it.key()->setText(entryText(it.value()));
        it.key()->setToolTip(it.value()->settings().interfaceAddress);
    }
}

void ProjectList::setImage(const QString &deviceNumber, const QIcon &image)
{
    for (auto it = m_devices.cbegin(); it != m_devices.cend(); ++it) {
        if (it.value()->settings().deviceNumber == deviceNumber)
            it.key()->setIcon(image);
    }
}

void ProjectList::onDeviceConnected(const QString &deviceNumber)
{
    setImage(deviceNumber, m_connectedImage);
}

void ProjectList::onDeviceDisconnected(const QString &deviceNumber)
{
    setImage(deviceNumber, m_disconnectedImage);
}

void ProjectList::slotPushDashboard()
{
    ui->list_project->clearSelection();
    emit dashboardClicked();
}

void ProjectList::deviceClicked(QListWidgetItem *item)
{
    emit deviceClicked(m_devices.value(item, nullptr));
}
