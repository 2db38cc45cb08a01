#include "ConfiguredDevice.h"
#include "FormWidgets.h"
#include "OpenMessages.h"
#include "RecorderInterval.h"
#include "SensingOptionTelnetDialog.h"
#include "SimulatorProcess.h"
#include "TelnetDevice.h"
#include "TimerBarrier.h"
#include "widgets/MessageDialog.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

// The LAN sensing options dialog writing alarm settings into a simulated
// device: success, refusal, silence, a dropped connection and retries.
class tst_SensingDialogue : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void settingsReachTheDevice_data();
    void settingsReachTheDevice();
    void onlyTheBuzzerChanged();
    void refusal_data();
    void refusal();
    void failedAttemptShowsOneMessage();
    void earlierTimerDoesNotStopARetry();
    void silentDevice();
    void droppedConnection_data();
    void droppedConnection();
    void closingStopsTheDialogue();

private:
    SensingOptionTelnetDialog *openDialog();
    void setLimits(double ch1Min, double ch1Max, double ch2Min, double ch2Max);
    void setBuzzer(const QString &word);
    void clickConfirm();
    QList<MessageDialog *> messages() const;
    QStringList commandsReceived() { return m_sim->received(m_lan.mac); }
    void fault(const QString &kind)
    {
        m_sim->command(QStringLiteral("fault ") + m_lan.mac + ' ' + kind);
    }
    TelnetDevice *telnet() const { return dynamic_cast<TelnetDevice *>(m_device->link()); }
    void verifyActiveUnchanged() const;
    void verifyIdleForm() const;

    template <typename T> T *child(const char *name) const
    {
        return FormWidgets::child<T>(m_dialog, name);
    }

    SimulatorProcess *m_sim = nullptr;
    SimulatorProcess::Lan m_lan;
    ConfiguredDevice *m_device = nullptr;
    QPointer<SensingOptionTelnetDialog> m_dialog;
};

void tst_SensingDialogue::initTestCase()
{
    m_sim = new SimulatorProcess(this);
    QVERIFY2(m_sim->start({QStringLiteral("--lan"), QStringLiteral("127.0.0.1:0/001EC01234AB"),
                           QStringLiteral("--discovery"), QStringLiteral("none")}),
             qPrintable(SimulatorProcess::binaryPath()));
    m_lan = m_sim->lan(0);
    QVERIFY(m_lan.port != 0);
}

void tst_SensingDialogue::init()
{
    RecorderInterval::setCurrent(10000);
    m_device = new ConfiguredDevice(m_lan.mac, 2, this);
    m_device->setDeviceInfo(QStringLiteral("Bench"), QStringLiteral("Air"), QStringLiteral("RH"),
                            m_lan.address, m_lan.port);
    m_device->setAlarmLimits(18, 26, 30, 70);
    m_device->setBuzzerAlarm(QStringLiteral("OFF"));
    // The limits can be edited only for a device that has answered.
    m_device->writeDevice();
    QTRY_VERIFY_WITH_TIMEOUT(m_device->connected, 10000);
    m_sim->clearEvents();
}

void tst_SensingDialogue::cleanup()
{
    delete m_dialog;
    delete m_device;
    m_device = nullptr;
    m_sim->command(QStringLiteral("clear ") + m_lan.mac);
    m_sim->command(QStringLiteral("drop ") + m_lan.mac);
    RecorderInterval::setCurrent(10000);
}

SensingOptionTelnetDialog *tst_SensingDialogue::openDialog()
{
    m_dialog = new SensingOptionTelnetDialog(m_device);
    m_dialog->show();
    return m_dialog;
}

void tst_SensingDialogue::setLimits(double ch1Min, double ch1Max, double ch2Min, double ch2Max)
{
    child<QDoubleSpinBox>("doubleSpinBox_ch1Min")->setValue(ch1Min);
    child<QDoubleSpinBox>("doubleSpinBox_ch1Max")->setValue(ch1Max);
    child<QDoubleSpinBox>("doubleSpinBox_ch2Min")->setValue(ch2Min);
    child<QDoubleSpinBox>("doubleSpinBox_ch2Max")->setValue(ch2Max);
}

void tst_SensingDialogue::setBuzzer(const QString &word)
{
    auto *box = child<QComboBox>("comboBox_buzzer");
    box->setCurrentIndex(box->findText(word));
}

void tst_SensingDialogue::clickConfirm()
{
    QTest::mouseClick(child<QPushButton>("pushButton_confirm"), Qt::LeftButton);
}

