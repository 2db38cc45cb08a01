#include "ProjectCenter.h"

#include "ConfiguredDevice.h"
#include "EventsView.h"
#include "NotificationDialog.h"
#include "ProjectList.h"
#include "SecretStore.h"
#include "control/DatabaseSize.h"
#include "core/ProjectFile.h"
#include "dialogs/NetworkSettingDialog.h"
#include "dialogs/SensingOptionTelnetDialog.h"
#include "dialogs/SensingOptionUsbDialog.h"
#include "display/ChartView.h"
#include "display/DashBoard.h"
#include "ui_ProjectCenter.h"

#include <QDateTime>
#include <QFileInfo>
#include <QStyle>
#include <QVBoxLayout>

namespace {
const QString kTimeFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss");
const QString kRecordingStyle =
    QStringLiteral("color:rgb(255,255,147);background-color:transparent;");
const QString kIdleStyle = QStringLiteral("color:rgb(192,192,192);background-color:transparent;");
const QString kWarningStyle = QStringLiteral("color:rgb(230,80,80);background-color:transparent;");
} // namespace

ProjectCenter::ProjectCenter(const QString &projectFile, QWidget *parent)
    : QWidget(parent), ui(std::make_unique<Ui::ProjectCenter>()),
      m_recordIcon(QStringLiteral(":/img/RecordButton.png")),
      m_stopIcon(QStringLiteral(":/img/RecordStopButton.png")), m_projectFile(projectFile),
      m_projectName(QFileInfo(projectFile).completeBaseName())
{
    ui->setupUi(this);
    m_projectList = new ProjectList(ui->widget_list);
    auto *listLayout = new QVBoxLayout(ui->widget_list);
    listLayout->setContentsMargins(0, 0, 0, 0);
    listLayout->addWidget(m_projectList);

    m_dashBoard = new DashBoard(ui->widget_board);
    m_chartView = new ChartView(ui->widget_board);
    m_chartView->hide();
    m_eventsView = new EventsView(ui->widget_board);
    m_eventsView->hide();
    m_boardLayout = new QVBoxLayout(ui->widget_board);
    m_boardLayout->setContentsMargins(0, 0, 0, 0);
    m_boardLayout->setSpacing(0);
    m_boardLayout->addWidget(m_dashBoard);

    connect(ui->btn_record, &QPushButton::clicked, this, &ProjectCenter::slotRecord);
    connect(ui->btn_notifications, &QPushButton::clicked, this, &ProjectCenter::slotNotifications);
    connect(ui->btn_acknowledge, &QPushButton::clicked, this, &ProjectCenter::clickAcknowledge);
    connect(ui->btn_events, &QPushButton::toggled, this, &ProjectCenter::showEvents);
    connect(m_projectList, &ProjectList::dashboardClicked, this,
            &ProjectCenter::slotDashboardClicked);
    connect(m_projectList, qOverload<ConfiguredDevice *>(&ProjectList::deviceClicked), this,
            &ProjectCenter::slotDeviceClicked);
    connect(m_dashBoard, &DashBoard::deviceClicked, this, &ProjectCenter::slotDeviceClicked);
    connect(m_chartView, &ChartView::popupSensingOption, this,
            &ProjectCenter::slotPopupSensingOption);
    connect(m_chartView, &ChartView::popupNetworkSetting, this, &ProjectCenter::slotNetworkSetting);
}

ProjectCenter::~ProjectCenter() = default;

void ProjectCenter::setDevices(const QList<ConfiguredDevice *> &devices)
{
    m_devices = devices;
    m_projectList->setDevices(devices);
    m_dashBoard->setDevices(devices);
}

void ProjectCenter::showInBoard(QWidget *shown)
{
    for (QWidget *board : {static_cast<QWidget *>(m_dashBoard), static_cast<QWidget *>(m_chartView),
                           static_cast<QWidget *>(m_eventsView)}) {
        if (board != shown) {
            m_boardLayout->removeWidget(board);
            board->hide();
        }
    }
    m_boardLayout->addWidget(shown);
    shown->show();
}

void ProjectCenter::showEvents(bool on)
{
    if (ui->btn_events->isChecked() != on) {
        ui->btn_events->setChecked(on); // comes back here through toggled
        return;
    }
    if (on)
        showInBoard(m_eventsView);
    else
        showInBoard(m_dashboardShown ? static_cast<QWidget *>(m_dashBoard) : m_chartView);
}

bool ProjectCenter::isEventsShown() const
{
    return ui->btn_events->isChecked();
}

void ProjectCenter::setEventLog(const QString &databasePath, const QList<DeviceSettings> &devices)
{
    m_eventsView->setDevices(devices);
    m_eventsView->setDatabasePath(databasePath);
}

void ProjectCenter::refreshEvents()
{
    if (m_eventsView->isVisible())
        m_eventsView->refresh();
}

