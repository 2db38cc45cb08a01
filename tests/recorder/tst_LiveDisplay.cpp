#include "Axis.h"
#include "Chart.h"
#include "PlotArea.h"
#include "QChartViewer.h"
#include "XYChart.h"
#include "core/NoValue.h"
#include "device/ChartHistory.h"
#include "device/ConfiguredDevice.h"
#include "device/RecorderInterval.h"
#include "display/ChartView.h"
#include "display/DashBoard.h"
#include "display/DashBoardDeviceItem.h"
#include "display/LiveChart.h"

#include <QFrame>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include <memory>
#include <vector>

namespace {

std::vector<std::unique_ptr<ConfiguredDevice>> makeDevices(int count)
{
    std::vector<std::unique_ptr<ConfiguredDevice>> devices;
    for (int i = 0; i < count; ++i) {
        auto d = std::make_unique<ConfiguredDevice>(QStringLiteral("D%1").arg(i), 2);
        d->setDeviceInfo(QString(), QString(), QString(), QStringLiteral("127.0.0.%1").arg(i + 1),
                         23);
        devices.push_back(std::move(d));
    }
    return devices;
}

QList<ConfiguredDevice *> pointers(const std::vector<std::unique_ptr<ConfiguredDevice>> &devices)
{
    QList<ConfiguredDevice *> list;
    for (const auto &d : devices)
        list << d.get();
    return list;
}

// Which placeholder (0-based row, column) each tile sits in.
QList<QPoint> places(DashBoard &board)
{
    QList<QPoint> result;
    for (DashBoardDeviceItem *tile : board.tiles()) {
        for (int r = 0; r < DashBoard::Rows; ++r) {
            for (int c = 0; c < DashBoard::Columns; ++c) {
                if (tile->parentWidget() == board.placeholder(r, c))
                    result << QPoint(c, r);
            }
        }
    }
    return result;
}

QString panelOf(QWidget *w, const char *frame)
{
    return w->findChild<QFrame *>(QLatin1String(frame))->styleSheet();
}

const char *const Grey = "rgba(80, 80, 80, 255)";
const char *const Teal = "rgba(24, 68, 76, 255)";
const char *const Red = "rgba(145, 27, 66, 255)";

void forget(const std::vector<std::unique_ptr<ConfiguredDevice>> &devices)
{
    for (const auto &d : devices) {
        d->clearDashItems();
        d->clearChartView();
    }
}

} // namespace

