#include "control/ConfigChangeEvents.h"
#include "control/DatabaseSize.h"
#include "control/StorageWarnings.h"
#include "events/EventDetail.h"

#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

namespace {
DeviceSettings device(const QString &number)
{
    DeviceSettings d;
    d.deviceNumber = number;
    d.deviceName = QStringLiteral("Dev ") + number;
    d.ch1Name = QStringLiteral("Temperature");
    d.ch1Unit = 1;
    d.ch1Min = 2;
    d.ch1Max = 8;
    return d;
}

// field, channel, old, new of each change, in order.
QStringList changes(const QVector<EventRecord> &events)
{
    QStringList list;
    for (const EventRecord &e : events) {
        const QJsonObject d = EventDetail::parse(e.detail);
        list << QStringLiteral("%1 %2/%3 %4 -> %5")
                    .arg(e.serialNo, d.value("field").toString())
                    .arg(e.channel)
                    .arg(d.value("old").toVariant().toString(),
                         d.value("new").toVariant().toString());
    }
    return list;
}
} // namespace

// Project changes and storage warnings as events.
class TestProjectEvents : public QObject
{
    Q_OBJECT
private slots:
    void nothingChangedNothingLogged()
    {
        const QList<DeviceSettings> list{device("KV1"), device("KV2")};
        QVERIFY(ConfigChangeEvents::compare(list, 1000, list, 1000, 50).isEmpty());
        // Moved to another port or address: not a change of the project's meaning.
        QList<DeviceSettings> moved = list;
        moved[0].interfaceAddress = QStringLiteral("ttyACM3");
        QVERIFY(ConfigChangeEvents::compare(list, 1000, moved, 1000, 50).isEmpty());
    }

    void devicesAddedRemovedAndInterval()
    {
        DeviceSettings unnamed = device("KV3");
        unnamed.deviceName.clear();
        const auto events = ConfigChangeEvents::compare({device("KV1"), device("KV2")}, 1000,
                                                        {device("KV2"), unnamed}, 60000, 77);
        QCOMPARE(changes(events),
                 QStringList({" DataInterval/0 1000 -> 60000", "KV1 device/0 Dev KV1 -> ",
                              "KV3 device/0  -> KV3"}));
        for (const EventRecord &e : events) {
            QCOMPARE(e.kind, QString(EventKind::ConfigChange));
            QCOMPARE(e.time, qint64(77));
        }
        // The side that does not exist is null, not an empty text.
        QVERIFY(EventDetail::parse(events[1].detail).value("new").isNull());
        QVERIFY(EventDetail::parse(events[2].detail).value("old").isNull());
    }

    void everySettingOfADevice()
    {
        const DeviceSettings o = device("KV1");
        DeviceSettings n = o;
        n.deviceName = QStringLiteral("Fridge");
        n.ch1Name = QStringLiteral("Inside");
        n.ch2Name = QStringLiteral("Door");
        n.ch1Unit = 2;
        n.ch2Unit = 4;
        n.ch2Custom = QStringLiteral("kPa");
        n.ch1Min = 30.1f;
        n.ch1Max = 45;
        n.ch2Min = -1;
        n.ch2Max = 1;
        n.buzzerAlarm = QStringLiteral("ON");
        QCOMPARE(changes(ConfigChangeEvents::compare({o}, 5000, {n}, 5000, 1)),
                 QStringList({"KV1 DeviceName/0 Dev KV1 -> Fridge",
                              "KV1 Ch1Name/1 Temperature -> Inside", "KV1 Ch2Name/2  -> Door",
                              "KV1 ch1_unit/1 1 -> 2", "KV1 ch2_unit/2 0 -> 4",
                              "KV1 ch2_custom/2  -> kPa", "KV1 ch1_min/1 2 -> 30.1",
                              "KV1 ch1_max/1 8 -> 45", "KV1 ch2_min/2 0 -> -1",
                              "KV1 ch2_max/2 0 -> 1", "KV1 buzzerAlarm/0 OFF -> ON"}));
    }

    void diskWarningOncePerCrossing()
    {
        StorageWarnings w;
        const qint64 line = StorageWarnings::LowDiskBytes;
        QVERIFY(w.check(2 * line, 0, 1).isEmpty());
        QVERIFY(w.check(line, 0, 2).isEmpty()); // at the line is not below it
        auto events = w.check(line - 1, 0, 3);
        QCOMPARE(events.size(), 1);
        QCOMPARE(events[0].kind, QString(EventKind::DiskWarning));
        QCOMPARE(events[0].time, qint64(3));
        QCOMPARE(events[0].value, std::optional<double>(double(line - 1)));
        QCOMPARE(events[0].limit, std::optional<double>(double(line)));
        QVERIFY(w.diskLow());
        QVERIFY(w.check(line / 2, 0, 4).isEmpty());
        // Hovering at the line: no new warning.
        QVERIFY(w.check(line + 1, 0, 5).isEmpty());
        QVERIFY(w.check(line - 1, 0, 6).isEmpty());
        // Unknown free space decides nothing.
        QVERIFY(w.check(-1, 0, 7).isEmpty());
        QVERIFY(w.diskLow());
        // Clearly back above, then below again: a second warning.
        QVERIFY(w.check(line + StorageWarnings::RearmMarginBytes, 0, 8).isEmpty());
        QVERIFY(!w.diskLow());
        QCOMPARE(w.check(line - 1, 0, 9).size(), 1);
    }

    void sizeWarningAtNinetyPercent()
    {
        StorageWarnings w;
        const auto limit = qint64(DatabaseSize::LimitBytes);
        const auto line = qint64(std::ceil(DatabaseSize::LimitBytes * 0.9));
        QVERIFY(w.check(-1, line - 1, 1).isEmpty());
        const auto events = w.check(-1, line, 2);
        QCOMPARE(events.size(), 1);
        QCOMPARE(events[0].kind, QString(EventKind::SizeWarning));
        QCOMPARE(events[0].value, std::optional<double>(double(line)));
        QCOMPARE(events[0].limit, std::optional<double>(DatabaseSize::LimitBytes));
        QVERIFY(w.check(-1, limit, 3).isEmpty());
        QVERIFY(w.sizeHigh());
        // Another database of the project (a new file): armed again.
        QVERIFY(w.check(-1, 1000, 4).isEmpty());
        QCOMPARE(w.check(-1, line, 5).size(), 1);
    }

    void freeSpaceOfARealFolder()
    {
        QTemporaryDir dir;
        QVERIFY(StorageWarnings::freeBytes(dir.filePath("project.dat")) > 0);
    }
};

QTEST_GUILESS_MAIN(TestProjectEvents)
#include "tst_ProjectEvents.moc"
