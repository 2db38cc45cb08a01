#include "core/DeviceListCodec.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

namespace {

DeviceSettings sampleUsb()
{
    DeviceSettings d;
    d.deviceName = QStringLiteral("Cold room");
    d.ch1Name = QStringLiteral("Air");
    d.ch2Name = QStringLiteral("Humidity");
    d.deviceNumber = QStringLiteral("A1B2C3");
    d.deviceInterface = DeviceSettings::Usb;
    d.interfaceAddress = QStringLiteral("ttyACM0");
    d.ch1Unit = 1;
    d.ch2Unit = 3;
    d.ch1Min = -10.5f;
    d.ch1Max = 35.0f;
    d.ch2Min = 20.25f;
    d.ch2Max = 80.0f;
    d.buzzerAlarm = QStringLiteral("ON");
    return d;
}

QByteArray documentWith(const QJsonArray &devices)
{
    return QJsonDocument(QJsonObject{{QStringLiteral("devices"), devices}}).toJson();
}

} // namespace

class TestDeviceListCodec : public QObject
{
    Q_OBJECT
private slots:
    void roundTripKeepsEverySetting()
    {
        DeviceSettings lan = sampleUsb();
        lan.deviceNumber = QStringLiteral("0011AABBCCDD");
        lan.deviceInterface = DeviceSettings::Lan;
        lan.interfaceAddress = QStringLiteral("127.0.0.5");
        lan.tcpPort = 2323;
        lan.ch1Unit = 4;
        lan.ch1Custom = QStringLiteral("kPa");
        const QList<DeviceSettings> devices{sampleUsb(), lan};

        const auto result = DeviceListCodec::decode(DeviceListCodec::encode(devices),
                                                    DeviceListCodec::Reader::Recorder);
        QVERIFY(result.ok);
        QCOMPARE(result.devices.size(), 2);
        QVERIFY(result.devices.at(0) == devices.at(0));
        QVERIFY(result.devices.at(1) == devices.at(1));
    }

    void storesEveryValueAsTextInTheDocumentedFormats()
    {
        const QJsonObject o = DeviceListCodec::toJson(sampleUsb());
        QCOMPARE(o.value("DeviceType").toString(), QStringLiteral("SERIAL"));
        QCOMPARE(o.value("DevicePort").toString(), QStringLiteral("23"));
        QCOMPARE(o.value("ch1_unit").toString(), QStringLiteral("1"));
        QCOMPARE(o.value("ch1_min").toString(), QStringLiteral("-10.50"));
        QCOMPARE(o.value("ch1_max").toString(), QStringLiteral("35.00"));
        QCOMPARE(o.value("ch2_min").toString(), QStringLiteral("20.25"));
        QCOMPARE(o.keys().size(), 16);
        for (const QString &key : o.keys())
            QVERIFY2(o.value(key).isString(), qPrintable(key));

        DeviceSettings other = sampleUsb();
        other.deviceInterface = DeviceSettings::None;
        QCOMPARE(DeviceListCodec::toJson(other).value("DeviceType").toString(),
                 QStringLiteral("TELNET"));
        // Two decimals are kept even where the float is not exact.
        other.ch2Max = 30.1f;
        QCOMPARE(DeviceListCodec::toJson(other).value("ch2_max").toString(),
                 QStringLiteral("30.10"));
    }

    void readsTextValuesWithTheLoadRules()
    {
        QJsonObject e = DeviceListCodec::toJson(sampleUsb());
        e["ch1_unit"] = "7";
        e["ch2_unit"] = "humid";
        e["DeviceType"] = "serial";
        e["DevicePort"] = "70000";
        e["ch1_min"] = "-10.50";
        e["ch2_max"] = "lots";
        e.remove("buzzerAlarm");
        const auto r =
            DeviceListCodec::decode(documentWith({e}), DeviceListCodec::Reader::Recorder);
        QVERIFY(r.ok);
        const DeviceSettings &d = r.devices.at(0);
        QCOMPARE(d.ch1Unit, 0);
        QCOMPARE(d.ch2Unit, 0);
        QCOMPARE(d.deviceInterface, int(DeviceSettings::Lan));
        QCOMPARE(d.tcpPort, quint16(70000 & 0xFFFF));
        QCOMPARE(d.ch1Min, -10.5f);
        QCOMPARE(d.ch1Max, 35.0f);
        QCOMPARE(d.ch2Max, 0.0f);
        QCOMPARE(d.buzzerAlarm, QString());

        e["DevicePort"] = "port";
        const auto noPort =
            DeviceListCodec::decode(documentWith({e}), DeviceListCodec::Reader::Recorder);
        QCOMPARE(noPort.devices.at(0).tcpPort, quint16(0));
    }

