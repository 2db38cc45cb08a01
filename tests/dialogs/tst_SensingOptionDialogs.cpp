#include "ConfiguredDevice.h"
#include "FormWidgets.h"
#include "OpenMessages.h"
#include "SensingOptionTelnetDialog.h"
#include "SensingOptionUsbDialog.h"
#include "widgets/MessageDialog.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

using FormWidgets::child;

// Both sensing options dialogs through their widgets, with devices that are
// not reached over the wire (the LAN dialogue itself is tst_SensingDialogue).
class tst_SensingOptionDialogs : public QObject
{
    Q_OBJECT
private slots:
    void cleanup();
    void fieldsShowTheDevice();
    void unitBoxes();
    void customUnitPolicy();
    void limitsEditableOnlyWhenConnected();
    void validation_data();
    void validation();
    void usbConfirmStoresEverything();
    void untouchedLimitsKeepTheirExactValue();
    void buzzerBox();
    void lanWithoutChangeClosesWithoutDialogue();
    void lanChangeAfterConnectionLoss();
    void closingDeletesTheDialog();
    void deviceDeletedUnderTheDialog();

private:
    static void fill(ConfiguredDevice &device);
};

void tst_SensingOptionDialogs::cleanup()
{
    // Dialogs delete themselves later; let that happen between cases.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void tst_SensingOptionDialogs::fill(ConfiguredDevice &device)
{
    device.setDeviceInfo(QStringLiteral("Cold room"), QStringLiteral("Temp"), QStringLiteral("Hum"),
                         QStringLiteral("/dev/ttyACM0"), 23);
    device.setUnits(1, 3);
    device.setAlarmLimits(2, 8, 30, 70);
}

void tst_SensingOptionDialogs::fieldsShowTheDevice()
{
    ConfiguredDevice usb(QStringLiteral("KV2100334"), 1);
    fill(usb);
    auto *dialog = new SensingOptionUsbDialog(&usb);
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Moravin Lite"));
    QCOMPARE(child<QLabel>(dialog, "label_deviceNumber")->text(), QStringLiteral("KV2100334"));
    QCOMPARE(child<QLabel>(dialog, "label_numberCaption")->text(), QStringLiteral("SERIAL NUMBER"));
    QCOMPARE(child<QLineEdit>(dialog, "lineEdit_deviceName")->text(), QStringLiteral("Cold room"));
    QCOMPARE(child<QLineEdit>(dialog, "lineEdit_ch1Name")->text(), QStringLiteral("Temp"));
    QCOMPARE(child<QLineEdit>(dialog, "lineEdit_ch2Name")->text(), QStringLiteral("Hum"));
    QCOMPARE(child<QComboBox>(dialog, "comboBox_ch1Unit")->currentText(),
             QStringLiteral("Temperature(C)"));
    QCOMPARE(child<QComboBox>(dialog, "comboBox_ch2Unit")->currentText(),
             QStringLiteral("Humidity"));
    const QStringList limitBoxes = {"doubleSpinBox_ch1Min", "doubleSpinBox_ch1Max",
                                    "doubleSpinBox_ch2Min", "doubleSpinBox_ch2Max"};
    const QList<double> limits = {2, 8, 30, 70};
    for (int i = 0; i < 4; ++i) {
        auto *box = child<QDoubleSpinBox>(dialog, qPrintable(limitBoxes.at(i)));
        QCOMPARE(box->value(), limits.at(i));
        QCOMPARE(box->minimum(), -10000000.0);
        QCOMPARE(box->maximum(), 10000000.0);
        QCOMPARE(box->decimals(), 2);
        QCOMPARE(box->singleStep(), 1.0);
    }
    delete dialog;
}

void tst_SensingOptionDialogs::unitBoxes()
{
    ConfiguredDevice device(QStringLiteral("KV1"), 1);
    fill(device);
    device.setCustomUnits(QStringLiteral("ppm CO2"), QString());
    device.setUnits(4, 0);
    auto *dialog = new SensingOptionUsbDialog(&device);
    auto *ch1 = child<QComboBox>(dialog, "comboBox_ch1Unit");
    auto *ch2 = child<QComboBox>(dialog, "comboBox_ch2Unit");
    const QStringList texts = {"Undefined", "Temperature(C)", "Temperature(F)", "Humidity"};
    for (QComboBox *box : {ch1, ch2}) {
        QCOMPARE(box->count(), 5);
        for (int i = 0; i < 5; ++i)
            QCOMPARE(box->itemData(i).toInt(), i);
        for (int i = 0; i < 4; ++i)
            QCOMPARE(box->itemText(i), texts.at(i));
    }
    // The custom text names the fifth item; a box opened on it can be typed into.
    QCOMPARE(ch1->itemText(4), QStringLiteral("ppm CO2"));
    QCOMPARE(ch1->currentIndex(), 4);
    QVERIFY(ch1->isEditable());
    QCOMPARE(ch1->currentText(), QStringLiteral("ppm CO2"));
    QCOMPARE(ch2->itemText(4), QStringLiteral("Custom"));
    QCOMPARE(ch2->currentIndex(), 0);
    QVERIFY(!ch2->isEditable());
    delete dialog;
}

void tst_SensingOptionDialogs::customUnitPolicy()
{
    ConfiguredDevice device(QStringLiteral("KV1"), 1);
    fill(device);
    device.setCustomUnits(QString(), QStringLiteral("old"));
    auto *dialog = new SensingOptionUsbDialog(&device);
    QPointer<QDialog> guard(dialog);
    dialog->show();
    auto *ch1 = child<QComboBox>(dialog, "comboBox_ch1Unit");
    auto *ch2 = child<QComboBox>(dialog, "comboBox_ch2Unit");
    QSignalSpy confirmed(dialog, &SensingOptionUsbDialog::sensingConfirm);

    ch1->setCurrentIndex(4);
    QVERIFY(ch1->isEditable());
    QCOMPARE(ch1->lineEdit()->maxLength(), 11);
    QVERIFY(!ch2->isEditable());
    ch1->lineEdit()->selectAll();
    QTest::keyClicks(ch1->lineEdit(), QStringLiteral("micrograms/m3"));
    QCOMPARE(ch1->currentText(), QStringLiteral("micrograms/"));
    // Typing offers no completion of the standard units.
    ch1->lineEdit()->selectAll();
    QTest::keyClicks(ch1->lineEdit(), QStringLiteral("Hu"));
    QCOMPARE(ch1->currentText(), QStringLiteral("Hu"));
    QTest::keyClicks(ch1->lineEdit(), QStringLiteral("m/kg"));

    // Another unit makes the box fixed again; back on custom it is editable.
    ch2->setCurrentIndex(4);
    QVERIFY(ch2->isEditable());
    ch2->setCurrentIndex(2);
    QVERIFY(!ch2->isEditable());

    QTest::mouseClick(child<QPushButton>(dialog, "pushButton_confirm"), Qt::LeftButton);
    QCOMPARE(confirmed.count(), 1);
    QCOMPARE(device.settings().ch1Unit, 4);
    QCOMPARE(device.settings().ch1Custom, QStringLiteral("Hum/kg"));
    // A channel that is no longer custom keeps no custom text.
    QCOMPARE(device.settings().ch2Unit, 2);
    QCOMPARE(device.settings().ch2Custom, QString());
    QTRY_VERIFY(guard.isNull());
}

void tst_SensingOptionDialogs::limitsEditableOnlyWhenConnected()
{
    const char *const names[] = {"doubleSpinBox_ch1Min", "doubleSpinBox_ch1Max",
                                 "doubleSpinBox_ch2Min", "doubleSpinBox_ch2Max"};
    for (bool connected : {false, true}) {
        ConfiguredDevice usb(QStringLiteral("KV1"), 1);
        ConfiguredDevice lan(QStringLiteral("001EC01234AB"), 2);
        usb.connected = connected;
        lan.connected = connected;
        auto *usbDialog = new SensingOptionUsbDialog(&usb);
        auto *lanDialog = new SensingOptionTelnetDialog(&lan);
        for (QDialog *dialog :
             {static_cast<QDialog *>(usbDialog), static_cast<QDialog *>(lanDialog)})
            for (const char *name : names)
                QCOMPARE(child<QDoubleSpinBox>(dialog, name)->isEnabled(), connected);
        QCOMPARE(child<QComboBox>(lanDialog, "comboBox_buzzer")->isEnabled(), connected);
        // Names and units stay editable either way.
        QVERIFY(child<QLineEdit>(lanDialog, "lineEdit_deviceName")->isEnabled());
        QVERIFY(child<QComboBox>(lanDialog, "comboBox_ch1Unit")->isEnabled());
        delete usbDialog;
        delete lanDialog;
    }
}

void tst_SensingOptionDialogs::validation_data()
{
    QTest::addColumn<bool>("lan");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("message");
    for (bool lan : {false, true}) {
        const char *kind = lan ? "LAN " : "USB ";
        QTest::addRow("%sdevice name", kind) << lan << "lineEdit_deviceName"
                                             << "Enter the Device Name.";
        QTest::addRow("%schannel 1", kind) << lan << "lineEdit_ch1Name"
                                           << "Enter the Channel-1 Name.";
        QTest::addRow("%schannel 2", kind) << lan << "lineEdit_ch2Name"
                                           << "Enter the Channel-2 Name.";
    }
}

void tst_SensingOptionDialogs::validation()
{
    QFETCH(bool, lan);
    QFETCH(QString, field);
    QFETCH(QString, message);
    ConfiguredDevice device(QStringLiteral("D1"), lan ? 2 : 1);
    fill(device);
    device.connected = true;
    QDialog *dialog = lan ? static_cast<QDialog *>(new SensingOptionTelnetDialog(&device))
                          : static_cast<QDialog *>(new SensingOptionUsbDialog(&device));
    QSignalSpy confirmed(dialog, SIGNAL(sensingConfirm()));
    dialog->show();
    child<QLineEdit>(dialog, "lineEdit_ch1Name")->setText(QStringLiteral("changed"));
    child<QDoubleSpinBox>(dialog, "doubleSpinBox_ch1Min")->setValue(-3);
    child<QLineEdit>(dialog, qPrintable(field))->clear();
    QTest::mouseClick(child<QPushButton>(dialog, "pushButton_confirm"), Qt::LeftButton);

    const QList<MessageDialog *> shown = OpenMessages::ownedBy(dialog);
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.first()->title(), QStringLiteral("INFORMATION"));
    QCOMPARE(shown.first()->text(), message);
    QVERIFY(shown.first()->isVisible());
    QVERIFY(dialog->isVisible());
    QCOMPARE(confirmed.count(), 0);
    QCOMPARE(device.settings().ch1Name, QStringLiteral("Temp"));
    QCOMPARE(device.settings().ch1Min, 2.0f);
    QCOMPARE(device.syncState(), 0);
    delete dialog;
}

