#include "DesktopAutostart.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {
QString userConfigHome()
{
    const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
    // A relative value is invalid and must be ignored.
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg))
        return xdg;
    return QDir::homePath() + QStringLiteral("/.config");
}

// A string value of a desktop entry: backslash and control characters escaped.
QString stringValue(QString text)
{
    text.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    text.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    text.replace(QLatin1Char('\t'), QStringLiteral("\\t"));
    text.replace(QLatin1Char('\r'), QStringLiteral("\\r"));
    return text;
}
} // namespace

DesktopAutostart::DesktopAutostart(const QString &configHome)
    : m_path((configHome.isEmpty() ? userConfigHome() : configHome) +
             QStringLiteral("/autostart/") + QLatin1String(FileName))
{
}

bool DesktopAutostart::isEnabled() const
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    bool mainGroup = false;
    while (!file.atEnd()) {
        QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(QLatin1Char('[')))
            mainGroup = line == QLatin1String("[Desktop Entry]");
        else if (mainGroup && line.remove(QLatin1Char(' ')) == QLatin1String("Hidden=true"))
            return false;
    }
    return true;
}

bool DesktopAutostart::enable(const QString &executable)
{
    if (!QDir().mkpath(QFileInfo(m_path).absolutePath()))
        return false;
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(entryText(executable).toUtf8());
    return file.commit();
}

bool DesktopAutostart::disable()
{
    return !QFileInfo::exists(m_path) || QFile::remove(m_path);
}

QString DesktopAutostart::execValue(const QString &executable)
{
    // Inside double quotes the characters " ` $ \ are escaped with a
    // backslash; % is doubled so it is no field code; then the whole is a
    // string value of the file, which escapes its backslashes once more.
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool quote = false;
    for (const QChar c : executable)
        quote = quote || reserved.contains(c);
    QString arg = executable;
    if (quote) {
        QString escaped;
        for (const QChar c : executable) {
            if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
                c == QLatin1Char('\\'))
                escaped += QLatin1Char('\\');
            escaped += c;
        }
        arg = QLatin1Char('"') + escaped + QLatin1Char('"');
    }
    arg.replace(QLatin1Char('%'), QStringLiteral("%%"));
    return stringValue(arg);
}

QString DesktopAutostart::entryText(const QString &executable)
{
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Moravin Lite\n"
                          "Comment=Carry on recording after a restart\n"
                          "Exec=%1\n"
                          "TryExec=%2\n"
                          "Icon=moravin\n"
                          "Terminal=false\n"
                          "X-GNOME-Autostart-enabled=true\n")
        .arg(execValue(executable), stringValue(executable));
}

QString DesktopAutostart::recorderExecutable()
{
    return QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath();
}