    void toleratesWrongValueTypes()
    {
        // Numbers typed by hand read as their text; other kinds read as empty.
        QJsonObject e{{"DeviceType", "SERIAL"},
                      {"DeviceNumber", 12345},
                      {"DevicePort", 502},
                      {"ch1_unit", 3},
                      {"ch1_max", 40.5},
                      {"DeviceName", QJsonArray{1, 2}},
                      {"Ch1Name", QJsonObject{{"a", 1}}},
                      {"ch2_min", true}};
        const auto r =
            DeviceListCodec::decode(documentWith({e}), DeviceListCodec::Reader::Recorder);
        QVERIFY(r.ok);
        QCOMPARE(r.devices.size(), 1);
        const DeviceSettings &d = r.devices.at(0);
        QCOMPARE(d.deviceNumber, QStringLiteral("12345"));
        QCOMPARE(d.tcpPort, quint16(502));
        QCOMPARE(d.ch1Unit, 3);
        QCOMPARE(d.ch1Max, 40.5f);
        QCOMPARE(d.deviceName, QString());
        QCOMPARE(d.ch1Name, QString());
        QCOMPARE(d.ch2Min, 0.0f);
    }

    void refusesDocumentsThatAreNotObjects_data()
    {
        QTest::addColumn<QByteArray>("document");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("not json") << QByteArray("devices = none");
        QTest::newRow("array") << QByteArray("[{\"DeviceType\":\"SERIAL\"}]");
        QTest::newRow("string") << QByteArray("\"devices\"");
        QTest::newRow("truncated") << QByteArray("{\"devices\": [");
    }
    void refusesDocumentsThatAreNotObjects()
    {
        QFETCH(QByteArray, document);
        QVERIFY(!DeviceListCodec::decode(document, DeviceListCodec::Reader::Recorder).ok);
        QVERIFY(!DeviceListCodec::decode(document, DeviceListCodec::Reader::Companion).ok);
    }

    void objectWithoutUsableDevicesArrayGivesNoDevices()
    {
        for (const QByteArray &doc : {QByteArray("{}"), QByteArray("{\"devices\": 5}"),
                                      QByteArray("{\"devices\": {\"a\": 1}}"),
                                      QByteArray("{\"devices\": [1, \"x\", null, []]}")}) {
            const auto r = DeviceListCodec::decode(doc, DeviceListCodec::Reader::Recorder);
            QVERIFY(r.ok);
            QVERIFY2(r.devices.isEmpty(), doc.constData());
        }
    }

    void recorderSkipsElementsWithoutTypeButCompanionReadsThem()
    {
        QJsonObject typed = DeviceListCodec::toJson(sampleUsb());
        QJsonObject untyped = typed;
        untyped.remove("DeviceType");
        untyped["DeviceNumber"] = "B";
        QJsonObject nullType = typed;
        nullType["DeviceType"] = QJsonValue::Null;
        nullType["DeviceNumber"] = "C";
        const QByteArray doc = documentWith({untyped, typed, nullType});

        const auto rec = DeviceListCodec::decode(doc, DeviceListCodec::Reader::Recorder);
        QCOMPARE(rec.devices.size(), 1);
        QCOMPARE(rec.devices.at(0).deviceNumber, QStringLiteral("A1B2C3"));

        const auto comp = DeviceListCodec::decode(doc, DeviceListCodec::Reader::Companion);
        QCOMPARE(comp.devices.size(), 3);
        QCOMPARE(comp.devices.at(0).deviceNumber, QStringLiteral("B"));
        QCOMPARE(comp.devices.at(0).deviceInterface, int(DeviceSettings::Lan));
    }

