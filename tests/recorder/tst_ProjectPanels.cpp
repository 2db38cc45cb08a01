#include "OpenMessages.h"
#include "device/AvailableDevice.h"
#include "device/ConfiguredDevice.h"
#include "device/RecorderInterval.h"
#include "dialogs/ManualConfigDeviceDialog.h"
#include "dialogs/NetworkSettingDialog.h"
#include "dialogs/SensingOptionTelnetDialog.h"
#include "dialogs/SensingOptionUsbDialog.h"
#include "display/ChartView.h"
#include "display/DashBoard.h"
#include "panels/ProjectCenter.h"
#include "panels/ProjectList.h"
#include "panels/ProjectManager.h"
#include "widgets/MessageDialog.h"

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

namespace {

QStringList numbers(QListWidget *list)
{
    QStringList result;
    for (int i = 0; i < list->count(); ++i)
        result << list->item(i)->data(Qt::ToolTipRole).toString();
    return result;
}

// Found devices: USB "U<i>" on ttyACM<i>, LAN "L<i>" on 127.0.0.<i>.
QList<AvailableDevice *> foundDevices(int usb, int lan)
{
    QList<AvailableDevice *> list;
    for (int i = 0; i < usb; ++i)
        list << new AvailableDevice{QStringLiteral("U%1").arg(i), QStringLiteral("ttyACM%1").arg(i),
                                    23, 1};
    for (int i = 0; i < lan; ++i)
        list << new AvailableDevice{QStringLiteral("L%1").arg(i),
                                    QStringLiteral("127.0.0.%1").arg(i + 1), 2323, 2};
    return list;
}

void select(QListWidget *list, const QStringList &wanted)
{
    list->clearSelection();
    for (int i = 0; i < list->count(); ++i) {
        if (wanted.contains(list->item(i)->data(Qt::ToolTipRole).toString()))
            list->item(i)->setSelected(true);
    }
}

} // namespace

class TestProjectPanels : public QObject
{
    Q_OBJECT
private:
    QList<AvailableDevice *> m_found;

private slots:
    void initTestCase()
    {
        Q_INIT_RESOURCE(moravin);
        qRegisterMetaType<QList<ConfiguredDevice *>>();
    }
    void init() { RecorderInterval::setCurrent(10000); }
    void cleanup()
    {
        qDeleteAll(m_found);
        m_found.clear();
        for (MessageDialog *d : OpenMessages::all())
            d->close();
    }

    void entriesShowLabelAddressIconAndNumber()
    {
        ProjectManager panel;
        QCOMPARE(panel.windowTitle(), QStringLiteral("ProjectManager"));
        m_found = foundDevices(1, 1);
        panel.setAvailDeviceList(m_found);
        auto *left = panel.findChild<QListWidget *>("availlable_list");
        QCOMPARE(left->count(), 2);
        QCOMPARE(left->item(0)->text(), QStringLiteral("U0\t[ttyACM0]"));
        QCOMPARE(left->item(1)->text(), QStringLiteral("L0\t[127.0.0.1:2323]"));
        QCOMPARE(left->item(1)->data(Qt::ToolTipRole).toString(), QStringLiteral("L0"));
        QVERIFY(!left->item(0)->icon().isNull());
        QCOMPARE(panel.findChild<QLabel *>("label_interval")->text(), QStringLiteral("10 sec"));

        ConfiguredDevice named("L7", 2);
        named.setDeviceInfo("Freezer", "t", "h", "127.0.0.9", 23);
        ConfiguredDevice unnamed("U7", 1);
        unnamed.setDeviceInfo("", "", "", "ttyUSB3", 23);
        panel.setConfiguredDeviceList({&named, &unnamed});
        auto *right = panel.findChild<QListWidget *>("configured_list");
        QCOMPARE(right->item(0)->text(), QStringLiteral("Freezer\t[127.0.0.9:23]"));
        QCOMPARE(right->item(1)->text(), QStringLiteral("U7\t[ttyUSB3]"));
    }