QList<MessageDialog *> tst_SensingDialogue::messages() const
{
    return OpenMessages::ownedBy(m_dialog);
}

void tst_SensingDialogue::verifyActiveUnchanged() const
{
    QCOMPARE(m_device->settings().ch1Min, 18.0f);
    QCOMPARE(m_device->settings().ch1Max, 26.0f);
    QCOMPARE(m_device->settings().ch2Min, 30.0f);
    QCOMPARE(m_device->settings().ch2Max, 70.0f);
    QCOMPARE(m_device->settings().buzzerAlarm, QStringLiteral("OFF"));
}

void tst_SensingDialogue::verifyIdleForm() const
{
    auto *button = child<QPushButton>("pushButton_confirm");
    QCOMPARE(button->text(), QStringLiteral("Confirm"));
    QVERIFY(button->isEnabled());
    QVERIFY(child<QLineEdit>("lineEdit_deviceName")->isEnabled());
    QVERIFY(child<QComboBox>("comboBox_ch2Unit")->isEnabled());
    QVERIFY(child<QDoubleSpinBox>("doubleSpinBox_ch1Min")->isEnabled());
    QVERIFY(child<QComboBox>("comboBox_buzzer")->isEnabled());
    QVERIFY(!m_dialog->isWaiting());
    QVERIFY(!child<QTimer>("syncTimer")->isActive());
}

void tst_SensingDialogue::settingsReachTheDevice_data()
{
    QTest::addColumn<int>("interval");
    QTest::newRow("10 s") << 10000;
    QTest::newRow("1 s") << 1000;
}

void tst_SensingDialogue::settingsReachTheDevice()
{
    QFETCH(int, interval);
    RecorderInterval::setCurrent(interval);
    if (interval == 1000) {
        // The dialogue runs through the connection the 1 s polls keep open.
        QSignalSpy answers(telnet(), &TelnetDevice::readyRead);
        m_device->writeDevice();
        QVERIFY(answers.wait(10000));
        m_sim->clearEvents();
    }
    openDialog();
    QSignalSpy confirmed(m_dialog.data(), &SensingOptionTelnetDialog::sensingConfirm);
    child<QLineEdit>("lineEdit_deviceName")->setText(QStringLiteral("Incubator"));
    setLimits(36.5, 37.5, -5.5, 60);
    setBuzzer(QStringLiteral("AND"));
    clickConfirm();

    // Waiting for the device: the form is locked and the names are already stored.
    QVERIFY(m_dialog);
    QCOMPARE(child<QPushButton>("pushButton_confirm")->text(), QStringLiteral("Progressing..."));
    for (const char *name :
         {"pushButton_confirm", "lineEdit_deviceName", "lineEdit_ch1Name", "lineEdit_ch2Name",
          "comboBox_ch1Unit", "comboBox_ch2Unit", "doubleSpinBox_ch1Min", "doubleSpinBox_ch1Max",
          "doubleSpinBox_ch2Min", "doubleSpinBox_ch2Max", "comboBox_buzzer"})
        QVERIFY2(!child<QWidget>(name)->isEnabled(), name);
    QCOMPARE(confirmed.count(), 1);
    QCOMPARE(m_device->settings().deviceName, QStringLiteral("Incubator"));
    QCOMPARE(m_device->settings().ch1Min, 18.0f);

    QTRY_VERIFY_WITH_TIMEOUT(m_dialog.isNull(), 5000);
    QCOMPARE(confirmed.count(), 2);
    QCOMPARE(m_device->settings().ch1Min, 36.5f);
    QCOMPARE(m_device->settings().ch1Max, 37.5f);
    QCOMPARE(m_device->settings().ch2Min, -5.5f);
    QCOMPARE(m_device->settings().ch2Max, 60.0f);
    QCOMPARE(m_device->settings().buzzerAlarm, QStringLiteral("AND"));
    QTRY_COMPARE_WITH_TIMEOUT(
        commandsReceived(),
        (QStringList{QStringLiteral("ATBMIN1 36.50"), QStringLiteral("ATBMAX1 37.50"),
                     QStringLiteral("ATBMIN2 -5.50"), QStringLiteral("ATBMAX2 60.00"),
                     QStringLiteral("ATBAL AND"), QStringLiteral("ATBSET")}),
        5000);
    QCOMPARE(m_device->syncState(), 0);
    QVERIFY(!telnet()->buzzerFlag());
}

