#include "ProjectManager.h"

#include "AvailableDevice.h"
#include "ConfiguredDevice.h"
#include "RecorderInterval.h"
#include "core/DataInterval.h"
#include "dialogs/ManualConfigDeviceDialog.h"
#include "ui_ProjectManager.h"
#include "widgets/MessageDialog.h"

#include <QLoggingCategory>
#include <QMenu>

Q_LOGGING_CATEGORY(lcPanels, "moravin.recorder.panels")

ProjectManager::ProjectManager(QWidget *parent)
    : QWidget(parent), ui(std::make_unique<Ui::ProjectManager>()),
      m_lanIcon(QStringLiteral(":/img/icon_lan.png")),
      m_usbIcon(QStringLiteral(":/img/icon_usb.png"))
{
    ui->setupUi(this);
    connect(ui->btn_add, &QPushButton::clicked, this, &ProjectManager::slotProjectAddDevice);
    connect(ui->btn_remove, &QPushButton::clicked, this, &ProjectManager::slotProjectRemoveDevice);
    connect(ui->btn_confirm, &QPushButton::clicked, this, &ProjectManager::slotProjectListConfirm);
    connect(ui->pushButton_refresh, &QPushButton::clicked, this, &ProjectManager::slotRefresh);
    connect(ui->btn_timeInterval, &QPushButton::clicked, this,
            &ProjectManager::slotCommandInterval);
    connect(ui->availlable_list, &QListWidget::itemDoubleClicked, this,
            &ProjectManager::slotDblProjectAddDevice);
    connect(ui->btn_manual, &QPushButton::clicked, this,
            &ProjectManager::slotManualConfigDeviceDlg);

    m_intervalMenu = new QMenu(QStringLiteral("Interval"), this);
    m_intervalMenu->setStyleSheet(
        QStringLiteral("background-color: rgb(198, 198, 198);color: rgb(55,55,55);"));
    const int current = RecorderInterval::current();
    for (int interval : DataInterval::offered()) {
        QAction *action = m_intervalMenu->addAction(DataInterval::intervalText(interval));
        action->setCheckable(true);
        action->setData(interval);
        action->setChecked(interval == current);
        connect(action, &QAction::triggered, this, &ProjectManager::slotIntervalChange);
        m_intervalActions.append(action);
    }
    ui->label_interval->setText(DataInterval::intervalText(current));
}

ProjectManager::~ProjectManager() = default;

QListWidgetItem *ProjectManager::makeEntry(const QString &label, const QString &address,
                                           quint16 port, int interfaceType,
                                           const QString &deviceNumber) const
{
    const bool lan = interfaceType == DeviceSettings::Lan;
    QString text = label + QStringLiteral("\t[") + address;
    if (lan)
        text += QLatin1Char(':') + QString::number(port);
    text += QLatin1Char(']');
    auto *item = new QListWidgetItem(lan ? m_lanIcon : m_usbIcon, text);
    item->setData(Qt::ToolTipRole, deviceNumber);
    return item;
}

QListWidgetItem *ProjectManager::makeEntry(const ConfiguredDevice *device) const
{
    const DeviceSettings &s = device->settings();
    return makeEntry(s.deviceName.isEmpty() ? s.deviceNumber : s.deviceName, s.interfaceAddress,
                     s.tcpPort, s.deviceInterface, s.deviceNumber);
}

bool ProjectManager::isConfigured(const QString &deviceNumber) const
{
    for (int i = 0; i < ui->configured_list->count(); ++i) {
        if (ui->configured_list->item(i)->data(Qt::ToolTipRole).toString() == deviceNumber)
            return true;
    }
    return false;
}

const AvailableDevice *ProjectManager::found(const QString &deviceNumber) const
{
    for (const AvailableDevice &device : m_availDevices) {
        if (device.deviceNumber == deviceNumber)
            return &device;
    }
    return nullptr;
}

ConfiguredDevice *ProjectManager::configured(const QString &deviceNumber) const
{
    // The newest device of a number is the one its entry was made for.
    for (auto it = m_configuredDevices.crbegin(); it != m_configuredDevices.crend(); ++it) {
        if (*it && (*it)->settings().deviceNumber == deviceNumber)
            return *it;
    }
    return nullptr;
}

void ProjectManager::setAvailDeviceList(const QList<AvailableDevice *> &devices)
{
    m_availDevices.clear();
    for (const AvailableDevice *device : devices) {
        if (device)
            m_availDevices.append(*device);
    }
    ui->availlable_list->clear();
    for (const AvailableDevice &device : qAsConst(m_availDevices)) {
        if (!isConfigured(device.deviceNumber))
            ui->availlable_list->addItem(makeEntry(device.deviceNumber, device.address, device.port,
                                                   device.interfaceType, device.deviceNumber));
    }
}

void ProjectManager::setConfiguredDeviceList(const QList<ConfiguredDevice *> &devices)
{
    m_configuredDevices = devices;
    for (const ConfiguredDevice *device : devices) {
        if (ui->configured_list->count() >= MaxDevices)
            break;
        if (device)
            ui->configured_list->addItem(makeEntry(device));
    }
    if (ui->configured_list->count() >= MaxDevices)
        setAddEnabled(false);
}

void ProjectManager::setIntervalLocked(bool locked)
{
    ui->btn_timeInterval->setEnabled(!locked);
    m_intervalMenu->setEnabled(!locked);
}