void ProjectCenter::setUnacknowledgedAlarm(bool on)
{
    ui->btn_acknowledge->setEnabled(on);
    ui->btn_acknowledge->setProperty("alarm", on);
    // The style sheet's property selector is only applied on a new polish.
    ui->btn_acknowledge->style()->unpolish(ui->btn_acknowledge);
    ui->btn_acknowledge->style()->polish(ui->btn_acknowledge);
}

bool ProjectCenter::hasUnacknowledgedAlarm() const
{
    return ui->btn_acknowledge->property("alarm").toBool();
}

void ProjectCenter::slotRecord()
{
    emit clickRecord();
}

void ProjectCenter::slotDashboardClicked()
{
    m_chartView->clearView();
    m_dashboardShown = true;
    if (m_shownDevice)
        m_shownDevice->clearChartView();
    ui->btn_events->setChecked(false);
    showInBoard(m_dashBoard);
    m_dashBoard->refreshTiles();
}

void ProjectCenter::slotDeviceClicked(ConfiguredDevice *device)
{
    if (!device || (!m_dashboardShown && device == m_shownDevice && !isEventsShown()))
        return;
    {
        const QSignalBlocker block(ui->btn_events);
        ui->btn_events->setChecked(false);
    }
    if (m_shownDevice)
        m_shownDevice->clearChartView();
    m_shownDevice = device;
    m_projectList->selectDevice(device);
    m_dashboardShown = false;
    showInBoard(m_chartView);
    m_chartView->clearView();
    m_chartView->setDevice(device);
    device->setChartView(m_chartView);
}

void ProjectCenter::slotPopupSensingOption()
{
    if (!m_shownDevice)
        return;
    QDialog *dialog = nullptr;
    if (m_shownDevice->settings().deviceInterface == DeviceSettings::Usb) {
        auto *usb = new SensingOptionUsbDialog(m_shownDevice, this);
        connect(usb, &SensingOptionUsbDialog::sensingConfirm, this,
                &ProjectCenter::slotSensingConfirm);
        dialog = usb;
    } else if (m_shownDevice->settings().deviceInterface == DeviceSettings::Lan) {
        auto *lan = new SensingOptionTelnetDialog(m_shownDevice, this);
        connect(lan, &SensingOptionTelnetDialog::sensingConfirm, this,
                &ProjectCenter::slotSensingConfirm);
        dialog = lan;
    }
    if (dialog)
        dialog->open();
}

void ProjectCenter::slotNetworkSetting()
{
    if (m_shownDevice && m_shownDevice->settings().deviceInterface == DeviceSettings::Lan)
        (new NetworkSettingDialog(m_shownDevice, this))->open();
}

void ProjectCenter::slotSensingConfirm()
{
    if (!m_shownDevice)
        return;
    m_shownDevice->checkAlarmAll();
    m_projectList->refreshNames();
    m_chartView->updateDeviceInfo();
    emit updateProjectFile();
}

void ProjectCenter::slotNotifications()
{
    if (!m_secrets)
        m_secrets = std::make_unique<SecretStore>();
    auto *dialog = new NotificationDialog(m_projectFile, ProjectFile(m_projectFile).projectName(),
                                          m_secrets.get(), this);
    connect(dialog, &NotificationDialog::settingsConfirmed, this,
            &ProjectCenter::notificationsChanged);
    dialog->open();
}

void ProjectCenter::setRecordState(bool recording)
{
    const QString now = QDateTime::currentDateTime().toString(kTimeFormat);
    if (ui->label_record_starttime->text().isEmpty())
        ui->label_record_starttime->setText(now);
    const QString &style = recording ? kRecordingStyle : kIdleStyle;
    for (QLabel *label : {ui->label_record_starttime, ui->label_to, ui->label_record_endtime})
        label->setStyleSheet(style);
    if (recording) {
        ui->label_to->setText(QStringLiteral("~"));
        ui->btn_record->setIcon(m_stopIcon);
    } else {
        ui->label_record_endtime->setText(now);
        ui->label_to->clear();
        ui->btn_record->setIcon(m_recordIcon);
    }
}

void ProjectCenter::setRecordPeriod(const QString &start, const QString &end)
{
    ui->label_record_starttime->setText(start);
    ui->label_record_endtime->setText(end);
}

void ProjectCenter::setRecordEnd(const QString &end)
{
    ui->label_record_endtime->setText(end);
}

void ProjectCenter::setDatabaseSize(qint64 bytes)
{
    ui->label_record_bytes->setText(DatabaseSize::text(bytes));
    ui->label_record_bytes->setStyleSheet(DatabaseSize::isWarning(bytes) ? kWarningStyle
                                                                         : kIdleStyle);
}

void ProjectCenter::setEmptySlotsVisible(bool visible)
{
    m_dashBoard->setEmptySlotsVisible(visible);
}

QString ProjectCenter::recordStartText() const
{
    return ui->label_record_starttime->text();
}

QString ProjectCenter::recordEndText() const
{
    return ui->label_record_endtime->text();
}
