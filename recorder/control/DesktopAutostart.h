#pragma once

#include <QString>

// "Start with the desktop session": an entry in the user's XDG autostart
// folder ($XDG_CONFIG_HOME/autostart, else ~/.config/autostart) that starts
// the recorder when the user logs in. It carries the desktop file id of the
// installed program, so that it also overrides a system-wide entry of it.
class DesktopAutostart
{
public:
    static constexpr const char *FileName = "example.moravin.MoravinLite.desktop";

    // configHome: the folder that holds "autostart"; empty for the user's.
    explicit DesktopAutostart(const QString &configHome = QString());

    QString entryPath() const { return m_path; }
    // The entry exists and is not hidden.
    bool isEnabled() const;
    // Writes the entry for executable (atomically), or removes it.
    bool enable(const QString &executable);
    bool disable();

    static QString entryText(const QString &executable);
    // Exec value of one program path, quoted and escaped as desktop entries need.
    static QString execValue(const QString &executable);
    // The program to start: the installed one this process runs from.
    static QString recorderExecutable();

private:
    QString m_path;
};