void tst_SensingOptionDialogs::usbConfirmStoresEverything()
{
    ConfiguredDevice device(QStringLiteral("KV1"), 1);
    fill(device);
    device.setDeviceInfo(device.settings().deviceName, device.settings().ch1Name,
                         device.settings().ch2Name, QStringLiteral("/dev/ttyACM3"), 4000);
    device.connected = true;
    auto *dialog = new SensingOptionUsbDialog(&device);
    QPointer<QDialog> guard(dialog);
    QSignalSpy confirmed(dialog, &SensingOptionUsbDialog::sensingConfirm);
    QSignalSpy accepted(dialog, &QDialog::accepted);
    dialog->show();
    child<QLineEdit>(dialog, "lineEdit_deviceName")->setText(QStringLiteral("Freezer"));
    child<QLineEdit>(dialog, "lineEdit_ch1Name")->setText(QStringLiteral("Air"));
    child<QLineEdit>(dialog, "lineEdit_ch2Name")->setText(QStringLiteral("Door"));
    child<QComboBox>(dialog, "comboBox_ch1Unit")->setCurrentIndex(2);
    child<QComboBox>(dialog, "comboBox_ch2Unit")->setCurrentIndex(0);
    // A lower limit above the upper one is taken as entered.
    child<QDoubleSpinBox>(dialog, "doubleSpinBox_ch1Min")->setValue(30.1);
    child<QDoubleSpinBox>(dialog, "doubleSpinBox_ch1Max")->setValue(-20);
    auto *ch2Max = child<QDoubleSpinBox>(dialog, "doubleSpinBox_ch2Max");
    ch2Max->selectAll();
    QTest::keyClicks(ch2Max, QStringLiteral("55.25"));
    QTest::mouseClick(child<QPushButton>(dialog, "pushButton_confirm"), Qt::LeftButton);

    QCOMPARE(confirmed.count(), 1);
    QCOMPARE(accepted.count(), 1);
    QVERIFY(OpenMessages::ownedBy(dialog).isEmpty());
    QCOMPARE(device.settings().deviceName, QStringLiteral("Freezer"));
    QCOMPARE(device.settings().ch1Name, QStringLiteral("Air"));
    QCOMPARE(device.settings().ch2Name, QStringLiteral("Door"));
    QCOMPARE(device.settings().interfaceAddress, QStringLiteral("/dev/ttyACM3"));
    QCOMPARE(device.settings().tcpPort, quint16(23));
    QCOMPARE(device.settings().ch1Unit, 2);
    QCOMPARE(device.settings().ch2Unit, 0);
    QCOMPARE(device.settings().ch1Min, 30.1f);
    QCOMPARE(device.settings().ch1Max, -20.0f);
    QCOMPARE(device.settings().ch2Min, 30.0f);
    QCOMPARE(device.settings().ch2Max, 55.25f);
    QTRY_VERIFY(guard.isNull());
}