    void addRemoveAndTheSixteenDeviceLimit()
    {
        ProjectManager panel;
        m_found = foundDevices(8, 10);
        panel.setAvailDeviceList(m_found);
        auto *left = panel.findChild<QListWidget *>("availlable_list");
        auto *right = panel.findChild<QListWidget *>("configured_list");
        auto *add = panel.findChild<QPushButton *>("btn_add");
        auto *manual = panel.findChild<QPushButton *>("btn_manual");

        // Moved in selection order; the 16th move disables adding and stops.
        QStringList all = numbers(left);
        select(left, all);
        QTest::mouseClick(add, Qt::LeftButton);
        QCOMPARE(right->count(), 16);
        QCOMPARE(left->count(), 2);
        QVERIFY(!add->isEnabled());
        QVERIFY(!manual->isEnabled());
        // With 16 on the right a double click leaves the entry where it is.
        emit left->itemDoubleClicked(left->item(0));
        QCOMPARE(left->count(), 2);
        QCOMPARE(right->count(), 16);
        QVERIFY(!add->isEnabled());
        panel.slotProjectAddDevice();
        QCOMPARE(right->count(), 16);

        // Removing one enables both again; a found device goes back to the left.
        select(right, {"L3"});
        QTest::mouseClick(panel.findChild<QPushButton *>("btn_remove"), Qt::LeftButton);
        QCOMPARE(right->count(), 15);
        QVERIFY(numbers(left).contains("L3"));
        QVERIFY(add->isEnabled());
        QVERIFY(manual->isEnabled());
        emit left->itemDoubleClicked(left->item(0));
        QCOMPARE(right->count(), 16);
        QVERIFY(!add->isEnabled() && !manual->isEnabled());

        // A new search never lists what is already on the right.
        panel.setAvailDeviceList(m_found);
        QCOMPARE(left->count(), 2);
        for (const QString &n : numbers(left))
            QVERIFY(!numbers(right).contains(n));
    }

    void manualDevicesAreCheckedAndDroppedWhenRemoved()
    {
        ProjectManager panel;
        m_found = foundDevices(0, 1);
        panel.setAvailDeviceList(m_found);
        auto *right = panel.findChild<QListWidget *>("configured_list");
        auto *typed = new ConfiguredDevice("00AA11BB22CC", 2);
        typed->setDeviceInfo("Hall", "CH1", "CH2", "127.0.0.40", 2323);
        panel.slotManualConfigDevice(typed);
        QCOMPARE(numbers(right), QStringList{"00AA11BB22CC"});
        QCOMPARE(right->item(0)->text(), QStringLiteral("Hall\t[127.0.0.40:2323]"));

        // The same number again is refused with the message and not kept.
        auto *again = new ConfiguredDevice("00AA11BB22CC", 2);
        QPointer<ConfiguredDevice> watch(again);
        panel.slotManualConfigDevice(again);
        QCOMPARE(right->count(), 1);
        QVERIFY(!watch);
        const auto messages = OpenMessages::all();
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages.at(0)->title(), QStringLiteral("ERROR"));
        QCOMPARE(messages.at(0)->text(), QStringLiteral("the Mac Address is exist."));

