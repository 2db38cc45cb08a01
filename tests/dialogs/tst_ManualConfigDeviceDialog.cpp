#include "ConfiguredDevice.h"
#include "FormWidgets.h"
#include "ManualConfigDeviceDialog.h"
#include "NetworkSettingDialog.h"
#include "OpenMessages.h"
#include "SimulatorProcess.h"
#include "TelnetDevice.h"
#include "widgets/IpaddrSpinBox.h"
#include "widgets/MessageDialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

#include <fcntl.h>
#include <memory>
#include <sys/resource.h>
#include <unistd.h>

using FormWidgets::child;

Q_DECLARE_METATYPE(ConfiguredDevice *)

namespace {
// Keeps the process at the descriptors it holds: the next one cannot be made.
class DescriptorLimit
{
public:
    DescriptorLimit()
    {
        getrlimit(RLIMIT_NOFILE, &m_saved);
        const int lowestFree = ::open("/dev/null", O_RDONLY);
        ::close(lowestFree);
        rlimit limit = m_saved;
        limit.rlim_cur = rlim_t(lowestFree);
        setrlimit(RLIMIT_NOFILE, &limit);
    }
    ~DescriptorLimit() { setrlimit(RLIMIT_NOFILE, &m_saved); }

private:
    rlimit m_saved{};
};
} // namespace

// Manual entry of a LAN device, typed into the form and opened against the
// simulator on loopback; the network info dialog.
class tst_ManualConfigDeviceDialog : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void formStartsWithDefaults();
    void badInput_data();
    void badInput();
    void focusMovesAlongTheAddress();
    void typedDeviceIsOpened_data();
    void typedDeviceIsOpened();
    void deviceThatCannotBeOpened();
    void networkInfoShowsAddressAndPort();

private:
    void typeAddress(const QString &address, int port);
    QList<MessageDialog *> messages() const { return OpenMessages::ownedBy(m_dialog); }

    SimulatorProcess *m_sim = nullptr;
    SimulatorProcess::Lan m_lan;
    QPointer<ManualConfigDeviceDialog> m_dialog;
};

void tst_ManualConfigDeviceDialog::initTestCase()
{
    qRegisterMetaType<ConfiguredDevice *>();
    m_sim = new SimulatorProcess(this);
    QVERIFY2(m_sim->start({QStringLiteral("--lan"), QStringLiteral("127.0.0.1:0/001EC01234AB"),
                           QStringLiteral("--discovery"), QStringLiteral("none")}),
             qPrintable(SimulatorProcess::binaryPath()));
    m_lan = m_sim->lan(0);
    QVERIFY(m_lan.port != 0);
}

void tst_ManualConfigDeviceDialog::init()
{
    m_dialog = new ManualConfigDeviceDialog;
    m_dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_dialog));
}

void tst_ManualConfigDeviceDialog::cleanup()
{
    delete m_dialog;
}

void tst_ManualConfigDeviceDialog::typeAddress(const QString &address, int port)
{
    const QStringList octets = address.split(QLatin1Char('.'));
    const char *const boxes[] = {"spinBox_ip1", "spinBox_ip2", "spinBox_ip3", "spinBox_ip4"};
    for (int i = 0; i < 4; ++i)
        child<IpaddrSpinBox>(m_dialog, boxes[i])->setValue(octets.at(i).toInt());
    child<QSpinBox>(m_dialog, "spinBox_port")->setValue(port);
}

void tst_ManualConfigDeviceDialog::formStartsWithDefaults()
{
    auto *mac = child<QLineEdit>(m_dialog, "lineEdit_mac");
    QCOMPARE(mac->inputMask(), QStringLiteral("HH:HH:HH:HH:HH:HH;_"));
    QCOMPARE(mac->displayText(), QStringLiteral("__:__:__:__:__:__"));
    const char *const boxes[] = {"spinBox_ip1", "spinBox_ip2", "spinBox_ip3", "spinBox_ip4"};
    const int values[] = {192, 168, 1, 2};
    for (int i = 0; i < 4; ++i) {
        auto *box = child<IpaddrSpinBox>(m_dialog, boxes[i]);
        QCOMPARE(box->value(), values[i]);
        QCOMPARE(box->minimum(), 0);
        QCOMPARE(box->maximum(), 255);
    }
    auto *port = child<QSpinBox>(m_dialog, "spinBox_port");
    QCOMPARE(port->value(), 23);
    QCOMPARE(port->minimum(), 0);
    QCOMPARE(port->maximum(), 99999);
}