void tst_SensingOptionDialogs::untouchedLimitsKeepTheirExactValue()
{
    // A project file edited by hand may hold more than two decimals.
    ConfiguredDevice usb(QStringLiteral("KV1"), 1);
    fill(usb);
    usb.setAlarmLimits(20.125f, 8, 30, 70.0049f);
    usb.connected = true;
    auto *dialog = new SensingOptionUsbDialog(&usb);
    QCOMPARE(child<QDoubleSpinBox>(dialog, "doubleSpinBox_ch1Min")->value(), 20.13);
    dialog->confirm();
    QCOMPARE(usb.settings().ch1Min, 20.125f);
    QCOMPARE(usb.settings().ch2Max, 70.0049f);

    // For a LAN device the same values are no change, so nothing is sent.
    ConfiguredDevice lan(QStringLiteral("001EC01234AB"), 2);
    fill(lan);
    lan.setAlarmLimits(20.125f, 8, 30, 70.0049f);
    lan.connected = true;
    auto *lanDialog = new SensingOptionTelnetDialog(&lan);
    QSignalSpy accepted(lanDialog, &QDialog::accepted);
    lanDialog->confirm();
    QCOMPARE(accepted.count(), 1);
    QCOMPARE(lan.syncState(), 0);
    QCOMPARE(lan.settings().ch1Min, 20.125f);
}