void tst_SensingDialogue::onlyTheBuzzerChanged()
{
    openDialog();
    setBuzzer(QStringLiteral("CH1"));
    clickConfirm();
    QTRY_VERIFY_WITH_TIMEOUT(m_dialog.isNull(), 5000);
    QCOMPARE(commandsReceived(),
             (QStringList{QStringLiteral("ATBMIN1 18.00"), QStringLiteral("ATBMAX1 26.00"),
                          QStringLiteral("ATBMIN2 30.00"), QStringLiteral("ATBMAX2 70.00"),
                          QStringLiteral("ATBAL CH1"), QStringLiteral("ATBSET")}));
    QCOMPARE(m_device->settings().buzzerAlarm, QStringLiteral("CH1"));
    QCOMPARE(m_device->settings().ch2Max, 70.0f);
}

void tst_SensingDialogue::refusal_data()
{
    QTest::addColumn<QString>("refused");
    QTest::addColumn<int>("commands");
    QTest::newRow("first command") << "ATBMIN1" << 1;
    QTest::newRow("after the limits") << "ATBAL" << 5;
    QTest::newRow("last command") << "ATBSET" << 6;
}

void tst_SensingDialogue::refusal()
{
    QFETCH(QString, refused);
    QFETCH(int, commands);
    fault(QStringLiteral("refuse ") + refused);
    openDialog();
    QSignalSpy confirmed(m_dialog.data(), &SensingOptionTelnetDialog::sensingConfirm);
    setLimits(1, 2, 3, 4);
    setBuzzer(QStringLiteral("OR"));
    clickConfirm();
    QTRY_COMPARE_WITH_TIMEOUT(messages().size(), 1, 5000);
    QCOMPARE(messages().first()->title(), QStringLiteral("ERROR"));
    QCOMPARE(messages().first()->text(), QStringLiteral("Device Setup Failed.\nPlease retry."));
    QVERIFY(m_dialog->isVisible());
    verifyIdleForm();
    verifyActiveUnchanged();
    QCOMPARE(m_device->newCh1Min, 1.0f);
    QCOMPARE(m_device->newBuzzerAlarm, QStringLiteral("OR"));
    QCOMPARE(confirmed.count(), 1);
    QCOMPARE(commandsReceived().size(), commands);
    QCOMPARE(commandsReceived().last().section(QLatin1Char(' '), 0, 0), refused);
}

void tst_SensingDialogue::failedAttemptShowsOneMessage()
{
    fault(QStringLiteral("refuse ATBMIN1"));
    openDialog();
    setLimits(1, 2, 3, 4);
    clickConfirm();
    QTRY_COMPARE_WITH_TIMEOUT(messages().size(), 1, 5000);
    // The attempt's time limit ended with it: nothing more is reported for
    // it, also once its time would have been up.
    QVERIFY(!child<QTimer>("syncTimer")->isActive());
    QVERIFY(TimerBarrier::pass(SensingOptionTelnetDialog::SyncTimeoutMs));
    QCOMPARE(messages().size(), 1);
    QCOMPARE(messages().first()->text(), QStringLiteral("Device Setup Failed.\nPlease retry."));
    QCOMPARE(m_device->syncState(), 0);
}

void tst_SensingDialogue::earlierTimerDoesNotStopARetry()
{
    fault(QStringLiteral("refuse ATBMIN1"));
    openDialog();
    QSignalSpy confirmed(m_dialog.data(), &SensingOptionTelnetDialog::sensingConfirm);
    setLimits(1, 2, 3, 4);
    clickConfirm();
    QTRY_COMPARE_WITH_TIMEOUT(messages().size(), 1, 5000);
    m_sim->command(QStringLiteral("clear ") + m_lan.mac);
    m_sim->clearEvents();

    // The retry is kept running until the failed attempt's time limit would
    // have passed: the device's answers are held back meanwhile, and the
    // retry's own limit is long enough that only an earlier one could end it.
    TelnetDevice *link = telnet();
    QVERIFY(link->disconnectSignal(SIGNAL(readyRead(QString)), m_device, SLOT(readData(QString))));
    QStringList held;
    QScopedPointer<QObject> hold(new QObject);
    connect(link, &TelnetDevice::readyRead, hold.data(),
            [&held](const QString &answer) { held << answer; });
    child<QTimer>("syncTimer")->setInterval(60000);
    clickConfirm();
    QVERIFY(m_dialog->isWaiting());
    QTRY_VERIFY_WITH_TIMEOUT(!held.isEmpty(), 5000);
    QVERIFY(TimerBarrier::pass(SensingOptionTelnetDialog::SyncTimeoutMs));
    QVERIFY2(m_dialog && m_dialog->isWaiting(), "the retry was cut short");
    QCOMPARE(messages().size(), 1);

    hold.reset();
    link->connectSignal(SIGNAL(readyRead(QString)), m_device, SLOT(readData(QString)));
    for (const QString &answer : qAsConst(held))
        QMetaObject::invokeMethod(m_device, "readData", Q_ARG(QString, answer));
    QTRY_VERIFY_WITH_TIMEOUT(m_dialog.isNull() || messages().size() > 1, 10000);
    QVERIFY2(m_dialog.isNull(), "the retry was reported as failed");
    QCOMPARE(confirmed.count(), 3);
    QCOMPARE(m_device->settings().ch1Min, 1.0f);
    QCOMPARE(m_device->settings().ch2Max, 4.0f);
    QCOMPARE(commandsReceived().size(), 6);
}

