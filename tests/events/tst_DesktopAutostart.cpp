#include "control/DesktopAutostart.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {
QString entryValue(const QString &path, const QString &key)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (line.startsWith(key.toUtf8() + '='))
            return QString::fromUtf8(line.mid(key.size() + 1));
    }
    return QString();
}

// The reading side of a desktop entry's Exec key, as a launcher does it:
// string escapes first, then the quoting of the command line.
QStringList execArguments(const QString &value)
{
    QString unescaped;
    for (int i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
            const QChar c = value[++i];
            unescaped += c == 's'   ? QChar(' ')
                         : c == 'n' ? QChar('\n')
                         : c == 't' ? QChar('\t')
                                    : c;
        } else {
            unescaped += value[i];
        }
    }
    QStringList args(QString{});
    bool quoted = false;
    for (int i = 0; i < unescaped.size(); ++i) {
        const QChar c = unescaped[i];
        if (quoted && c == '\\' && i + 1 < unescaped.size())
            args.last() += unescaped[++i];
        else if (c == '"')
            quoted = !quoted;
        else if (c == '%' && i + 1 < unescaped.size() && unescaped[i + 1] == '%')
            args.last() += unescaped[++i];
        else if (c == ' ' && !quoted)
            args << QString();
        else
            args.last() += c;
    }
    return args;
}
} // namespace

// "Start with the desktop session": the XDG autostart entry.
class TestDesktopAutostart : public QObject
{
    Q_OBJECT
private slots:
    void writesAValidEntryAndRemovesIt()
    {
        QTemporaryDir home;
        DesktopAutostart autostart(home.path());
        QCOMPARE(autostart.entryPath(),
                 home.path() + "/autostart/example.moravin.MoravinLite.desktop");
        QVERIFY(!autostart.isEnabled());
        QVERIFY(autostart.enable("/usr/bin/MoravinLite"));
        QVERIFY(autostart.isEnabled());
        QCOMPARE(entryValue(autostart.entryPath(), "Exec"), QStringLiteral("/usr/bin/MoravinLite"));
        QCOMPARE(entryValue(autostart.entryPath(), "TryExec"),
                 QStringLiteral("/usr/bin/MoravinLite"));
        QCOMPARE(entryValue(autostart.entryPath(), "Type"), QStringLiteral("Application"));

        const QString validator = QStandardPaths::findExecutable("desktop-file-validate");
        QVERIFY2(!validator.isEmpty(), "desktop-file-validate (desktop-file-utils) is needed");
        QProcess check;
        check.start(validator, {autostart.entryPath()});
        QVERIFY(check.waitForFinished(30000));
        QVERIFY2(check.exitCode() == 0, check.readAllStandardOutput().constData());

        QVERIFY(autostart.disable());
        QVERIFY(!QFile::exists(autostart.entryPath()));
        QVERIFY(!autostart.isEnabled());
        QVERIFY(autostart.disable()); // nothing to remove is fine
    }

    void awkwardProgramPathsSurviveQuoting()
    {
        QTemporaryDir home;
        DesktopAutostart autostart(home.path());
        for (const QString &program :
             {QStringLiteral("/opt/My Tools/MoravinLite"), QStringLiteral("/opt/$HOME/100%/a\"b`c"),
              QStringLiteral("/opt/back\\slash/MoravinLite")}) {
            QVERIFY(autostart.enable(program));
            const QString exec = entryValue(autostart.entryPath(), "Exec");
            QCOMPARE(execArguments(exec), QStringList{program});
            QProcess check;
            check.start(QStandardPaths::findExecutable("desktop-file-validate"),
                        {autostart.entryPath()});
            QVERIFY(check.waitForFinished(30000));
            QVERIFY2(check.exitCode() == 0, check.readAllStandardOutput().constData());
        }
    }

    void hiddenEntryIsOff()
    {
        QTemporaryDir home;
        DesktopAutostart autostart(home.path());
        QVERIFY(autostart.enable("/usr/bin/MoravinLite"));
        QFile f(autostart.entryPath());
        QVERIFY(f.open(QIODevice::Append));
        f.write("Hidden=true\n");
        f.close();
        QVERIFY(!autostart.isEnabled());
    }

    void usersFolderFollowsXdgConfigHome()
    {
        const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
        QTemporaryDir home;
        qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
        QCOMPARE(QFileInfo(DesktopAutostart().entryPath()).path(), home.path() + "/autostart");
        // A relative value does not count.
        qputenv("XDG_CONFIG_HOME", "relative/config");
        QCOMPARE(QFileInfo(DesktopAutostart().entryPath()).path(),
                 QDir::homePath() + "/.config/autostart");
        qunsetenv("XDG_CONFIG_HOME");
        QCOMPARE(QFileInfo(DesktopAutostart().entryPath()).path(),
                 QDir::homePath() + "/.config/autostart");
        qputenv("XDG_CONFIG_HOME", saved);
    }

    void runsTheProgramItIsPartOf()
    {
        const QString exe = DesktopAutostart::recorderExecutable();
        QVERIFY(QFileInfo(exe).isExecutable());
        QCOMPARE(QFileInfo(exe).fileName(), QStringLiteral("tst_DesktopAutostart"));
    }
};

QTEST_GUILESS_MAIN(TestDesktopAutostart)
#include "tst_DesktopAutostart.moc"
