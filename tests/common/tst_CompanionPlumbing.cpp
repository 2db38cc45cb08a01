#include "companion/ChannelSelection.h"
#include "companion/CompanionChannel.h"
#include "companion/WorkerProgress.h"
#include "widgets/MenuPopup.h"

#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <QtTest>

namespace {

// A worker as the companions have them: it counts and reports progress.
class CountingWorker : public QThread
{
    Q_OBJECT
public:
    using QThread::QThread;
signals:
    void progPlus(int value);

protected:
    void run() override
    {
        for (int i = 1; i <= 5; ++i)
            emit progPlus(i * 20);
    }
};

QImage iconImage(const QIcon &icon)
{
    return icon.pixmap(16).toImage();
}

} // namespace

class TestCompanionPlumbing : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { Q_INIT_RESOURCE(moravin); }

    void channelRecordsOfADevice()
    {
        DeviceSettings d;
        d.deviceNumber = "KV_01|x";
        d.deviceName = "Room [2]";
        d.ch1Name = "Temp\t[in]";
        d.ch2Name = "Pressure";
        d.ch1Unit = 2;
        d.ch2Unit = 4;
        d.ch2Custom = "kPa";
        const CompanionChannel c1 = CompanionChannel::fromDevice(d, 1);
        const CompanionChannel c2 = CompanionChannel::fromDevice(d, 2);
        QCOMPARE(c1.column, QStringLiteral("channel1"));
        QCOMPARE(c1.columnIndex(), 0);
        QCOMPARE(c2.columnIndex(), 1);
        QCOMPARE(c1.unitName, QStringLiteral("Temperature(F)"));
        QCOMPARE(c2.unitName, QStringLiteral("kPa"));
        QCOMPARE(c2.fieldName(), QStringLiteral("KV_01|x_channel2"));
        QCOMPARE(c2.itemText(d.deviceName), QStringLiteral("Pressure\t[Room [2]]"));
        // The title is what the list shows before the device label.
        QCOMPARE(c1.title(), QStringLiteral("Temp"));
        QCOMPARE(c2.title(), QStringLiteral("Pressure"));
        QCOMPARE(CompanionChannel::unitNameOf(7), QString());
    }

    void atMostFourChannelsInTheOrderOfClicking()
    {
        QListWidget list;
        ChannelSelection selection(&list);
        const QStringList records{"r0", "r1", "r2", "r3", "r4", "r5"};
        for (const QString &r : records)
            selection.addItem("text " + r, "key " + r);
        QCOMPARE(list.count(), 6);
        QCOMPARE(list.item(2)->text(), QStringLiteral("text r2"));
        QCOMPARE(list.item(2)->data(Qt::ToolTipRole).toString(), QStringLiteral("key r2"));
        const QImage none = iconImage(QIcon(":/img/nocheck.png"));
        const QImage check = iconImage(QIcon(":/img/check.png"));
        QCOMPARE(iconImage(list.item(0)->icon()), none);

        QSignalSpy changed(&selection, &ChannelSelection::changed);
        for (int row : {3, 0, 5, 1})
            selection.toggle(list.item(row));
        QCOMPARE(selection.pick(records), QStringList({"r3", "r0", "r5", "r1"}));
        QCOMPARE(iconImage(list.item(5)->icon()), check);
        selection.toggle(list.item(2)); // a fifth changes nothing
        QCOMPARE(selection.selectedIndexes(), QList<int>({3, 0, 5, 1}));
        QCOMPARE(iconImage(list.item(2)->icon()), none);
        selection.toggle(list.item(0)); // deselected while four are
        QCOMPARE(selection.pick(records), QStringList({"r3", "r5", "r1"}));
        QCOMPARE(iconImage(list.item(0)->icon()), none);
        for (int row : {3, 5, 1})
            selection.toggle(list.item(row));
        QVERIFY(selection.isEmpty());
        QCOMPARE(changed.size(), 9);
        QCOMPARE(changed.last().at(0).toBool(), false);
        QCOMPARE(changed.at(0).at(0).toBool(), true);

        // An item of another list is not ours.
        QListWidget other;
        auto *stranger = new QListWidgetItem("x", &other);
        selection.toggle(stranger);
        QVERIFY(selection.isEmpty());
    }

    void theProgressDialogFollowsTheWorker()
    {
        QWidget window;
        WorkerProgress progress(&window);
        QVERIFY(!progress.dialog());
        progress.open("Creating View...");
        QPointer<QProgressDialog> first = progress.dialog();
        QVERIFY(first);
        QCOMPARE(first->parentWidget(), &window);
        QVERIFY(first->windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(first->labelText(), QStringLiteral("Creating View..."));
        QCOMPARE(first->maximum(), 0);                           // busy
        QVERIFY(first->findChildren<QPushButton *>().isEmpty()); // no cancel button
        progress.showHashTables();
        QCOMPARE(first->labelText(), QStringLiteral("Creating Hash Tables..."));
        progress.showTimeSeries();
        QCOMPARE(first->labelText(), QStringLiteral("Calculating Time Series..."));
        progress.showCount(100);
        QCOMPARE(first->labelText(), QStringLiteral("Creating Chart..."));
        QCOMPARE(first->maximum(), 100);

        QPointer<CountingWorker> worker = new CountingWorker(&window);
        progress.start(worker.data());
        QCOMPARE(worker->priority(), QThread::LowPriority);
        // The worker reaches the bar's end, stays open until closed, and
        // goes when its thread has finished.
        QTRY_VERIFY_WITH_TIMEOUT(worker.isNull(), 10000);
        QVERIFY(first);
        QCOMPARE(first->value(), 100);
        QVERIFY(first->isVisible());

        progress.open("Creating CSV File...", 7);
        QTRY_VERIFY(first.isNull()); // the previous dialog is gone
        QCOMPARE(progress.dialog()->maximum(), 7);
        progress.close();
        QVERIFY(!progress.dialog());
        progress.setValue(3); // without a dialog: nothing to do
    }

    void menusPopUpBelowTheirButtons()
    {
        QWidget window;
        auto *layout = new QVBoxLayout(&window);
        layout->setContentsMargins(30, 20, 0, 0);
        auto *button = new QPushButton("Project", &window);
        layout->addWidget(button);
        layout->addStretch();
        window.resize(300, 200);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QMenu *menu = MenuPopup::create("Project", &window);
        menu->addAction("Exit");
        QCOMPARE(menu->parent(), &window);
        QCOMPARE(menu->title(), QStringLiteral("Project"));
        QVERIFY(menu->font().bold());
        QVERIFY(menu->styleSheet().contains("rgb(203, 203, 203)"));
        MenuPopup::popUnder(menu, button);
        QTRY_VERIFY(menu->isVisible());
        QCOMPARE(menu->pos(), button->mapToGlobal(QPoint(MenuPopup::Indent, button->height())));
        menu->hide();
    }
};

QTEST_MAIN(TestCompanionPlumbing)
#include "tst_CompanionPlumbing.moc"