        // A manual device is in no search result: removing drops it from both lists.
        QPointer<ConfiguredDevice> kept(typed);
        select(right, {"00AA11BB22CC"});
        panel.slotProjectRemoveDevice();
        QCOMPARE(right->count(), 0);
        QCOMPARE(numbers(panel.findChild<QListWidget *>("availlable_list")), QStringList{"L0"});
        QTRY_VERIFY(!kept);
    }

    void confirmingBuildsDevicesOrAsksForOne()
    {
        ProjectManager panel;
        QSignalSpy confirmed(&panel, &ProjectManager::projectListConfirm);
        panel.slotProjectListConfirm();
        QCOMPARE(confirmed.count(), 0);
        const auto messages = OpenMessages::all();
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages.at(0)->title(), QStringLiteral("INFORMATION"));
        QCOMPARE(messages.at(0)->text(),
                 QStringLiteral("You must select at least one device.\nPlease retry."));

        ConfiguredDevice existing("U9", 1);
        existing.setDeviceInfo("Old", "a", "b", "ttyACM9", 23);
        panel.setConfiguredDeviceList({&existing});
        m_found = foundDevices(1, 1);
        panel.setAvailDeviceList(m_found);
        auto *left = panel.findChild<QListWidget *>("availlable_list");
        select(left, numbers(left));
        panel.slotProjectAddDevice();
        panel.slotProjectListConfirm();
        QCOMPARE(confirmed.count(), 1);
        const auto list = confirmed.at(0).at(0).value<QList<ConfiguredDevice *>>();
        QCOMPARE(list.size(), 3);
        QCOMPARE(list.at(0), &existing);
        QCOMPARE(list.at(1)->settings().deviceNumber, QStringLiteral("U0"));
        QCOMPARE(list.at(1)->settings().deviceInterface, 1);
        QCOMPARE(list.at(1)->settings().interfaceAddress, QStringLiteral("ttyACM0"));
        // The entry label is the number itself, so the device stays unnamed.
        QCOMPARE(list.at(1)->settings().deviceName, QString());
        QCOMPARE(list.at(1)->settings().ch1Name, QStringLiteral("CH1"));
        QCOMPARE(list.at(2)->settings().deviceInterface, 2);
        QCOMPARE(list.at(2)->settings().tcpPort, quint16(2323));
        QCOMPARE(list.at(2)->settings().ch2Name, QStringLiteral("CH2"));
    }

    void intervalChoiceTakesEffectAtOnceUnlessLocked()
    {
        ProjectManager panel;
        QMenu *menu = panel.intervalMenu();
        QCOMPARE(menu->title(), QStringLiteral("Interval"));
        QStringList texts;
        for (QAction *a : menu->actions())
            texts << a->text() + "=" + a->data().toString() + (a->isChecked() ? "*" : "");
        QCOMPARE(texts, (QStringList{"1 sec=1000", "5 sec=5000", "10 sec=10000*", "1 min=60000",
                                     "5 min=300000", "10 min=600000"}));
        menu->actions().at(4)->trigger();
        QCOMPARE(RecorderInterval::current(), 300000);
        QCOMPARE(panel.findChild<QLabel *>("label_interval")->text(), QStringLiteral("5 min"));
        int checked = 0;
        for (QAction *a : menu->actions())
            checked += a->isChecked() ? 1 : 0;
        QCOMPARE(checked, 1);

        panel.setIntervalLocked(true);
        QVERIFY(!panel.findChild<QPushButton *>("btn_timeInterval")->isEnabled());
        QVERIFY(!menu->isEnabled());
        QSignalSpy refresh(&panel, &ProjectManager::refreshAvailDeviceList);
        QTest::mouseClick(panel.findChild<QPushButton *>("pushButton_refresh"), Qt::LeftButton);
        QCOMPARE(refresh.count(), 1);
    }

    void projectListShowsConnectionAndNames()
    {
        ProjectList list;
        ConfiguredDevice a("KV1", 1);
        a.setDeviceInfo("", "", "", "ttyACM0", 23);
        ConfiguredDevice b("001EC0", 2);
        b.setDeviceInfo("Cold room", "", "", "127.0.0.3", 23);
        list.setDevices({&a, &b});
        auto *entries = list.findChild<QListWidget *>("list_project");
        QCOMPARE(entries->count(), 2);
        QCOMPARE(entries->item(0)->text(), QStringLiteral("KV1"));
        QCOMPARE(entries->item(1)->text(), QStringLiteral("Cold room"));
        QCOMPARE(entries->item(1)->toolTip(), QStringLiteral("127.0.0.3"));

        const QImage disconnected = entries->item(0)->icon().pixmap(16).toImage();
        list.onDeviceConnected("KV1");
        QVERIFY(entries->item(0)->icon().pixmap(16).toImage() != disconnected);
        QCOMPARE(entries->item(1)->icon().pixmap(16).toImage(), disconnected);
        list.onDeviceDisconnected("KV1");
        QCOMPARE(entries->item(0)->icon().pixmap(16).toImage(), disconnected);

        b.setDeviceInfo("Freezer", b.settings().ch1Name, b.settings().ch2Name, "127.0.0.4",
                        b.settings().tcpPort);
        list.refreshNames();
        QCOMPARE(entries->item(1)->text(), QStringLiteral("Freezer"));
        QCOMPARE(entries->item(1)->toolTip(), QStringLiteral("127.0.0.4"));

        QSignalSpy device(&list, qOverload<ConfiguredDevice *>(&ProjectList::deviceClicked));
        QSignalSpy dashboard(&list, &ProjectList::dashboardClicked);
        emit entries->itemClicked(entries->item(1));
        QCOMPARE(device.at(0).at(0).value<ConfiguredDevice *>(), &b);
        list.selectDevice(&b);
        QVERIFY(entries->item(1)->isSelected());
        QTest::mouseClick(list.findChild<QPushButton *>("button_project"), Qt::LeftButton);
        QCOMPARE(dashboard.count(), 1);
        QVERIFY(entries->selectedItems().isEmpty());
        a.clearListItem();
        b.clearListItem();
    }

    void projectCenterSwitchesBetweenDashboardAndDevice()
    {
        ProjectCenter center("/tmp/Lab.qpj");
        QCOMPARE(center.projectName(), QStringLiteral("Lab"));
        ConfiguredDevice a("KV1", 1);
        ConfiguredDevice b("KV2", 2);
        center.setDevices({&a, &b});
        QVERIFY(center.isDashboardShown());
        QCOMPARE(center.dashBoard()->tiles().size(), 4);

        center.slotDeviceClicked(&a);
        QVERIFY(!center.isDashboardShown());
        QCOMPARE(center.shownDevice(), &a);
        QCOMPARE(center.chartView()->device(), &a);
        QVERIFY(center.chartView()->isVisibleTo(&center));
        QVERIFY(!center.dashBoard()->isVisibleTo(&center));

        // The shown device again changes nothing; another one moves the panel.
        center.slotDeviceClicked(&a);
        QCOMPARE(center.chartView()->device(), &a);
        center.slotDeviceClicked(nullptr);
        QCOMPARE(center.shownDevice(), &a);
        center.slotDeviceClicked(&b);
        QCOMPARE(center.chartView()->device(), &b);

        center.slotDashboardClicked();
        QVERIFY(center.isDashboardShown());
        QVERIFY(!center.chartView()->device());
        QVERIFY(center.dashBoard()->isVisibleTo(&center));
        // After the dashboard the same device is attached again.
        center.slotDeviceClicked(&b);
        QCOMPARE(center.chartView()->device(), &b);

        QSignalSpy update(&center, &ProjectCenter::updateProjectFile);
        b.setAlarmLimits(10, 20, b.settings().ch2Min, b.settings().ch2Max);
        b.ch1Value = "25.00";
        b.setDeviceInfo("Renamed", b.settings().ch1Name, b.settings().ch2Name,
                        b.settings().interfaceAddress, b.settings().tcpPort);
        center.slotSensingConfirm();
        QVERIFY(b.ch1Alarm);
        QCOMPARE(update.count(), 1);
        QCOMPARE(center.chartView()->findChild<QLabel *>("label_device")->text(),
                 QStringLiteral("Renamed"));
        for (ConfiguredDevice *d : {&a, &b}) {
            d->clearListItem();
            d->clearChartView();
            d->clearDashItems();
        }
    }

    void recordStateTextsAndDatabaseSize()
    {
        ProjectCenter center("/tmp/Lab.qpj");
        QSignalSpy record(&center, &ProjectCenter::clickRecord);
        QTest::mouseClick(center.findChild<QPushButton *>("btn_record"), Qt::LeftButton);
        QCOMPARE(record.count(), 1);

        auto *start = center.findChild<QLabel *>("label_record_starttime");
        auto *to = center.findChild<QLabel *>("label_to");
        auto *end = center.findChild<QLabel *>("label_record_endtime");
        center.setRecordPeriod(QString(), QString());
        center.setRecordState(true);
        const QString first = center.recordStartText();
        QVERIFY(QDateTime::fromString(first, "yyyy-MM-dd hh:mm:ss").isValid());
        QCOMPARE(to->text(), QStringLiteral("~"));
        QVERIFY(start->styleSheet().contains("rgb(255,255,147)"));
        center.setRecordEnd("2030-01-01 00:00:00");
        QCOMPARE(center.recordEndText(), QStringLiteral("2030-01-01 00:00:00"));
        center.setRecordState(false);
        QVERIFY(to->text().isEmpty());
        QVERIFY(end->styleSheet().contains("rgb(192,192,192)"));
        QVERIFY(QDateTime::fromString(center.recordEndText(), "yyyy-MM-dd hh:mm:ss").isValid());
        // A second recording keeps the first start.
        center.setRecordState(true);
        QCOMPARE(center.recordStartText(), first);

        auto *bytes = center.findChild<QLabel *>("label_record_bytes");
        center.setDatabaseSize(3221225472LL);
        QCOMPARE(bytes->text(), QStringLiteral("Database 3072.00MB"));
        QVERIFY(bytes->styleSheet().contains("rgb(230,80,80)"));
        center.setDatabaseSize(3221225471LL);
        QVERIFY(bytes->styleSheet().contains("rgb(192,192,192)"));
    }

    void optionsAndNetworkOpenTheDialogOfTheShownDevice()
    {
        ProjectCenter center("/tmp/Lab.qpj");
        ConfiguredDevice usb("KV1", 1);
        usb.setDeviceInfo("Fridge", "t", "h", "ttyACM0", 23);
        ConfiguredDevice lan("001EC0", 2);
        lan.setDeviceInfo("Hall", "t", "h", "127.0.0.9", 23);
        center.setDevices({&usb, &lan});
        // Without a shown device there is nothing to edit.
        center.slotPopupSensingOption();
        center.slotNetworkSetting();
        QVERIFY(center.findChildren<QDialog *>().isEmpty());

        center.slotDeviceClicked(&usb);
        center.slotNetworkSetting();
        QVERIFY(!center.findChild<NetworkSettingDialog *>());
        QTest::mouseClick(center.chartView()->findChild<QPushButton *>("btn_setting"),
                          Qt::LeftButton);
        auto *usbDialog = center.findChild<SensingOptionUsbDialog *>();
        QVERIFY(usbDialog);
        QSignalSpy update(&center, &ProjectCenter::updateProjectFile);
        emit usbDialog->sensingConfirm();
        QCOMPARE(update.count(), 1);
        usbDialog->slotReject();

        center.slotDeviceClicked(&lan);
        center.slotPopupSensingOption();
        QVERIFY(center.findChild<SensingOptionTelnetDialog *>());
        QTest::mouseClick(center.chartView()->findChild<QPushButton *>("btn_network"),
                          Qt::LeftButton);
        QVERIFY(center.findChild<NetworkSettingDialog *>());
        for (ConfiguredDevice *d : {&usb, &lan}) {
            d->clearListItem();
            d->clearChartView();
            d->clearDashItems();
        }
    }

    void manualAddOpensTheEntryDialog()
    {
        ProjectManager panel;
        QTest::mouseClick(panel.findChild<QPushButton *>("btn_manual"), Qt::LeftButton);
        auto *dialog = panel.findChild<ManualConfigDeviceDialog *>();
        QVERIFY(dialog);
        auto *device = new ConfiguredDevice("00AA11BB22CC", 2);
        emit dialog->ManualConfigDeviceConfirm(device);
        QCOMPARE(numbers(panel.findChild<QListWidget *>("configured_list")),
                 QStringList{"00AA11BB22CC"});
    }
};

QTEST_MAIN(TestProjectPanels)
#include "tst_ProjectPanels.moc"
