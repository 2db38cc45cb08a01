#include "core/DataInterval.h"
#include "core/ProjectFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

namespace {

DeviceSettings device(const QString &number, float ch1Min)
{
    DeviceSettings d;
    d.deviceNumber = number;
    d.deviceInterface = DeviceSettings::Lan;
    d.interfaceAddress = QStringLiteral("127.0.0.7");
    d.ch1Min = ch1Min;
    d.ch1Max = 35.0f;
    return d;
}

QByteArray binaryBytes()
{
    static const char bytes[] = "\x00\x01\xff\xfe[[[=\n\x00garbage";
    return QByteArray(bytes, sizeof(bytes) - 1);
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

} // namespace

class TestProjectFile : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString path(const QString &name) const { return m_dir.filePath(name); }

private slots:
    void headerAndDeviceListReadBackThroughQSettings()
    {
        const ProjectFile project(path("Cellar.qpj"));
        QVERIFY(project.writeHeader("Cellar", 5000, ProjectFile::databaseNameFor(project.path())));
        const QList<DeviceSettings> devices{device("AA01", -10.5f), device("AA02", 1.25f)};
        QVERIFY(project.saveDeviceList(devices));

        QSettings raw(project.path(), QSettings::IniFormat);
        QCOMPARE(raw.value("projectName").toString(), QStringLiteral("Cellar"));
        QCOMPARE(raw.value("DataInterval").toInt(), 5000);
        QCOMPARE(raw.value("databaseName").toString(), QStringLiteral("Cellar.dat"));
        QCOMPARE(raw.value("DeviceList").toByteArray(), DeviceListCodec::encode(devices));
        QCOMPARE(raw.childGroups(), QStringList());

        QCOMPARE(project.projectName(), QStringLiteral("Cellar"));
        QCOMPARE(project.storedDataInterval(), 5000);
        QCOMPARE(project.databasePath(), m_dir.path() + "/Cellar.dat");
        const auto loaded = project.loadDeviceList(DeviceListCodec::Reader::Recorder);
        QVERIFY(loaded.ok);
        QCOMPARE(loaded.devices.size(), 2);
        QVERIFY(loaded.devices.at(0) == devices.at(0));
        QCOMPARE(loaded.devices.at(0).ch1Min, -10.5f);
    }

    void backupHoldsTheListBeforeTheLastSave()
    {
        const ProjectFile project(path("Backup.qpj"));
        QVERIFY(project.saveDeviceList({device("FIRST", 1)}));
        QCOMPARE(project.readValue("Backup").toByteArray(), QByteArray());
        const QByteArray first = project.readValue("DeviceList").toByteArray();
        QVERIFY(project.saveDeviceList({device("SECOND", 2)}));
        QCOMPARE(project.readValue("Backup").toByteArray(), first);
        QVERIFY(project.readValue("DeviceList").toByteArray().contains("SECOND"));
    }

    void otherKeysSurviveASave()
    {
        const ProjectFile project(path("Keys.qpj"));
        QVERIFY(project.writeHeader("Keys", 1000, "Keys.dat"));
        QVERIFY(project.writeValue("record_start_time", "2026-01-02 03:04:05"));
        QVERIFY(project.writeValue("ReportAuthor", "Ann"));
        QVERIFY(project.saveDeviceList({device("X", 0)}));
        QCOMPARE(project.recordStartTime(), QStringLiteral("2026-01-02 03:04:05"));
        QCOMPARE(project.readValue("ReportAuthor").toString(), QStringLiteral("Ann"));
        QCOMPARE(project.storedDataInterval(), 1000);
    }

    void theReportHeadingIsKeptBesideTheOtherKeys()
    {
        const ProjectFile project(path("Heading.qpj"));
        QVERIFY(project.writeHeader("Heading", 1000, "Heading.dat"));
        QCOMPARE(project.reportSubject(), QString());
        QVERIFY(project.writeReportHeading("Weekly check, cold room", "Ann"));
        QCOMPARE(project.reportSubject(), QStringLiteral("Weekly check, cold room"));
        QCOMPARE(project.reportAuthor(), QStringLiteral("Ann"));
        QSettings raw(project.path(), QSettings::IniFormat);
        QCOMPARE(raw.value("ReportSubject").toString(), QStringLiteral("Weekly check, cold room"));
        QCOMPARE(raw.value("ReportAuthor").toString(), QStringLiteral("Ann"));
        QCOMPARE(raw.value("DataInterval").toInt(), 1000);
        const QString directory = path("heading-dir.qpj");
        QVERIFY(QDir().mkpath(directory));
        QVERIFY(!ProjectFile(directory).writeReportHeading("a", "b"));
    }