void tst_ManualConfigDeviceDialog::badInput_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("mac");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("message");
    QTest::newRow("no name") << ""
                             << "001ec01234ab"
                             << "23"
                             << "Enter the Device Name.";
    QTest::newRow("no MAC") << "Lab"
                            << ""
                            << "23"
                            << "Enter the Mac Address.";
    QTest::newRow("port 0") << "Lab"
                            << "001ec01234ab"
                            << "0"
                            << "Enter the port number.";
    QTest::newRow("port 99999") << "Lab"
                                << "001ec01234ab"
                                << "99999"
                                << "The port number must be between 1 and 65535.";
}

void tst_ManualConfigDeviceDialog::badInput()
{
    QFETCH(QString, name);
    QFETCH(QString, mac);
    QFETCH(QString, port);
    QFETCH(QString, message);
    QSignalSpy confirmed(m_dialog.data(), &ManualConfigDeviceDialog::ManualConfigDeviceConfirm);
    QTest::keyClicks(child<QLineEdit>(m_dialog, "lineEdit_deviceName"), name);
    auto *macEdit = child<QLineEdit>(m_dialog, "lineEdit_mac");
    macEdit->setFocus();
    macEdit->home(false);
    QTest::keyClicks(macEdit, mac);
    auto *portBox = child<QSpinBox>(m_dialog, "spinBox_port");
    portBox->setFocus();
    portBox->selectAll();
    QTest::keyClicks(portBox, port);
    QTest::mouseClick(child<QPushButton>(m_dialog, "pushButton_confirm"), Qt::LeftButton);

    QCOMPARE(portBox->value(), port.toInt());
    QCOMPARE(messages().size(), 1);
    QCOMPARE(messages().first()->title(), QStringLiteral("INFORMATION"));
    QCOMPARE(messages().first()->text(), message);
    QCOMPARE(confirmed.count(), 0);
    QVERIFY(m_dialog->isVisible());
}

void tst_ManualConfigDeviceDialog::focusMovesAlongTheAddress()
{
    auto *ip1 = child<IpaddrSpinBox>(m_dialog, "spinBox_ip1");
    auto *ip2 = child<IpaddrSpinBox>(m_dialog, "spinBox_ip2");
    auto *ip4 = child<IpaddrSpinBox>(m_dialog, "spinBox_ip4");
    auto *port = child<QSpinBox>(m_dialog, "spinBox_port");
    ip1->setFocus();
    ip1->selectAll();
    QTest::keyClicks(ip1, QStringLiteral("10."));
    QCOMPARE(ip1->value(), 10);
    QVERIFY(ip2->hasFocus());
    QCOMPARE(ip2->findChild<QLineEdit *>()->selectedText(), QStringLiteral("168"));
    // The selected octet is replaced by what is typed next.
    QTest::keyClicks(ip2, QStringLiteral("20"));
    QCOMPARE(ip2->value(), 20);

    ip4->setFocus();
    QTest::keyClick(ip4, Qt::Key_Period);
    QVERIFY(port->hasFocus());
    QCOMPARE(port->findChild<QLineEdit *>()->selectedText(), QStringLiteral("23"));
    // The port box is the last one: a stop there goes nowhere.
    QTest::keyClick(port, Qt::Key_Period);
    QVERIFY(port->hasFocus());
    QCOMPARE(port->value(), 23);
}

void tst_ManualConfigDeviceDialog::typedDeviceIsOpened_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("deviceNumber");
    QTest::newRow("whole MAC, lower case") << "001ec01234ab"
                                           << "001EC01234AB";
    QTest::newRow("one pair and a digit") << "abc"
                                          << "ABC";
}