void tst_SensingOptionDialogs::buzzerBox()
{
    ConfiguredDevice device(QStringLiteral("001EC01234AB"), 2);
    fill(device);
    device.setBuzzerAlarm(QStringLiteral("CH2"));
    auto *dialog = new SensingOptionTelnetDialog(&device);
    auto *box = child<QComboBox>(dialog, "comboBox_buzzer");
    QCOMPARE(box->count(), 5);
    const QStringList words = {"OFF", "CH1", "CH2", "OR", "AND"};
    for (int i = 0; i < 5; ++i)
        QCOMPARE(box->itemText(i), words.at(i));
    QCOMPARE(box->currentText(), QStringLiteral("CH2"));
    delete dialog;

    // A word from elsewhere is shown as it is and, left alone, is no change.
    device.setBuzzerAlarm(QStringLiteral("ON"));
    dialog = new SensingOptionTelnetDialog(&device);
    QPointer<QDialog> guard(dialog);
    box = child<QComboBox>(dialog, "comboBox_buzzer");
    QCOMPARE(box->currentText(), QStringLiteral("ON"));
    QCOMPARE(box->count(), 6);
    dialog->confirm();
    QCOMPARE(device.settings().buzzerAlarm, QStringLiteral("ON"));
    QCOMPARE(device.syncState(), 0);
    QTRY_VERIFY(guard.isNull());
}

void tst_SensingOptionDialogs::lanWithoutChangeClosesWithoutDialogue()
{
    ConfiguredDevice device(QStringLiteral("001EC01234AB"), 2);
    fill(device);
    device.setDeviceInfo(device.settings().deviceName, device.settings().ch1Name,
                         device.settings().ch2Name, QStringLiteral("127.0.0.1"), 2424);
    auto *dialog = new SensingOptionTelnetDialog(&device);
    QPointer<QDialog> guard(dialog);
    QSignalSpy confirmed(dialog, &SensingOptionTelnetDialog::sensingConfirm);
    QSignalSpy accepted(dialog, &QDialog::accepted);
    dialog->show();
    child<QLineEdit>(dialog, "lineEdit_deviceName")->setText(QStringLiteral("Renamed"));
    QTest::mouseClick(child<QPushButton>(dialog, "pushButton_confirm"), Qt::LeftButton);
    QCOMPARE(confirmed.count(), 1);
    QCOMPARE(accepted.count(), 1);
    QVERIFY(OpenMessages::ownedBy(dialog).isEmpty());
    QCOMPARE(device.settings().deviceName, QStringLiteral("Renamed"));
    // A LAN device keeps its own address and port.
    QCOMPARE(device.settings().interfaceAddress, QStringLiteral("127.0.0.1"));
    QCOMPARE(device.settings().tcpPort, quint16(2424));
    QCOMPARE(device.syncState(), 0);
    QTRY_VERIFY(guard.isNull());
}

