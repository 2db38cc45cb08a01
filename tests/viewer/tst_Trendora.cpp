#include "QChartViewer.h"
#include "TableModel.h"
#include "TestProject.h"
#include "TimerBarrier.h"
#include "Trendora.h"
#include "ViewPortManager.h"
#include "XYChart.h"
#include "core/CompanionProjectReader.h"
#include "core/NoValue.h"
#include "widgets/MessageDialog.h"

#include <QAction>
#include <QDateTimeEdit>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QToolBox>
#include <QtTest>

#include <ctime>

using Row = TestProject::Row;

namespace {

constexpr qint64 T0 = 1767225600; // 2026-01-01 00:00 UTC

QList<DeviceSettings> devicesOf(const QString &project)
{
    return CompanionProjectReader::read({"Trendora", project}).devices;
}

// The texts of the messages the window shows, "title|text"; closes them.
QStringList takeMessages(QWidget &w)
{
    QStringList texts;
    for (MessageDialog *m : w.findChildren<MessageDialog *>()) {
        texts << m->title() + "|" + m->text();
        delete m;
    }
    return texts;
}

// A project with one USB device per serial number; the second has no name of
// its own, so that the list shows its number instead.
QString makeProject(const QString &dir, const QString &name, const QStringList &serials,
                    const QString &start, const QString &stop)
{
    QList<DeviceSettings> devices;
    for (const QString &s : serials)
        devices.append(TestProject::usbDevice(s, s == serials.value(1) ? QString() : "Dev " + s,
                                              "Temp " + s, "Hum " + s, 0, 0));
    const TestProject project(dir, name);
    project.writeProject(devices, start, stop);
    return project.projectFile();
}

template <typename T> T *child(QWidget &w, const char *name)
{
    return w.findChild<T *>(QString::fromLatin1(name));
}

} // namespace

class TestTrendora : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString m_project;

    bool makeChart(Trendora &w, const QList<int> &rows)
    {
        auto *list = child<QListWidget>(w, "listWidget_device");
        for (int r : rows)
            w.slotConfigSelected(list->item(r));
        QSignalSpy ready(&w, &Trendora::chartReady);
        w.slotView();
        return ready.wait(10000);
    }

