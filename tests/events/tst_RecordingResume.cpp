#include "EventTestDatabase.h"
#include "control/RecordingResume.h"
#include "control/ResumeGapRows.h"
#include "events/EventDetail.h"
#include "events/EventText.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {
// The recorder's user settings file, read as bytes: what a process killed
// right after the call would leave behind.
QByteArray settingsOnDisk()
{
    QFile f(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
            QStringLiteral("/MoravinLite/Moravin Lite.conf"));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &content)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(content) == content.size();
}
} // namespace

// Resume after an unexpected end: the remembered recording and the gap rows.
class TestRecordingResume : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        RecordingResume::recordingStopped();
        QVERIFY(QDir::isAbsolutePath(qEnvironmentVariable("XDG_CONFIG_HOME")));
    }

    void remembersARecordingOnDiskAtOnce()
    {
        QCOMPARE(RecordingResume::lastRun().outcome, RecordingResume::StartNormally);
        QTemporaryDir dir;
        const QString project = dir.filePath("Plant.qpj");
        QVERIFY(writeFile(project, "[General]\ndatabaseName=Plant.dat\n"));
        QVERIFY(writeFile(dir.filePath("Plant.dat"), QByteArray()));
        // The recent projects live beside it and must survive it.
        {
            QSettings s(QSettings::NativeFormat, QSettings::UserScope, "MoravinLite",
                        "Moravin Lite");
            s.setValue("RecentProjects/list", QStringList{"Plant"});
        }

        QVERIFY(RecordingResume::recordingStarted(project));
        const QByteArray onDisk = settingsOnDisk();
        QVERIFY2(onDisk.contains("[Resume]"), onDisk.constData());
        QVERIFY(onDisk.contains("recording=true"));
        QVERIFY(onDisk.contains(QFileInfo(project).absoluteFilePath().toUtf8()));

        RecordingResume::LastRun run = RecordingResume::lastRun();
        QCOMPARE(run.outcome, RecordingResume::Resume);
        QCOMPARE(run.projectFile, QFileInfo(project).absoluteFilePath());

        QVERIFY(QFile::remove(dir.filePath("Plant.dat")));
        QCOMPARE(RecordingResume::lastRun().outcome, RecordingResume::DatabaseGone);
        QVERIFY(QFile::remove(project));
        run = RecordingResume::lastRun();
        QCOMPARE(run.outcome, RecordingResume::ProjectGone);
        QCOMPARE(run.projectFile, QFileInfo(project).absoluteFilePath());

        QVERIFY(RecordingResume::recordingStopped());
        QVERIFY(!settingsOnDisk().contains("recording=true"));
        QCOMPARE(RecordingResume::lastRun().outcome, RecordingResume::StartNormally);
        QSettings s(QSettings::NativeFormat, QSettings::UserScope, "MoravinLite", "Moravin Lite");
        QCOMPARE(s.value("RecentProjects/list").toStringList(), QStringList{"Plant"});
        QVERIFY(!RecordingResume::recordingStarted(QString()));
    }

    void resumedEventNamesTheLastReading()
    {
        const EventRecord e = RecordingResume::resumedEvent(5000, 4990);
        QCOMPARE(e.kind, QString(EventKind::RecordResume));
        QCOMPARE(e.time, qint64(5000));
        QCOMPARE(qint64(EventDetail::parse(e.detail).value("lastReading").toDouble()),
                 qint64(4990));
        QVERIFY(EventText::title(e.kind).startsWith("Recording resumed after an unexpected end"));
        QVERIFY(RecordingResume::resumedEvent(5000, 0).detail.isEmpty());
    }

    void gapRowOneIntervalAfterTheLastReadingNotAfterTheResume()
    {
        QCOMPARE(ResumeGapRows::stamp(1000, 10000, 5000), qint64(1010));
        QCOMPARE(ResumeGapRows::stamp(1000, 600000, 5000), qint64(1600));
        QCOMPARE(ResumeGapRows::stamp(1000, 600000, 1300), qint64(1300));
        QCOMPARE(ResumeGapRows::stamp(1000, 1000, 1001), qint64(1001));
        // The clock went back behind the last reading: just after it.
        QCOMPARE(ResumeGapRows::stamp(1000, 60000, 900), qint64(1001));
        QCOMPARE(ResumeGapRows::stamp(1000, 60000, 1000), qint64(1001));

        const QHash<QString, qint64> last{{"KV1", 1000}, {"KV2", 1200}, {"OLD", 50}};
        const auto rows = ResumeGapRows::rows({"KV2", "KV1", "NEW"}, last, 60000, 1230);
        QCOMPARE(rows.size(), 2); // a device without readings needs no break
        QCOMPARE(rows[0].serialNo, QStringLiteral("KV2"));
        QCOMPARE(rows[0].time, qint64(1230));
        QCOMPARE(rows[1].serialNo, QStringLiteral("KV1"));
        QCOMPARE(rows[1].time, qint64(1060));
    }

    void lastStoredReadingsFromTheTable()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("p.dat");
        {
            EventTestDatabase db(path);
            QVERIFY(db.createReadings());
            QVERIFY(db.insertReading("OLD", 1, 2, 100));
            for (qint64 t = 1000; t < 1010; ++t) {
                QVERIFY(db.insertReading("KV1", 20, 40, t));
                QVERIFY(db.insertReading("KV2", std::nullopt, 41, t));
            }
            // One batch may hold rows out of time order.
            QVERIFY(db.insertReading("KV1", 20, 40, 1020));
            QVERIFY(db.insertReading("KV1", 20, 40, 1015));
            QVERIFY(db.insertReading("KV2", std::nullopt, std::nullopt, 1011));
        }
        QHash<QString, qint64> last;
        QVERIFY(ResumeGapRows::lastStored(path, &last));
        QCOMPARE(last, (QHash<QString, qint64>{{"OLD", 100}, {"KV1", 1020}, {"KV2", 1011}}));
        // Only the table's tail is read: a device that stopped long ago is not in it.
        QVERIFY(ResumeGapRows::lastStored(path, &last, 6));
        QCOMPARE(last, (QHash<QString, qint64>{{"KV1", 1020}, {"KV2", 1011}}));

        const QString empty = dir.filePath("empty.dat");
        {
            EventTestDatabase db(empty);
            QVERIFY(db.createReadings());
        }
        QVERIFY(ResumeGapRows::lastStored(empty, &last));
        QVERIFY(last.isEmpty());
        QVERIFY(!ResumeGapRows::lastStored(dir.filePath("missing.dat"), &last));
        QVERIFY(!QFile::exists(dir.filePath("missing.dat")));
    }
};

QTEST_GUILESS_MAIN(TestRecordingResume)
#include "tst_RecordingResume.moc"