    void unusableFilesGiveNoDeviceInformation_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("no DeviceList") << QByteArray("[General]\nprojectName=P\n");
        QTest::newRow("not json") << QByteArray("[General]\nDeviceList=hello\n");
        QTest::newRow("json array") << QByteArray("[General]\nDeviceList=\"[1,2]\"\n");
        QTest::newRow("binary") << binaryBytes();
        QTest::newRow("not ini") << QByteArray("<?xml version=\"1.0\"?><project/>");
    }
    void unusableFilesGiveNoDeviceInformation()
    {
        QFETCH(QByteArray, content);
        const QString file = path("bad.qpj");
        writeFile(file, content);
        const ProjectFile project(file);
        QVERIFY(!project.loadDeviceList(DeviceListCodec::Reader::Recorder).ok);
        QCOMPARE(project.storedDataInterval(), 0);
        QCOMPARE(readAll(file), content);
    }

    void missingOrNonNumericIntervalReadsAsZeroAndIsNeverUsed()
    {
        const QString file = path("interval.qpj");
        writeFile(file, "[General]\nDataInterval=fast\n");
        QCOMPARE(ProjectFile(file).storedDataInterval(), 0);
        const QString other = path("interval2.qpj");
        writeFile(other, "[General]\nDataInterval=7000\n");
        QCOMPARE(ProjectFile(other).storedDataInterval(), 7000);

        for (int stored : {0, -1000, 7000, 1, 1000000})
            QCOMPARE(DataInterval::sanitize(stored), DataInterval::Default);
        for (int offered : DataInterval::offered())
            QCOMPARE(DataInterval::sanitize(offered), offered);
    }

    void intervalNames()
    {
        const QList<QPair<int, QString>> names{
            {1000, "1 sec"},   {5000, "5 sec"},    {10000, "10 sec"}, {60000, "1 min"},
            {300000, "5 min"}, {600000, "10 min"}, {0, ""},           {2000, ""}};
        for (const auto &n : names)
            QCOMPARE(DataInterval::intervalText(n.first), n.second);
    }

    // Failures that root meets too: the path is a directory, or it lies under
    // a regular file.
    void unwritableFileReportsFailure()
    {
        const QString directory = path("dir.qpj");
        QVERIFY(QDir().mkpath(directory));
        QVERIFY(!ProjectFile(directory).saveDeviceList({device("X", 0)}));
        QVERIFY(!ProjectFile(directory).writeValue("record_stop_time", "2026-01-01 00:00:00"));
        QVERIFY(QFileInfo(directory).isDir());

        const QString regular = path("plain.txt");
        writeFile(regular, "not a directory\n");
        const QString under = regular + "/P.qpj";
        QVERIFY(!ProjectFile(under).writeHeader("P", 1000, "P.dat"));
        QVERIFY(!ProjectFile(under).saveDeviceList({device("X", 0)}));
        QCOMPARE(readAll(regular), QByteArray("not a directory\n"));
    }

    void displayNameCutsLongDirectories()
    {
        QCOMPARE(ProjectFile::displayName("/home/a/P.qpj", "P"), QStringLiteral("/home/a/P.qpj"));
        const QString dir = "/" + QString(50, 'd');
        QCOMPARE(ProjectFile::displayName(dir + "/P.qpj", "Name"), dir.left(40) + ".../Name.qpj");
        QCOMPARE(ProjectFile::databaseNameFor("/x/y/My.Project.qpj"),
                 QStringLiteral("My.Project.dat"));
    }
};

QTEST_APPLESS_MAIN(TestProjectFile)
#include "tst_ProjectFile.moc"