void ProjectManager::setAddEnabled(bool enabled)
{
    ui->btn_add->setEnabled(enabled);
    ui->btn_manual->setEnabled(enabled);
}

void ProjectManager::moveToConfigured(QListWidgetItem *item)
{
    ui->availlable_list->takeItem(ui->availlable_list->row(item));
    ui->configured_list->addItem(item);
}

void ProjectManager::slotProjectAddDevice()
{
    if (ui->configured_list->count() >= MaxDevices)
        return;
    const QList<QListWidgetItem *> selected = ui->availlable_list->selectedItems();
    for (QListWidgetItem *item : selected) {
        moveToConfigured(item);
        if (ui->configured_list->count() >= MaxDevices) {
            setAddEnabled(false);
            return;
        }
    }
}

void ProjectManager::slotDblProjectAddDevice(QListWidgetItem *item)
{
    if (ui->configured_list->count() >= MaxDevices) {
        ui->btn_add->setEnabled(false);
        return;
    }
    if (!item || ui->availlable_list->row(item) < 0)
        return;
    moveToConfigured(item);
    if (ui->configured_list->count() >= MaxDevices)
        setAddEnabled(false);
}

void ProjectManager::slotProjectRemoveDevice()
{
    const QList<QListWidgetItem *> selected = ui->configured_list->selectedItems();
    for (QListWidgetItem *item : selected) {
        ui->configured_list->takeItem(ui->configured_list->row(item));
        const QString number = item->data(Qt::ToolTipRole).toString();
        if (found(number)) {
            item->setSelected(false);
            ui->availlable_list->addItem(item);
            continue;
        }
        delete item;
        // A device added by hand that leaves the list is gone for good; one
        // added again later, perhaps with another address, is a new device.
        while (ConfiguredDevice *device = configured(number)) {
            m_configuredDevices.removeAll(device);
            if (device->parent() == this)
                device->deleteLater();
        }
    }
    if (ui->configured_list->count() < MaxDevices)
        setAddEnabled(true);
}

void ProjectManager::slotRefresh()
{
    emit refreshAvailDeviceList();
}

void ProjectManager::slotCommandInterval()
{
    m_intervalMenu->popup(ui->btn_timeInterval->mapToGlobal(QPoint(5, 46)));
}

void ProjectManager::slotIntervalChange()
{
    auto *chosen = qobject_cast<QAction *>(sender());
    if (!chosen)
        return;
    for (QAction *action : qAsConst(m_intervalActions))
        action->setChecked(false);
    chosen->setChecked(true);
    RecorderInterval::setCurrent(chosen->data().toInt());
    ui->label_interval->setText(DataInterval::intervalText(chosen->data().toInt()));
}

void ProjectManager::slotManualConfigDeviceDlg()
{
    auto *dialog = new ManualConfigDeviceDialog(this);
    connect(dialog, &ManualConfigDeviceDialog::ManualConfigDeviceConfirm, this,
            &ProjectManager::slotManualConfigDevice);
    dialog->open();
}

void ProjectManager::slotManualConfigDevice(ConfiguredDevice *device)
{
    if (!device)
        return;
    if (isConfigured(device->settings().deviceNumber)) {
        MessageDialog::showTransient(QStringLiteral("ERROR"),
                                     QStringLiteral("the Mac Address is exist."), this);
        delete device;
        return;
    }
    device->setParent(this);
    m_configuredDevices.append(device);
    const DeviceSettings &s = device->settings();
    ui->configured_list->addItem(makeEntry(s.deviceName.isEmpty() ? s.deviceNumber : s.deviceName,
                                           s.interfaceAddress, s.tcpPort, DeviceSettings::Lan,
                                           s.deviceNumber));
    if (ui->configured_list->count() >= MaxDevices)
        setAddEnabled(false);
}

void ProjectManager::slotProjectListConfirm()
{
    QList<ConfiguredDevice *> result;
    for (int i = 0; i < ui->configured_list->count(); ++i) {
        QListWidgetItem *item = ui->configured_list->item(i);
        const QString number = item->data(Qt::ToolTipRole).toString();
        if (ConfiguredDevice *device = configured(number)) {
            result.append(device);
            continue;
        }
        const AvailableDevice *available = found(number);
        if (!available) {
            qCDebug(lcPanels).noquote().nospace()
                << "slotProjectListConfirm [" << number << "] is not found";
            continue;
        }
        QString name = item->text().section(QLatin1Char('['), 0, 0);
        name.remove(QLatin1Char(' '));
        name.remove(QLatin1Char('\t'));
        if (name == number)
            name.clear();
        auto *device = new ConfiguredDevice(number, available->interfaceType, this);
        device->setDeviceInfo(name, QStringLiteral("CH1"), QStringLiteral("CH2"),
                              available->address, available->port);
        // Owned by the panel until the receiver takes it over.
        m_configuredDevices.append(device);
        result.append(device);
    }
    qCDebug(lcPanels) << "############# slotProjectListConfirm :" << result.size();
    if (result.isEmpty()) {
        MessageDialog::showTransient(
            QStringLiteral("INFORMATION"),
            QStringLiteral("You must select at least one device.\nPlease retry."), this);
        return;
    }
    emit projectListConfirm(result);
}