void tst_ManualConfigDeviceDialog::typedDeviceIsOpened()
{
    QFETCH(QString, typed);
    QFETCH(QString, deviceNumber);
    QSignalSpy confirmed(m_dialog.data(), &ManualConfigDeviceDialog::ManualConfigDeviceConfirm);
    QTest::keyClicks(child<QLineEdit>(m_dialog, "lineEdit_deviceName"), QStringLiteral("Bench"));
    auto *mac = child<QLineEdit>(m_dialog, "lineEdit_mac");
    mac->setFocus();
    mac->home(false);
    QTest::keyClicks(mac, typed);
    typeAddress(m_lan.address, m_lan.port);
    QTest::mouseClick(child<QPushButton>(m_dialog, "pushButton_confirm"), Qt::LeftButton);

    QCOMPARE(confirmed.count(), 1);
    std::unique_ptr<ConfiguredDevice> device(confirmed.first().first().value<ConfiguredDevice *>());
    QVERIFY(device);
    QVERIFY(messages().isEmpty());
    QCOMPARE(device->parent(), nullptr);
    QCOMPARE(device->settings().deviceNumber, deviceNumber);
    QCOMPARE(device->settings().deviceInterface, 2);
    QCOMPARE(device->settings().deviceName, QStringLiteral("Bench"));
    QCOMPARE(device->settings().ch1Name, QStringLiteral("CH1"));
    QCOMPARE(device->settings().ch2Name, QStringLiteral("CH2"));
    QCOMPARE(device->settings().interfaceAddress, m_lan.address);
    QCOMPARE(device->settings().tcpPort, m_lan.port);
    // The link was opened: it connects and asks for a reading.
    QTRY_VERIFY_WITH_TIMEOUT(device->connected, 10000);
    QVERIFY(!device->ch1Value.isEmpty());
    QTRY_VERIFY(m_dialog.isNull());
}

void tst_ManualConfigDeviceDialog::deviceThatCannotBeOpened()
{
    QSignalSpy confirmed(m_dialog.data(), &ManualConfigDeviceDialog::ManualConfigDeviceConfirm);
    child<QLineEdit>(m_dialog, "lineEdit_deviceName")->setText(QStringLiteral("Gone"));
    child<QLineEdit>(m_dialog, "lineEdit_mac")->setText(QStringLiteral("0A0B0C0D0E0F"));
    typeAddress(m_lan.address, m_lan.port);
    {
        // Out of file descriptors, the link gets no socket to connect with.
        DescriptorLimit limit;
        QTest::mouseClick(child<QPushButton>(m_dialog, "pushButton_confirm"), Qt::LeftButton);
    }
    QCOMPARE(confirmed.count(), 0);
    QCOMPARE(messages().size(), 1);
    QCOMPARE(messages().first()->title(), QStringLiteral("ERROR"));
    QCOMPARE(messages().first()->text(), QStringLiteral("Device Open Error. Please retry."));
    QVERIFY(m_dialog->isVisible());

    // With descriptors to spare the same entry goes through.
    QTest::mouseClick(child<QPushButton>(m_dialog, "pushButton_confirm"), Qt::LeftButton);
    QCOMPARE(confirmed.count(), 1);
    delete confirmed.first().first().value<ConfiguredDevice *>();
}

void tst_ManualConfigDeviceDialog::networkInfoShowsAddressAndPort()
{
    ConfiguredDevice device(QStringLiteral("001EC01234AB"), 2);
    device.setDeviceInfo(QStringLiteral("Bench"), QStringLiteral("a"), QStringLiteral("b"),
                         QStringLiteral("127.0.0.5"), 4023);
    for (const char *button : {"pushButton_close_bottom", "pushButton_close"}) {
        QPointer<NetworkSettingDialog> dialog = new NetworkSettingDialog(&device);
        QSignalSpy rejected(dialog.data(), &QDialog::rejected);
        dialog->show();
        QCOMPARE(child<QLabel>(dialog, "label_ip")->text(), QStringLiteral("127.0.0.5"));
        QCOMPARE(child<QLabel>(dialog, "label_port")->text(), QStringLiteral("4023"));
        QTest::mouseClick(child<QPushButton>(dialog, button), Qt::LeftButton);
        QCOMPARE(rejected.count(), 1);
        QTRY_VERIFY(dialog.isNull());
    }
    QCOMPARE(device.settings().interfaceAddress, QStringLiteral("127.0.0.5"));
}

QTEST_MAIN(tst_ManualConfigDeviceDialog)
#include "tst_ManualConfigDeviceDialog.moc"
