#include "EventTestDatabase.h"
#include "events/EventDetail.h"
#include "panels/EventsLoader.h"
#include "panels/EventsModel.h"
#include "panels/EventsView.h"

#include <QComboBox>
#include <QLabel>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

namespace {
DeviceSettings device(const QString &number, const QString &name, const QString &ch1)
{
    DeviceSettings d;
    d.deviceNumber = number;
    d.deviceName = name;
    d.ch1Name = ch1;
    d.ch1Unit = 1;
    d.ch2Unit = 3;
    return d;
}

QString cell(const EventsModel *m, int row, int column)
{
    return m->data(m->index(row, column)).toString();
}

QStringList column(const EventsModel *m, int column)
{
    QStringList list;
    for (int row = 0; row < m->rowCount(); ++row)
        list << cell(m, row, column);
    return list;
}
} // namespace

// The Events view of the project panel over a real project database.
class TestEventsView : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    const QList<DeviceSettings> m_devices{device("KV1", "Freezer", "Inside"),
                                          device("KV2", QString(), QString())};

    QString database() const { return m_dir.filePath("plant.dat"); }

    static bool waitForRows(QSignalSpy &spy) { return spy.count() > 0 || spy.wait(10000); }
    // Every read of the view has ended and gone.
    static bool settled(const EventsView &view)
    {
        return QTest::qWaitFor([&] { return view.findChildren<EventsLoader *>().isEmpty(); },
                               10000);
    }

