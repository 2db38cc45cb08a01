#include "core/CompanionProjectReader.h"
#include "core/ProjectFile.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

class TestCompanionProjectReader : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;

    QString makeProject(const QString &name, bool withDatabase, const QByteArray &deviceList)
    {
        const QString dir = m_dir.filePath(name);
        QDir().mkpath(dir);
        const QString file = dir + "/" + name.section('/', -1) + ".qpj";
        QSettings s(file, QSettings::IniFormat);
        s.setValue("databaseName", "data.dat");
        if (!deviceList.isNull())
            s.setValue("DeviceList", deviceList);
        s.sync();
        if (withDatabase) {
            QFile db(dir + "/data.dat");
            db.open(QIODevice::WriteOnly);
        }
        return file;
    }

private slots:
    void rebuildsThePathFromSplitQuotedArguments()
    {
        QCOMPARE(CompanionProjectReader::projectPathFromArguments(
                     {"Trendora", "'C:\\My", "Projects\\Cold", "room.qpj'"}),
                 QStringLiteral("C:/My Projects/Cold room.qpj"));
        QCOMPARE(CompanionProjectReader::projectPathFromArguments({"Trendora", "/a/b.qpj"}),
                 QStringLiteral("/a/b.qpj"));
    }

    void readsAProjectWithBlanksInItsPath()
    {
        DeviceSettings d;
        d.deviceNumber = "S1";
        d.deviceInterface = DeviceSettings::Usb;
        d.ch1Min = 2.5f;
        const QString file =
            makeProject("with blanks/Cold room", true, DeviceListCodec::encode({d}));
        QStringList args{"Trendora"};
        args += ("'" + file + "'").split(' ');
        QVERIFY(args.size() > 2);

        const auto r = CompanionProjectReader::read(args);
        QVERIFY2(r.ok, qPrintable(r.errorText));
        QCOMPARE(r.projectFile, file);
        QCOMPARE(r.databasePath, QFileInfo(file).absolutePath() + "/data.dat");
        QCOMPARE(r.devices.size(), 1);
        const DeviceSettings &device = r.devices.at(0);
        QCOMPARE(device.deviceNumber, QStringLiteral("S1"));
        QCOMPARE(device.deviceInterface, int(DeviceSettings::Usb));
        QCOMPARE(device.ch1Min, 2.5f);
        QCOMPARE(device.tcpPort, quint16(23));
    }

    void reportsEachStartFailure()
    {
        QCOMPARE(CompanionProjectReader::read({"Trendora"}).errorText,
                 QStringLiteral("Please Set Parameter project Name!"));

        const QString missing = m_dir.filePath("nothing.qpj");
        QCOMPARE(CompanionProjectReader::read({"Trendora", missing}).errorText,
                 "Project File \"" + missing + "\" is not exists!");

        const QString noDb = makeProject("nodb", false, "{\"devices\":[]}");
        const auto r1 = CompanionProjectReader::read({"Trendora", noDb});
        QVERIFY(!r1.ok);
        QCOMPARE(r1.errorText,
                 "DB File \"" + QFileInfo(noDb).absolutePath() + "/data.dat\" is not exists!");

        for (const QByteArray &bad : {QByteArray("[1]"), QByteArray("garbage"), QByteArray()}) {
            const QString file = makeProject("bad", true, bad);
            const auto r = CompanionProjectReader::read({"Pagewright", file});
            QVERIFY(!r.ok);
            QCOMPARE(r.errorText, QStringLiteral("Device Information is crashed!"));
        }
    }

    void projectWithoutDatabaseNameIsRefused()
    {
        const QString dir = m_dir.filePath("noname");
        QDir().mkpath(dir);
        QFile(dir + "/p.qpj").open(QIODevice::WriteOnly);
        const auto r = CompanionProjectReader::read({"Trendora", dir + "/p.qpj"});
        QVERIFY(!r.ok);
        QVERIFY(r.errorText.startsWith("DB File"));
    }
};

QTEST_APPLESS_MAIN(TestCompanionProjectReader)
#include "tst_CompanionProjectReader.moc"