void tst_SensingOptionDialogs::lanChangeAfterConnectionLoss()
{
    ConfiguredDevice device(QStringLiteral("001EC01234AB"), 2);
    fill(device);
    device.setBuzzerAlarm(QStringLiteral("OFF"));
    device.connected = true;
    auto *dialog = new SensingOptionTelnetDialog(&device);
    QSignalSpy confirmed(dialog, &SensingOptionTelnetDialog::sensingConfirm);
    QSignalSpy accepted(dialog, &QDialog::accepted);
    dialog->show();
    child<QLineEdit>(dialog, "lineEdit_ch2Name")->setText(QStringLiteral("RH"));
    child<QComboBox>(dialog, "comboBox_buzzer")->setCurrentIndex(3);
    child<QDoubleSpinBox>(dialog, "doubleSpinBox_ch2Max")->setValue(65);
    device.connected = false;
    auto *button = child<QPushButton>(dialog, "pushButton_confirm");
    QTest::mouseClick(button, Qt::LeftButton);

    const QList<MessageDialog *> shown = OpenMessages::ownedBy(dialog);
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.first()->title(), QStringLiteral("ERROR"));
    QCOMPARE(shown.first()->text(), QStringLiteral("Loss of network connection.\nPlease retry."));
    QCOMPARE(accepted.count(), 0);
    QVERIFY(dialog->isVisible());
    QCOMPARE(button->text(), QStringLiteral("Confirm"));
    QVERIFY(button->isEnabled());
    QVERIFY(child<QDoubleSpinBox>(dialog, "doubleSpinBox_ch2Max")->isEnabled());
    QVERIFY(child<QComboBox>(dialog, "comboBox_buzzer")->isEnabled());
    // Names go at once; the alarm settings wait as pending ones.
    QCOMPARE(confirmed.count(), 1);
    QCOMPARE(device.settings().ch2Name, QStringLiteral("RH"));
    QCOMPARE(device.settings().ch2Max, 70.0f);
    QCOMPARE(device.settings().buzzerAlarm, QStringLiteral("OFF"));
    QCOMPARE(device.newCh2Max, 65.0f);
    QCOMPARE(device.newBuzzerAlarm, QStringLiteral("OR"));
    QCOMPARE(device.syncState(), 0);
    delete dialog;
}

void tst_SensingOptionDialogs::closingDeletesTheDialog()
{
    ConfiguredDevice usb(QStringLiteral("KV1"), 1);
    ConfiguredDevice lan(QStringLiteral("001EC01234AB"), 2);
    QPointer<QDialog> usbDialog = new SensingOptionUsbDialog(&usb);
    QPointer<QDialog> lanDialog = new SensingOptionTelnetDialog(&lan);
    QPointer<QDialog> escaped = new SensingOptionTelnetDialog(&lan);
    QSignalSpy rejected(usbDialog.data(), &QDialog::rejected);
    for (QDialog *dialog : {usbDialog.data(), lanDialog.data(), escaped.data()})
        dialog->show();
    QTest::mouseClick(child<QPushButton>(usbDialog, "pushButton_close"), Qt::LeftButton);
    QTest::mouseClick(child<QPushButton>(lanDialog, "pushButton_close"), Qt::LeftButton);
    QTest::keyClick(escaped, Qt::Key_Escape);
    QCOMPARE(rejected.count(), 1);
    QTRY_VERIFY(usbDialog.isNull() && lanDialog.isNull() && escaped.isNull());
}

void tst_SensingOptionDialogs::deviceDeletedUnderTheDialog()
{
    auto *usb = new ConfiguredDevice(QStringLiteral("KV1"), 1);
    auto *lan = new ConfiguredDevice(QStringLiteral("001EC01234AB"), 2);
    QPointer<QDialog> usbDialog = new SensingOptionUsbDialog(usb);
    QPointer<SensingOptionTelnetDialog> lanDialog = new SensingOptionTelnetDialog(lan);
    usbDialog->show();
    lanDialog->show();
    delete usb;
    delete lan;
    QVERIFY(!usbDialog->isVisible());
    QVERIFY(!lanDialog->isVisible());
    QTRY_VERIFY(usbDialog.isNull() && lanDialog.isNull());
}

QTEST_MAIN(tst_SensingOptionDialogs)
#include "tst_SensingOptionDialogs.moc"