class TestLiveDisplay : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        Q_INIT_RESOURCE(moravin);
        qRegisterMetaType<ConfiguredDevice *>();
    }
    void init() { RecorderInterval::setCurrent(1000); }

    void tilesFillColumnPairsTopToBottom()
    {
        DashBoard board;
        QCOMPARE(board.windowTitle(), QStringLiteral("Dashboard"));
        auto devices = makeDevices(5);
        board.setDevices(pointers(devices));
        QCOMPARE(board.tiles().size(), 10);
        QCOMPARE(
            places(board),
            (QList<QPoint>{
                {0, 0}, {1, 0}, {0, 1}, {1, 1}, {0, 2}, {1, 2}, {0, 3}, {1, 3}, {2, 0}, {3, 0}}));
        QVERIFY(board.tiles().at(0)->isChannel1());
        QVERIFY(!board.tiles().at(1)->isChannel1());
        QCOMPARE(board.placeholder(1, 0)->objectName(), QStringLiteral("widget_09"));

        // Empty places hide and show; places with tiles stay.
        board.show();
        board.setEmptySlotsVisible(false);
        QVERIFY(board.placeholder(0, 0)->isVisible());
        QVERIFY(board.placeholder(0, 3)->isVisible());
        QVERIFY(!board.placeholder(0, 4)->isVisible());
        QVERIFY(!board.placeholder(3, 7)->isVisible());
        board.setEmptySlotsVisible(true);
        QVERIFY(board.placeholder(3, 7)->isVisible());
        forget(devices);
    }

    void seventeenthDeviceWrapsToTheFirstPlace()
    {
        DashBoard board;
        auto devices = makeDevices(17);
        board.setDevices(pointers(devices));
        const QList<QPoint> at = places(board);
        QCOMPARE(at.at(30), QPoint(6, 3));
        QCOMPARE(at.at(32), QPoint(0, 0));
        QCOMPARE(at.at(33), QPoint(1, 0));
        QCOMPARE(board.placeholder(0, 0)->layout()->count(), 2);
        forget(devices);
    }

    void tileShowsNamesValueUnitAndState()
    {
        ConfiguredDevice device("KV1", 1);
        device.setDeviceInfo("", "", "Humidity", "ttyACM0", 23);
        device.setUnits(1, 3);
        DashBoardDeviceItem tile1(&device, true);
        DashBoardDeviceItem tile2(&device, false);
        QCOMPARE(tile1.objectName(), QStringLiteral("DashBoardDeviceItem"));
        auto text = [](QWidget *w, const char *name) {
            return w->findChild<QLabel *>(QLatin1String(name))->text();
        };
        QCOMPARE(text(&tile1, "label_device"), QStringLiteral("ttyACM0"));
        QCOMPARE(text(&tile1, "label_desc"), QStringLiteral("CH1"));
        QCOMPARE(text(&tile2, "label_desc"), QStringLiteral("Humidity"));
        QVERIFY(text(&tile1, "label_number").isEmpty());
        QVERIFY(panelOf(&tile1, "frame_value").contains(Grey));

        tile1.updateValue("21.50");
        QCOMPARE(text(&tile1, "label_number"), QStringLiteral("21.50"));
        QCOMPARE(text(&tile1, "label_unit"), QStringLiteral("\u00b0C"));
        QVERIFY(panelOf(&tile1, "frame_value").contains(Teal));
        device.ch1Alarm = true;
        tile1.updateValue("41.50");
        QVERIFY(panelOf(&tile1, "frame_value").contains(Red));

        // Notices for another device leave the tile alone.
        tile1.onDeviceDisconnected("KV2");
        QCOMPARE(text(&tile1, "label_number"), QStringLiteral("41.50"));
        tile1.onDeviceDisconnected("KV1");
        QVERIFY(text(&tile1, "label_number").isEmpty());
        QVERIFY(text(&tile1, "label_unit").isEmpty());
        QVERIFY(panelOf(&tile1, "frame_value").contains(Grey));
        // A device that went forgets its alarm; back, it follows the alarm flag.
        device.ch1Alarm = false;
        tile1.onDeviceConnected("KV1");
        QVERIFY(panelOf(&tile1, "frame_value").contains(Teal));
        device.ch1Alarm = true;
        tile1.onDeviceConnected("KV1");
        QVERIFY(panelOf(&tile1, "frame_value").contains(Red));

        // A refresh without a value turns grey; with one it follows the alarm.
        tile2.refreshTile();
        QVERIFY(panelOf(&tile2, "frame_value").contains(Grey));
        device.setUnits(1, 4);
        device.setCustomUnits(device.settings().ch1Custom, "ppm");
        tile2.updateValue("400.00");
        device.ch2Alarm = true;
        tile2.refreshTile();
        QCOMPARE(text(&tile2, "label_unit"), QStringLiteral("ppm"));
        QVERIFY(panelOf(&tile2, "frame_value").contains(Red));

        // A click opens the device, connected or not.
        QSignalSpy clicked(&tile2, &DashBoardDeviceItem::clicked);
        QTest::mousePress(&tile2, Qt::LeftButton);
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(clicked.at(0).at(0).value<ConfiguredDevice *>(), &device);
        DashBoardDeviceItem empty(nullptr, true);
        QSignalSpy none(&empty, &DashBoardDeviceItem::clicked);
        QTest::mousePress(&empty, Qt::LeftButton);
        QCOMPARE(none.count(), 0);
        QVERIFY(!empty.findChild<QFrame *>("frame_ch")->isVisibleTo(&empty));
    }

    void chartPanelFollowsItsDevice()
    {
        ChartView view;
        view.resize(900, 420);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        ConfiguredDevice usb("KV1", 1);
        usb.setDeviceInfo("", "", "", "ttyACM0", 23);
        auto text = [&view](const char *name) {
            return view.findChild<QLabel *>(QLatin1String(name))->text();
        };
        auto *network = view.findChild<QPushButton *>("btn_network");

        view.setDevice(nullptr);
        QVERIFY(!view.device());
        view.setDevice(&usb);
        QCOMPARE(text("label_device"), QStringLiteral("ttyACM0"));
        QCOMPARE(text("label_ch1_device"), QStringLiteral("ttyACM0"));
        QCOMPARE(text("label_ch1_desc"), QStringLiteral("CH1"));
        QCOMPARE(text("label_ch2_desc"), QStringLiteral("CH2"));
        QCOMPARE(text("label_serialnumber"), QStringLiteral("SN : KV1"));
        QVERIFY(!network->isVisible());
        QVERIFY(panelOf(&view, "frame_ch1_value").contains(Grey));

        // Before the first reading: axes and plot area, no line, no date scale.
        QTRY_VERIFY(view.viewer1()->chart());
        auto *chart = dynamic_cast<XYChart *>(view.viewer1()->chart());
        QCOMPARE(chart->getLayerCount(), 0);
        QVERIFY(!chart->xAxis()->isDateScale());

        ChartHistory history;
        const double newest = Chart::chartTime(2026, 3, 5, 8, 0, 0);
        history.add(newest - 1, 20.0, NoValue);
        history.add(newest, 21.0, 40.0);
        usb.ch1Value = "21.00";
        usb.ch2Value = "40.00";
        usb.setUnits(1, 3);
        view.updateReadings(history.times(), history.ch1(), history.ch2(), usb.ch1Value,
                            usb.ch2Value);
        QCOMPARE(text("label_ch1_number"), QStringLiteral("21.00"));
        QCOMPARE(text("label_ch2_unit"), QString());
        QVERIFY(panelOf(&view, "frame_ch2_value").contains(Teal));
        usb.ch2Alarm = true;
        view.updateDeviceInfo();
        QCOMPARE(text("label_ch2_unit"), QStringLiteral("%RH"));
        QVERIFY(panelOf(&view, "frame_ch2_value").contains(Red));
        QTRY_COMPARE(dynamic_cast<XYChart *>(view.viewer1()->chart())->getLayerCount(), 1);
        chart = dynamic_cast<XYChart *>(view.viewer1()->chart());
        QVERIFY(chart->xAxis()->isDateScale());
        QCOMPARE(chart->xAxis()->getMinValue(), newest - 240);
        QCOMPARE(chart->xAxis()->getMaxValue(), newest);

        // A mouse move redraws the cursor layer only; the chart stays.
        emit view.viewer1()->mouseMovePlotArea(nullptr);
        QCOMPARE(view.viewer1()->chart(), chart);

        // Notices for another device change nothing.
        view.onDeviceDisconnected("KV9");
        QCOMPARE(text("label_ch1_number"), QStringLiteral("21.00"));
        view.onDeviceDisconnected("KV1");
        QVERIFY(text("label_ch1_number").isEmpty());
        QVERIFY(panelOf(&view, "frame_ch1_value").contains(Grey));

        ConfiguredDevice lan("001EC0", 2);
        lan.setDeviceInfo("Cold room", "Air", "", "127.0.0.9", 23);
        view.clearView();
        QVERIFY(!view.device());
        QVERIFY(text("label_device").isEmpty());
        view.setDevice(&lan);
        QCOMPARE(text("label_device"), QStringLiteral("Cold room"));
        QCOMPARE(text("label_ch1_desc"), QStringLiteral("Air"));
        QCOMPARE(text("label_serialnumber"), QStringLiteral("MAC : 001EC0"));
        QVERIFY(network->isVisible());
        QSignalSpy networkPopup(&view, &ChartView::popupNetworkSetting);
        QSignalSpy options(&view, &ChartView::popupSensingOption);
        QTest::mouseClick(network, Qt::LeftButton);
        QTest::mouseClick(view.findChild<QPushButton *>("btn_setting"), Qt::LeftButton);
        QCOMPARE(networkPopup.count(), 1);
        QCOMPARE(options.count(), 1);
        // Readings for a cleared panel are ignored.
        view.clearView();
        view.updateReadings(history.times(), history.ch1(), history.ch2(), "1", "2");
        QVERIFY(text("label_ch1_number").isEmpty());
    }

    void liveChartRangeAndCursorTexts()
    {
        double times[LiveChart::Points];
        double values[LiveChart::Points];
        const double newest = Chart::chartTime(2026, 3, 5, 8, 0, 0);
        for (int i = 0; i < LiveChart::Points; ++i) {
            times[i] = newest - (LiveChart::Points - 1 - i) * 300;
            values[i] = i % 10 == 0 ? NoValue : 20 + i * 0.01;
        }
        std::unique_ptr<XYChart> chart(
            LiveChart::build(600, 200, times, values, 300000, "CH1", 0xff0000));
        QCOMPARE(chart->getWidth(), 600);
        QCOMPARE(chart->getPlotArea()->getLeftX(), 45);
        QCOMPARE(chart->getPlotArea()->getWidth(), 550);
        QCOMPARE(chart->getPlotArea()->getHeight(), 145);
        chart->layout();
        QCOMPARE(chart->xAxis()->getMinValue(), newest - 72000);
        QCOMPARE(chart->xAxis()->getMaxValue(), newest);
        LiveChart::drawTrackCursor(chart.get(), 300, 300000);

        QCOMPARE(LiveChart::valueText(chart.get(), NoValue), QStringLiteral("N/A"));
        QCOMPARE(LiveChart::valueText(chart.get(), 21.456), QStringLiteral("21.46"));
        QCOMPARE(LiveChart::viewLine(300000),
                 QStringLiteral("<*block*><*block*><*font=arial.ttf*>View Length : 240 samples"
                                "<*/*><*block*><*font=arial.ttf*>   Interval : 5 min <*/*><*/*>"));
        QCOMPARE(LiveChart::timeStamp(chart.get(), newest),
                 QStringLiteral("<*block*><*font=arialbd.ttf*>[ 2026-03-05 08:00:00 ]<*/*><*/*>"));
        QCOMPARE(LiveChart::legendEntry("ICON", "CH1", 0x00cc00, "N/A"),
                 QStringLiteral("<*block*>ICON CH1: <*font,bgColor=00cc00*> N/A <*font*><*/*>"));
    }
};

QTEST_MAIN(TestLiveDisplay)
#include "tst_LiveDisplay.moc"