    void repeatedDeviceNumberMergesIntoTheFirst()
    {
        QJsonObject first = DeviceListCodec::toJson(sampleUsb());
        QJsonObject second = first;
        second["DeviceType"] = "TELNET";
        second["DeviceName"] = "Second";
        second["DeviceInterface"] = "ttyACM3";
        second["ch1_unit"] = "2";
        second["ch2_max"] = "99.00";
        second["buzzerAlarm"] = "OFF";
        QJsonObject other = first;
        other["DeviceNumber"] = "ZZ";

        const auto r = DeviceListCodec::decode(documentWith({first, other, second}),
                                               DeviceListCodec::Reader::Recorder);
        QCOMPARE(r.devices.size(), 2);
        const DeviceSettings &d = r.devices.at(0);
        QCOMPARE(d.deviceInterface, int(DeviceSettings::Usb));
        QCOMPARE(d.deviceName, QStringLiteral("Second"));
        QCOMPARE(d.interfaceAddress, QStringLiteral("ttyACM3"));
        QCOMPARE(d.ch1Unit, 2);
        QCOMPARE(d.ch2Max, 99.0f);
        QCOMPARE(d.buzzerAlarm, QStringLiteral("OFF"));
        QCOMPARE(r.devices.at(1).deviceNumber, QStringLiteral("ZZ"));
    }

    void companionExpandsGroupNodesAsLanDevices()
    {
        QJsonObject node1{{"DeviceName", "N1"}, {"DeviceNumber", "111"}, {"Ch1Name", "T"},
                          {"Ch2Name", "H"},     {"ch1_unit", "1"},       {"ch1_min", "1.50"},
                          {"ch1_max", "2.00"},  {"ch1_custom", ""},      {"ch2_unit", "9"},
                          {"ch2_min", "3.00"},  {"ch2_max", "4.00"},     {"ch2_custom", "x"}};
        QJsonObject node2{{"DeviceNumber", "222"}};
        QJsonObject group{{"DeviceInterface", "127.0.0.9"},
                          {"DevicePort", "4001"},
                          {"DeviceType", "SERIAL"},
                          {"nodes", QJsonArray{node1, node2}}};
        const QByteArray doc = documentWith({group, DeviceListCodec::toJson(sampleUsb())});

        const auto comp = DeviceListCodec::decode(doc, DeviceListCodec::Reader::Companion);
        QCOMPARE(comp.devices.size(), 3);
        QCOMPARE(comp.devices.at(0).deviceNumber, QStringLiteral("111"));
        QCOMPARE(comp.devices.at(0).deviceInterface, int(DeviceSettings::Lan));
        QCOMPARE(comp.devices.at(0).interfaceAddress, QStringLiteral("127.0.0.9"));
        QCOMPARE(comp.devices.at(0).tcpPort, quint16(4001));
        QCOMPARE(comp.devices.at(0).ch1Min, 1.5f);
        QCOMPARE(comp.devices.at(0).ch2Unit, 0);
        QCOMPARE(comp.devices.at(0).ch2Custom, QStringLiteral("x"));
        QCOMPARE(comp.devices.at(1).deviceNumber, QStringLiteral("222"));
        QCOMPARE(comp.devices.at(1).tcpPort, quint16(4001));
        QCOMPARE(comp.devices.at(2).deviceInterface, int(DeviceSettings::Usb));

        // The recorder takes a typed group element as a flat device.
        const auto rec = DeviceListCodec::decode(doc, DeviceListCodec::Reader::Recorder);
        QCOMPARE(rec.devices.size(), 2);
    }

    void quotesAndUnicodeSurviveTheDocument()
    {
        DeviceSettings d = sampleUsb();
        d.deviceNumber = QStringLiteral("O'Brien\"42\\");
        d.deviceName = QStringLiteral("Kühlraum ★");
        const auto r = DeviceListCodec::decode(DeviceListCodec::encode({d}),
                                               DeviceListCodec::Reader::Recorder);
        QCOMPARE(r.devices.at(0).deviceNumber, d.deviceNumber);
        QCOMPARE(r.devices.at(0).deviceName, d.deviceName);
    }
};

QTEST_APPLESS_MAIN(TestDeviceListCodec)
#include "tst_DeviceListCodec.moc"
