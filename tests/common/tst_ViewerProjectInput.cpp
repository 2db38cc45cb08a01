// The viewer's start-up reading of hand-edited or damaged project files.
#include "core/CompanionProjectReader.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

class TestViewerProjectInput : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;

    QString project(const QByteArray &deviceList)
    {
        const QString file = m_dir.filePath("p.qpj");
        QFile::remove(file);
        QSettings s(file, QSettings::IniFormat);
        s.setValue("databaseName", "p.dat");
        s.setValue("DeviceList", deviceList);
        s.sync();
        QFile db(m_dir.filePath("p.dat"));
        db.open(QIODevice::WriteOnly);
        return file;
    }

private slots:
    void elementsWithWrongTypes()
    {
        const auto r =
            CompanionProjectReader::read({"Trendora", project(R"({"devices":[1,"x",null,[],
                {"DeviceNumber":"S1","DeviceType":"SERIAL","ch1_unit":"7","ch2_unit":3,
                 "ch1_min":"-10.50","ch1_max":true,"DeviceName":{"a":1},"DevicePort":"70000"},
                {"DeviceNumber":"L1","DeviceType":"serial"}]})")});
        QVERIFY2(r.ok, qPrintable(r.errorText));
        QCOMPARE(r.devices.size(), 2);
        const DeviceSettings &d = r.devices.at(0);
        QCOMPARE(d.deviceNumber, QStringLiteral("S1"));
        QCOMPARE(d.ch1Unit, 0); // 7 is no unit
        QCOMPARE(d.ch2Unit, 3); // a plain number is read as its text
        QCOMPARE(d.ch1Min, -10.5f);
        QCOMPARE(d.ch1Max, 0.0f);
        QCOMPARE(d.deviceName, QString());
        QCOMPARE(d.tcpPort, quint16(70000 & 0xFFFF));
        QCOMPARE(d.deviceInterface, int(DeviceSettings::Usb));
        QCOMPARE(r.devices.at(1).deviceInterface, int(DeviceSettings::Lan));
    }

    void groupElements()
    {
        const auto r = CompanionProjectReader::read(
            {"Trendora", project(R"({"devices":[{"DeviceInterface":"127.0.0.5","DevicePort":"24",
                "nodes":[{"DeviceNumber":"N1","Ch1Name":"a"},5,{"DeviceNumber":"N2"}]},
                {"DeviceNumber":"F1","nodes":null}]})")});
        QVERIFY(r.ok);
        QCOMPARE(r.devices.size(), 3);
        QCOMPARE(r.devices.at(0).deviceNumber, QStringLiteral("N1"));
        QCOMPARE(r.devices.at(1).interfaceAddress, QStringLiteral("127.0.0.5"));
        QCOMPARE(r.devices.at(1).tcpPort, quint16(24));
        QCOMPARE(r.devices.at(1).deviceInterface, int(DeviceSettings::Lan));
        QCOMPARE(r.devices.at(2).deviceNumber, QStringLiteral("F1"));
    }

    void documentsThatAreNoDeviceList()
    {
        for (const QByteArray &bad : {QByteArray("[]"), QByteArray("\"devices\""),
                                      QByteArray("{\"devices\":"), QByteArray("\xff\xfe")}) {
            const auto r = CompanionProjectReader::read({"Trendora", project(bad)});
            QVERIFY(!r.ok);
            QCOMPARE(r.errorText, QStringLiteral("Device Information is crashed!"));
        }
        const auto empty = CompanionProjectReader::read({"Trendora", project("{\"devices\":5}")});
        QVERIFY(empty.ok);
        QVERIFY(empty.devices.isEmpty());
    }

    void projectPathThatIsADirectory()
    {
        const auto r = CompanionProjectReader::read({"Trendora", m_dir.path()});
        QVERIFY(!r.ok);
        QCOMPARE(r.errorText, "Project File \"" + m_dir.path() + "\" is not exists!");
    }
};

QTEST_APPLESS_MAIN(TestViewerProjectInput)
#include "tst_ViewerProjectInput.moc"