void tst_SensingDialogue::silentDevice()
{
    fault(QStringLiteral("silent"));
    openDialog();
    setLimits(1, 2, 3, 4);
    QElapsedTimer clock;
    clock.start();
    clickConfirm();
    QTRY_COMPARE_WITH_TIMEOUT(messages().size(), 1, 6000);
    QVERIFY(clock.elapsed() >= SensingOptionTelnetDialog::SyncTimeoutMs - 20);
    QCOMPARE(messages().first()->title(), QStringLiteral("ERROR"));
    QCOMPARE(messages().first()->text(),
             QStringLiteral("This command has exceeded the time limit.\nPlease retry."));
    verifyIdleForm();
    verifyActiveUnchanged();
    // The dialogue was abandoned: the link serves data requests again.
    QCOMPARE(m_device->syncState(), 0);
    QVERIFY(!telnet()->buzzerFlag());
    QCOMPARE(commandsReceived(), QStringList{QStringLiteral("ATBMIN1 1.00")});
    m_sim->command(QStringLiteral("clear ") + m_lan.mac);
    m_sim->clearEvents();
    QSignalSpy answers(telnet(), &TelnetDevice::readyRead);
    m_device->writeDevice();
    QVERIFY(answers.wait(10000));
    QCOMPARE(commandsReceived(), QStringList{QStringLiteral("ATDC")});
}

void tst_SensingDialogue::droppedConnection_data()
{
    QTest::addColumn<int>("answersBeforeDrop");
    QTest::newRow("at the first command") << 0;
    QTest::newRow("after two answers") << 2;
}

void tst_SensingDialogue::droppedConnection()
{
    QFETCH(int, answersBeforeDrop);
    TelnetDevice *link = telnet();
    // Hangs the device up once it has answered often enough; the hook runs
    // before the device sees the answer, so the next command meets the fault.
    QVERIFY(link->disconnectSignal(SIGNAL(readyRead(QString)), m_device, SLOT(readData(QString))));
    int answers = 0;
    QObject hook;
    connect(link, &TelnetDevice::readyRead, &hook, [&] {
        if (++answers == answersBeforeDrop)
            fault(QStringLiteral("close"));
    });
    link->connectSignal(SIGNAL(readyRead(QString)), m_device, SLOT(readData(QString)));
    if (answersBeforeDrop == 0)
        fault(QStringLiteral("close"));

    openDialog();
    setLimits(1, 2, 3, 4);
    setBuzzer(QStringLiteral("CH2"));
    clickConfirm();
    QTRY_COMPARE_WITH_TIMEOUT(messages().size(), 1, 6000);
    QCOMPARE(messages().first()->title(), QStringLiteral("ERROR"));
    QVERIFY(messages().first()->text().endsWith(QLatin1String("\nPlease retry.")));
    verifyIdleForm();
    verifyActiveUnchanged();
    QCOMPARE(m_device->syncState(), 0);
    QCOMPARE(commandsReceived().size(), answersBeforeDrop + 1);
}

void tst_SensingDialogue::closingStopsTheDialogue()
{
    fault(QStringLiteral("silent"));
    openDialog();
    setLimits(1, 2, 3, 4);
    clickConfirm();
    QTRY_VERIFY_WITH_TIMEOUT(!commandsReceived().isEmpty(), 5000);
    QVERIFY(m_dialog->isWaiting());
    QVERIFY(telnet()->buzzerFlag());
    QTest::keyClick(m_dialog, Qt::Key_Escape);
    QCOMPARE(m_device->syncState(), 0);
    QVERIFY(!telnet()->buzzerFlag());
    QTRY_VERIFY(m_dialog.isNull());
    verifyActiveUnchanged();
}

QTEST_MAIN(tst_SensingDialogue)
#include "tst_SensingDialogue.moc"
