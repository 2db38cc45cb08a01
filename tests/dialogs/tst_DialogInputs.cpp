#include "ManualDeviceInput.h"

#include <QtTest>

// The checks behind the manual device entry, without any window.
class tst_DialogInputs : public QObject
{
    Q_OBJECT
private slots:
    void manualInputProblems_data();
    void manualInputProblems();
    void manualMacIsStoredInUpperCase_data();
    void manualMacIsStoredInUpperCase();
};

void tst_DialogInputs::manualInputProblems_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("mac");
    QTest::addColumn<QString>("ip");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("message");

    const QString info = QStringLiteral("INFORMATION");
    const QString mac = QStringLiteral("00:1E:C0:12:34:AB");
    const QString ip = QStringLiteral("127.0.0.1");
    QTest::newRow("all well") << "Lab" << mac << ip << 23 << QString() << QString();
    QTest::newRow("no name, no MAC: name first")
        << ""
        << ":::::" << ip << 23 << info << "Enter the Device Name.";
    QTest::newRow("empty mask") << "Lab"
                                << ":::::" << ip << 23 << info << "Enter the Mac Address.";
    QTest::newRow("some pairs typed") << "Lab"
                                      << "00:1e::::" << ip << 23 << QString() << QString();
    QTest::newRow("one digit") << "Lab"
                               << "0:::::" << ip << 23 << QString() << QString();
    QTest::newRow("no IP") << "Lab" << mac << "" << 23 << info << "Enter the IP Address.";
    QTest::newRow("port 0 before a bad IP")
        << "Lab" << mac << "1.2.3" << 0 << info << "Enter the port number.";
    QTest::newRow("port 99999") << "Lab" << mac << ip << 99999 << info
                                << "The port number must be between 1 and 65535.";
    QTest::newRow("port 65536") << "Lab" << mac << ip << 65536 << info
                                << "The port number must be between 1 and 65535.";
    QTest::newRow("port 65535") << "Lab" << mac << ip << 65535 << QString() << QString();
    QTest::newRow("three octets") << "Lab" << mac << "10.0.0" << 23 << "ERROR"
                                  << "IP Address is not valid.";
    QTest::newRow("four-digit octet") << "Lab" << mac << "1000.0.0.1" << 23 << "ERROR"
                                      << "IP Address is not valid.";
    QTest::newRow("trailing text") << "Lab" << mac << "10.0.0.1x" << 23 << "ERROR"
                                   << "IP Address is not valid.";
}

void tst_DialogInputs::manualInputProblems()
{
    QFETCH(QString, name);
    QFETCH(QString, mac);
    QFETCH(QString, ip);
    QFETCH(int, port);
    QFETCH(QString, title);
    QFETCH(QString, message);
    const ManualDeviceInput::Problem problem = ManualDeviceInput(name, mac, ip, port).problem();
    QCOMPARE(problem.message, message);
    QCOMPARE(problem.title, title);
}

void tst_DialogInputs::manualMacIsStoredInUpperCase_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("deviceNumber");
    QTest::newRow("lower case") << "00:1e:c0:12:34:ab"
                                << "001EC01234AB";
    QTest::newRow("mixed case") << "00:1E:c0:12:34:aB"
                                << "001EC01234AB";
    QTest::newRow("some pairs") << "ab:cd::::"
                                << "ABCD";
}

void tst_DialogInputs::manualMacIsStoredInUpperCase()
{
    QFETCH(QString, typed);
    QFETCH(QString, deviceNumber);
    const ManualDeviceInput input(QStringLiteral("Lab"), typed, QStringLiteral("127.0.0.1"), 23);
    QCOMPARE(input.deviceNumber(), deviceNumber);
}

QTEST_GUILESS_MAIN(tst_DialogInputs)
#include "tst_DialogInputs.moc"