private slots:
    void initTestCase()
    {
        qputenv("TZ", "UTC");
        tzset();
        Q_INIT_RESOURCE(moravin);
        std::vector<Row> rows;
        for (qint64 t = 0; t < 3000; ++t) {
            if (t >= 1000 && t < 1100) // an outage of A
                rows.push_back({"B", 50 + t % 7, {}, T0 + t});
            else {
                rows.push_back({"A", 20 + (t % 100) / 10.0, 40, T0 + t});
                rows.push_back({"B", 50 + t % 7, {}, T0 + t});
            }
        }
        QVERIFY(TestProject::makeDatabase(m_dir.filePath("proj.dat"), rows));
        m_project = makeProject(m_dir.path(), "proj", {"A", "B", "C"}, "2026-01-01 00:00:00",
                                "2026-01-01 00:49:59");
    }

    void windowAndLabels()
    {
        Trendora w(m_project, devicesOf(m_project));
        QCOMPARE(w.windowTitle(), QStringLiteral("Trendora"));
        QCOMPARE(w.size(), QSize(1150, 600));
        QCOMPARE(w.minimumSize(), QSize(1024, 510));
        QCOMPARE(child<QLabel>(w, "label_interval")->text(), QStringLiteral("Interval : 1 sec"));
        QCOMPARE(child<QLabel>(w, "label_period")->text(),
                 QStringLiteral("2026-01-01 00:00:00 ~ 2026-01-01 00:49:59"));
        QVERIFY(child<QLabel>(w, "label_project")->text().endsWith("/proj.qpj"));
        QCOMPARE(w.databasePath(), m_dir.filePath("proj.dat"));
        auto *list = child<QListWidget>(w, "listWidget_device");
        QCOMPARE(list->count(), 6);
        QCOMPARE(list->item(0)->text(), QStringLiteral("Temp A\t[Dev A]"));
        QCOMPARE(list->item(0)->data(Qt::ToolTipRole).toString(), QStringLiteral("A_channel1"));
        QCOMPARE(list->item(3)->text(), QStringLiteral("Hum B\t[B]")); // empty name: the number
        QCOMPARE(list->item(3)->data(Qt::ToolTipRole).toString(), QStringLiteral("B_channel2"));
        auto *make = child<QPushButton>(w, "btn_makeChart");
        QCOMPARE(make->text(), QStringLiteral("MAKE CHART"));
        QCOMPARE(make->toolTip(), QStringLiteral("Make Chart and Table"));
        QVERIFY(!make->isEnabled());
        auto *exportButton = child<QPushButton>(w, "btn_export");
        QVERIFY(!exportButton->isEnabled());
        QVERIFY(exportButton->isHidden());
        QCOMPARE(exportButton->toolTip(), QStringLiteral("Export CSV File"));
        QCOMPARE(child<QPushButton>(w, "btn_zoomIn")->toolTip(), QStringLiteral("Zoom In"));
        QCOMPARE(child<QPushButton>(w, "btn_zoomOut")->toolTip(), QStringLiteral("Zoom Out"));
        auto *box = child<QToolBox>(w, "toolBox");
        QCOMPARE(box->itemText(0), QStringLiteral("SELECT DEVICE"));
        QCOMPARE(box->itemText(1), QStringLiteral("TABLE VIEW"));
        QCOMPARE(box->currentIndex(), 0);
        QCOMPARE(w.chartViewer()->mouseMode(), int(QChartViewer::MouseUsageScroll));
        QVERIFY(QByteArray::fromBase64(w.connectionTag().toLatin1()).startsWith("{"));
    }

    void dateEditorsAndTheirSixtySecondRules()
    {
        Trendora w(m_project, devicesOf(m_project));
        auto *start = child<QDateTimeEdit>(w, "dateTimeEdit_start");
        auto *end = child<QDateTimeEdit>(w, "dateTimeEdit_end");
        const QDateTime recStart =
            QDateTime::fromString("2026-01-01 00:00:00", "yyyy-MM-dd hh:mm:ss");
        const QDateTime recStop =
            QDateTime::fromString("2026-01-01 00:49:59", "yyyy-MM-dd hh:mm:ss");
        QCOMPARE(start->displayFormat(), QStringLiteral("yyyy-MM-dd hh:mm:ss"));
        QVERIFY(start->calendarPopup());
        // Shorter than a month: the start's lower bound is the record start.
        QCOMPARE(start->dateTime(), recStart);
        QCOMPARE(start->minimumDateTime(), recStart);
        QCOMPARE(start->maximumDateTime(), recStop.addSecs(-60));
        QCOMPARE(end->dateTime(), recStop);
        QCOMPARE(end->minimumDateTime(), recStart.addSecs(60));
        QCOMPARE(end->maximumDateTime(), recStop);

        start->setDateTime(recStart.addSecs(600));
        end->setDateTime(recStart.addSecs(630)); // within 60 s of the start
        QCOMPARE(end->dateTime(), recStart.addSecs(660));
        start->setDateTime(recStart.addSecs(650)); // within 60 s of the end
        QCOMPARE(start->dateTime(), recStart.addSecs(600));
    }

    void selectionOfAtMostFour()
    {
        Trendora w(m_project, devicesOf(m_project));
        auto *list = child<QListWidget>(w, "listWidget_device");
        auto *make = child<QPushButton>(w, "btn_makeChart");
        const QImage none = QIcon(":/img/nocheck.png").pixmap(16).toImage();
        const QImage check = QIcon(":/img/check.png").pixmap(16).toImage();
        for (int i = 0; i < 4; ++i)
            w.slotConfigSelected(list->item(i));
        QVERIFY(make->isEnabled());
        QCOMPARE(w.selectedItems().size(), 4);
        QCOMPARE(list->item(2)->icon().pixmap(16).toImage(), check);
        w.slotConfigSelected(list->item(5)); // a fifth changes nothing
        QCOMPARE(w.selectedItems().size(), 4);
        QCOMPARE(list->item(5)->icon().pixmap(16).toImage(), none);
        w.slotConfigSelected(list->item(1)); // deselect while four are selected
        QCOMPARE(w.selectedItems().size(), 3);
        QCOMPARE(list->item(1)->icon().pixmap(16).toImage(), none);
        for (int i : {0, 2, 3})
            w.slotConfigSelected(list->item(i));
        QVERIFY(w.selectedItems().isEmpty());
        QVERIFY(!make->isEnabled());
        w.slotView();
        QCOMPARE(w.lastMessage(),
                 QStringLiteral("Please select at least one or more Device.\nPlease retry."));
        QVERIFY(!w.isBusy());
    }

    void makeChartShowsTheNewestFifthAndTheTable()
    {
        Trendora w(m_project, devicesOf(m_project));
        w.resize(1150, 600);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(makeChart(w, {0, 2, 1}));
        QVERIFY(w.isDataReady());
        QVERIFY(!w.isBusy());
        QVERIFY(!w.progressDialog());
        const ViewerSeries &s = w.series();
        QCOMPARE(s.rowCount(), 3000);
        QCOMPARE(s.titles, QStringList({"Temp A", "Temp B", "Hum A"}));
        QCOMPARE(s.values[0][1050], NoValue); // the outage
        QCOMPARE(s.values[1][1050], 50.0);

        ViewPortManager *vp = w.chartViewer()->viewPortManager();
        QCOMPARE(vp->getViewPortWidth(), 0.2);
        QCOMPARE(vp->getViewPortLeft(), 0.8);
        QCOMPARE(vp->getZoomInWidthLimit(), 10.0 / 3000);
        QVERIFY(w.chartViewer()->chart());
        QCOMPARE(w.chartViewer()->chart()->getWidth(), child<QWidget>(w, "frame_chart")->width());

        auto *bar = child<QScrollBar>(w, "horizontalScrollBar");
        QVERIFY(bar->isEnabled());
        QCOMPARE(bar->pageStep(), 200000000);
        QCOMPARE(bar->singleStep(), 10000000);
        QCOMPARE(bar->maximum(), 800000000);
        QCOMPARE(bar->value(), 800000000);

        TableModel *m = w.tableModel();
        QCOMPARE(m->rowCount(), 3000);
        QCOMPARE(m->columnCount(), 4);
        QCOMPARE(m->headerData(0, Qt::Horizontal).toString(), QStringLiteral("DATE TIME"));
        QCOMPARE(m->headerData(3, Qt::Horizontal).toString(), QStringLiteral("BLUE"));
        QCOMPARE(m->data(m->index(0, 0)).toString(), QStringLiteral("2026-01-01 00:00:00"));
        QCOMPARE(m->data(m->index(5, 1)).toString(), QStringLiteral("20.50"));
        QVERIFY(!m->data(m->index(1050, 1)).isValid()); // empty cell
        QCOMPARE(m->data(m->index(1050, 2)).toString(), QStringLiteral("50.00"));
        QVERIFY(!m->data(m->index(-1, 0)).isValid());
        QVERIFY(!m->data(m->index(0, 1), Qt::EditRole).isValid());

        QVERIFY(!child<QPushButton>(w, "btn_makeChart")->isVisible());
        QVERIFY(child<QPushButton>(w, "btn_export")->isVisible());
        QVERIFY(!child<QListWidget>(w, "listWidget_device")->isEnabled());
        QVERIFY(!child<QDateTimeEdit>(w, "dateTimeEdit_start")->isEnabled());
        QCOMPARE(child<QToolBox>(w, "toolBox")->currentIndex(), 1);

        // Scroll bar to the left end: the view port follows.
        bar->setValue(0);
        QTRY_COMPARE(vp->getViewPortLeft(), 0.0);
        // Whole range visible: the scroll bar is disabled.
        vp->setViewPortWidth(1);
        w.chartViewer()->requestViewPortUpdate(true, false);
        QTRY_VERIFY(!bar->isEnabled());
    }

    void tableColumnsShowEveryValueWhole()
    {
        // Values from 100 up and below zero far from the first rows, and four
        // channels: every cell reads whole and every column is on screen.
        const QString dir = m_dir.filePath("wide");
        QDir().mkpath(dir);
        std::vector<Row> rows;
        for (qint64 t = 0; t < 3000; ++t) {
            rows.push_back({"A", t == 2999 ? 1234.56 : 5.0, t == 2500 ? -987.25 : 1.0, T0 + t});
            rows.push_back({"B", 100.5, 50, T0 + t});
        }
        QVERIFY(TestProject::makeDatabase(dir + "/w.dat", rows));
        const QString p =
            makeProject(dir, "w", {"A", "B"}, "2026-01-01 00:00:00", "2026-01-01 00:49:59");
        Trendora w(p, devicesOf(p));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(makeChart(w, {0, 1, 2, 3}));
        auto *table = child<QTableView>(w, "tableView");
        QHeaderView *header = table->horizontalHeader();
        const QFontMetrics fm = table->fontMetrics();
        const QStringList widest{"2026-01-01 00:49:59", "1234.56", "-987.25", "100.50", "50.00"};
        QCOMPARE(header->count(), widest.size());
        for (int c = 0; c < widest.size(); ++c) {
            QCOMPARE(w.tableModel()->widestText(c).size(), widest.at(c).size());
            QVERIFY2(header->sectionSize(c) >= fm.horizontalAdvance(widest.at(c)) + 4,
                     qPrintable(widest.at(c)));
            QVERIFY(header->sectionSize(c) >= header->sectionSizeHint(c));
        }
        QTRY_VERIFY(table->isVisible());
        QTRY_COMPARE(table->horizontalScrollBar()->maximum(), 0);
        QVERIFY(header->sectionViewportPosition(4) + header->sectionSize(4) <=
                table->viewport()->width());
    }

    void zoomButtonsWheelAndCursor()
    {
        Trendora w(m_project, devicesOf(m_project));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(makeChart(w, {0, 2}));
        QChartViewer *v = w.chartViewer();
        auto *in = child<QPushButton>(w, "btn_zoomIn");
        auto *out = child<QPushButton>(w, "btn_zoomOut");
        w.onMouseZoomIn(true);
        QVERIFY(in->isChecked() && !out->isChecked());
        QCOMPARE(v->mouseMode(), int(QChartViewer::MouseUsageZoomIn));
        w.onMouseZoomOut(true);
        QVERIFY(!in->isChecked() && out->isChecked());
        QCOMPARE(v->mouseMode(), int(QChartViewer::MouseUsageZoomOut));
        w.onMouseZoomOut(false);
        QCOMPARE(v->mouseMode(), int(QChartViewer::MouseUsageScroll));

        ViewPortManager *vp = v->viewPortManager();
        const double left = vp->getViewPortLeft();
        const QPointF at(vp->getPlotAreaLeft() + vp->getPlotAreaWidth() / 2.0,
                         vp->getPlotAreaTop() + 20);
        QWheelEvent wheel(at, v->mapToGlobal(at.toPoint()), QPoint(), QPoint(0, 120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        w.onMouseWheelChart(&wheel);
        QCOMPARE(vp->getViewPortWidth(), 0.2 * 0.9);
        QVERIFY(qAbs(vp->getViewPortLeft() - (left + 0.5 * (0.2 - 0.18))) < 1e-9);
        // Zooming in stops at about ten points across; the redraw that the
        // wheel asked for keeps it there.
        for (int i = 0; i < 200; ++i)
            w.onMouseWheelChart(&wheel);
        QVERIFY(TimerBarrier::pass(v->updateInterval()));
        QCOMPARE(vp->getViewPortWidth(), 10.0 / 3000);
        QWheelEvent back(at, v->mapToGlobal(at.toPoint()), QPoint(), QPoint(0, -120), Qt::NoButton,
                         Qt::NoModifier, Qt::NoScrollPhase, false);
        for (int i = 0; i < 200; ++i)
            w.onMouseWheelChart(&back);
        QVERIFY(TimerBarrier::pass(v->updateInterval()));
        QCOMPARE(vp->getViewPortWidth(), 1.0);

        // The track cursor is drawn while the mouse is over the plot area and
        // gone once it leaves.
        const QImage plain = v->pixmap(Qt::ReturnByValue).toImage();
        QMouseEvent move(QEvent::MouseMove, at, v->mapToGlobal(at.toPoint()), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(v, &move);
        QTRY_VERIFY(v->isMouseOnPlotArea());
        QTRY_VERIFY(v->pixmap(Qt::ReturnByValue).toImage() != plain);
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(v, &leave);
        QVERIFY(!v->isMouseOnPlotArea());
        QCOMPARE(v->pixmap(Qt::ReturnByValue).toImage(), plain);
    }

    void errorReturnsToSelecting()
    {
        Trendora w(m_project, devicesOf(m_project));
        QSignalSpy failed(&w, &Trendora::generationFailed);
        auto *list = child<QListWidget>(w, "listWidget_device");
        w.slotConfigSelected(list->item(4)); // device C has no rows
        w.slotView();
        QVERIFY(w.isBusy());
        QVERIFY(!list->isEnabled());
        QVERIFY(failed.wait(10000));
        QCOMPARE(failed.at(0).at(0).toString(),
                 QStringLiteral("There is no stored data.\nPlease retry."));
        QVERIFY(!w.isBusy());
        QVERIFY(list->isEnabled());
        QVERIFY(child<QPushButton>(w, "btn_makeChart")->isEnabled());
        QVERIFY(!w.progressDialog());
        const auto dialogs = w.findChildren<MessageDialog *>();
        QCOMPARE(dialogs.size(), 1);
        QCOMPARE(dialogs.first()->title(), QStringLiteral("ERROR"));
    }

    void csvExport()
    {
        Trendora w(m_project, devicesOf(m_project));
        QVERIFY(makeChart(w, {0, 2}));
        QString proposed;
        const QString target = m_dir.filePath("out");
        w.askSaveFileName = [&](const QString &p) {
            proposed = p;
            return target;
        };
        QString opened;
        w.openFile = [&](const QString &f) { opened = f; };
        QSignalSpy written(&w, &Trendora::csvWritten);
        w.slotCsvExport();
        QVERIFY(written.wait(10000));
        QVERIFY(proposed.startsWith(m_dir.path() + "/proj_"));
        QVERIFY(proposed.endsWith(".csv"));
        QCOMPARE(proposed.size(), (m_dir.path() + "/proj_yyyyMMddhhmmss.csv").size());
        QCOMPARE(opened, target + ".csv");
        QFile f(opened);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray all = f.readAll();
        const QList<QByteArray> lines = all.split('\n');
        QCOMPARE(lines.size(), 3001);
        QCOMPARE(lines[0], QByteArray("DATE TIME,Temp A,Temp B"));
        QCOMPARE(lines[1], QByteArray("2026-01-01 00:00:00,20.00,50.00,"));
        QCOMPARE(lines[1051], QByteArray("2026-01-01 00:17:30,----,50.00,"));
        QVERIFY(!all.endsWith('\n'));
        QVERIFY(!w.progressDialog());

        // An empty answer ends the action; so does a file that cannot be opened,
        // which is said. Neither starts a worker.
        w.askSaveFileName = [](const QString &) { return QString(); };
        opened.clear();
        w.slotCsvExport();
        QVERIFY(!w.isBusy());
        QVERIFY(w.lastMessage().isEmpty());
        const QString unwritable = m_dir.filePath("no/such/dir/x.csv");
        w.askSaveFileName = [&](const QString &) { return unwritable; };
        w.slotCsvExport();
        QVERIFY(!w.isBusy());
        QCOMPARE(w.lastMessage(), "The file cannot be written:\n" + unwritable);
        QVERIFY(opened.isEmpty());
        QCOMPARE(written.count(), 1);
    }

    void newViewerCommand()
    {
        Trendora w(m_project, devicesOf(m_project));
        QString program;
        QStringList arguments;
        w.launcher().setStarter([&](const QString &p, const QStringList &a) {
            program = p;
            arguments = a;
            return false;
        });
        w.slotNewViewProject();
        QVERIFY(program.endsWith("Trendora"));
        QCOMPARE(
            CompanionProjectReader::projectPathFromArguments(QStringList{"Trendora"} + arguments),
            m_project);
        QCOMPARE(takeMessages(w), QStringList{"ERROR|Please check the Trendora execution file."});
        // The menu entry starts it.
        program.clear();
        w.findChild<QAction *>("action_newTrendora")->trigger();
        QVERIFY(program.endsWith("Trendora"));
        QCOMPARE(takeMessages(w).size(), 1);

        const QString dir = m_dir.filePath("with blanks");
        QDir().mkpath(dir);
        const QString p =
            makeProject(dir, "a b", {"A"}, "2026-01-01 00:00:00", "2026-01-01 01:00:00");
        Trendora w2(p, devicesOf(p));
        program.clear();
        w2.launcher().setStarter([&](const QString &p, const QStringList &) {
            program = p;
            return true;
        });
        w2.slotNewViewProject();
        QCOMPARE(takeMessages(w2), QStringList{"WARNING|There is no data file."});
        QVERIFY(program.isEmpty());
    }

    void missingRecordTimesComeFromTheDatabase()
    {
        const QString dir = m_dir.filePath("norecord");
        QDir().mkpath(dir);
        std::vector<Row> rows;
        for (qint64 t = 0; t < 500; ++t)
            rows.push_back({"A", 1, 1, T0 + 3600 + t * 10});
        QVERIFY(TestProject::makeDatabase(dir + "/p.dat", rows));
        const QString p = makeProject(dir, "p", {"A"}, QString(), "garbage");
        Trendora w(p, devicesOf(p));
        QCOMPARE(w.recordStart().toSecsSinceEpoch(), T0 + 3600);
        QCOMPARE(w.recordStop().toSecsSinceEpoch(), T0 + 3600 + 4990);
        QCOMPARE(child<QLabel>(w, "label_period")->text(),
                 QStringLiteral("2026-01-01 01:00:00 ~ 2026-01-01 02:23:10"));
        QCOMPARE(child<QDateTimeEdit>(w, "dateTimeEdit_start")->dateTime(), w.recordStart());
        QVERIFY(makeChart(w, {0}));
        QCOMPARE(w.series().rowCount(), 500);

        // Empty table and unreadable times: a usable window all the same.
        QVERIFY(TestProject::makeDatabase(dir + "/p.dat", {}));
        Trendora empty(p, devicesOf(p));
        QVERIFY(empty.recordStart().isValid());
        QVERIFY(empty.recordStop().isValid());
    }

    void longPathIsCutInTheLabel()
    {
        const QString dir = m_dir.filePath(QString(50, 'd'));
        QDir().mkpath(dir);
        TestProject::makeDatabase(dir + "/q.dat", {});
        const QString p =
            makeProject(dir, "q", {"A"}, "2026-01-01 00:00:00", "2026-01-01 01:00:00");
        Trendora w(p, devicesOf(p));
        QCOMPARE(child<QLabel>(w, "label_project")->text(), dir.left(40) + ".../q.qpj");
    }
};

QTEST_MAIN(TestTrendora)
#include "tst_Trendora.moc"