private slots:
    void initTestCase()
    {
        qputenv("TZ", "UTC");
        EventTestDatabase db(database());
        QVERIFY(db.createReadings());
        QVERIFY(db.createEvents());
        QVERIFY(db.insert(EventRecord::of(1000, EventKind::RecordStart)));
        EventRecord alarm = EventRecord::of(1010, EventKind::AlarmBegin, "KV1", 1);
        alarm.value = 31.2;
        alarm.limit = 30;
        QVERIFY(db.insert(alarm));
        QVERIFY(db.insert(EventRecord::of(1020, EventKind::CommLost, "KV2")));
        QVERIFY(db.insert(EventRecord::of(1030, EventKind::CommLost, "KV9"))); // since removed
        EventRecord ack = EventRecord::of(1040, EventKind::Ack);
        ack.detail = EventDetail::user("anna");
        QVERIFY(db.insert(ack));
    }

    void showsNewestFirstWithNames()
    {
        EventsView view;
        QSignalSpy spy(&view, &EventsView::refreshed);
        view.setDevices(m_devices);
        view.setDatabasePath(database());
        QVERIFY(waitForRows(spy));
        QCOMPARE(spy.last().at(0).toInt(), 5);
        const EventsModel *m = view.model();
        QCOMPARE(column(m, EventsModel::TimeColumn),
                 QStringList({"1970-01-01 00:17:20", "1970-01-01 00:17:10", "1970-01-01 00:17:00",
                              "1970-01-01 00:16:50", "1970-01-01 00:16:40"}));
        QCOMPARE(column(m, EventsModel::DeviceColumn),
                 QStringList({"", "KV9", "KV2", "Freezer", ""}));
        QCOMPARE(column(m, EventsModel::EventColumn),
                 QStringList({"Alarm acknowledged", "Device not answering", "Device not answering",
                              "Alarm", "Recording started"}));
        QCOMPARE(cell(m, 3, EventsModel::ChannelColumn), QStringLiteral("Inside"));
        QCOMPARE(cell(m, 3, EventsModel::ValueColumn), QStringLiteral("31.20 \u00b0C"));
        QCOMPARE(cell(m, 3, EventsModel::LimitColumn), QStringLiteral("30.00 \u00b0C"));
        QCOMPARE(cell(m, 3, EventsModel::DetailColumn), QStringLiteral("above the upper limit"));
        QCOMPARE(cell(m, 0, EventsModel::DetailColumn), QStringLiteral("by anna"));
        QVERIFY(m->data(m->index(3, 0), Qt::ToolTipRole).toString().contains("Freezer / Inside"));
        QCOMPARE(m->headerData(EventsModel::EventColumn, Qt::Horizontal).toString(),
                 QStringLiteral("Event"));
        QCOMPARE(view.findChild<QLabel *>("label_count")->text(), QStringLiteral("5 events"));

        // The filter offers the project's devices and those only the log knows.
        const auto *combo = view.findChild<QComboBox *>("combo_device");
        QStringList entries;
        for (int i = 0; i < combo->count(); ++i)
            entries << combo->itemText(i);
        QCOMPARE(entries, QStringList({"All devices", "Freezer", "KV2", "KV9 (removed)"}));
        QVERIFY(settled(view));
    }

    void filtersByDevice()
    {
        EventsView view;
        QSignalSpy spy(&view, &EventsView::refreshed);
        view.setDevices(m_devices);
        view.setDatabasePath(database());
        QVERIFY(waitForRows(spy));
        // Chosen while the first read may still run: what shows is the choice.
        view.setDeviceFilter("KV2");
        QTRY_VERIFY_WITH_TIMEOUT(view.model()->rowCount() == 1 &&
                                     cell(view.model(), 0, EventsModel::DeviceColumn) == "KV2",
                                 10000);
        QCOMPARE(view.deviceFilter(), QStringLiteral("KV2"));
        view.setDeviceFilter("KV9");
        QTRY_COMPARE_WITH_TIMEOUT(cell(view.model(), 0, EventsModel::DeviceColumn),
                                  QStringLiteral("KV9"), 10000);
        view.setDeviceFilter(QString());
        QTRY_COMPARE_WITH_TIMEOUT(view.model()->rowCount(), 5, 10000);
        QVERIFY(settled(view));
    }

    void logFromBeforeAndMissingFile()
    {
        const QString old = m_dir.filePath("old.dat");
        {
            EventTestDatabase db(old);
            QVERIFY(db.createReadings());
        }
        EventsView view;
        QSignalSpy spy(&view, &EventsView::refreshed);
        view.setDatabasePath(old);
        QVERIFY(waitForRows(spy));
        QCOMPARE(view.model()->rowCount(), 0);
        QVERIFY(spy.last().at(1).toString().isEmpty());
        QCOMPARE(view.findChild<QLabel *>("label_count")->text(), QStringLiteral("No events"));

        spy.clear();
        view.setDatabasePath(m_dir.filePath("gone.dat"));
        QVERIFY(waitForRows(spy));
        QVERIFY(!spy.last().at(1).toString().isEmpty());
        QCOMPARE(view.findChild<QLabel *>("label_count")->text(),
                 QStringLiteral("The event log cannot be read"));
        QVERIFY(settled(view));
    }

    void newEventsShowWhileShown()
    {
        const QString path = m_dir.filePath("live.dat");
        EventTestDatabase db(path);
        QVERIFY(db.createReadings());
        QVERIFY(db.createEvents());
        EventsView view;
        QSignalSpy spy(&view, &EventsView::refreshed);
        view.setDatabasePath(path);
        view.show();
        QVERIFY(waitForRows(spy));
        QCOMPARE(view.model()->rowCount(), 0);
        QVERIFY(db.insert(EventRecord::of(5, EventKind::RecordStart)));
        // Read again on the view's own timer.
        QTRY_COMPARE_WITH_TIMEOUT(view.model()->rowCount(), 1, EventsView::RefreshMs * 4);
        view.hide();
        QVERIFY(settled(view));
    }

    void goesAwayWhileReading()
    {
        auto *view = new EventsView;
        view->setDatabasePath(database());
        const QList<EventsLoader *> running = view->findChildren<EventsLoader *>();
        QCOMPARE(running.size(), 1);
        const QPointer<EventsLoader> loader = running.first();
        delete view; // the read ends on its own, shows nothing, and goes
        QTRY_VERIFY_WITH_TIMEOUT(loader.isNull(), 10000);
    }
};

QTEST_MAIN(TestEventsView)
#include "tst_EventsView.moc"
