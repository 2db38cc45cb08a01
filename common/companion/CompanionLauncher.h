#pragma once

#include <QStringList>

#include <functional>
#include <optional>

class QWidget;

// Starts the viewer or the report program on a project, as an independent
// process nobody waits for: from the recorder, and from a companion for
// another window of its own kind ("New Trendora", "New Report").
class CompanionLauncher
{
public:
    enum Companion
    {
        Trendora,
        Pagewright
    };
    using Starter = std::function<bool(const QString &program, const QStringList &arguments)>;

    // Messages are shown over messageParent.
    explicit CompanionLauncher(QWidget *messageParent = nullptr);

    // Replaces the folders searched before the PATH. By default: the
    // running program's own folder, then the companion's folder of the build
    // tree.
    void setSearchDirectories(const QStringList &directories);
    QStringList searchDirectories(Companion companion) const;
    // The first executable file of that name in the folders or on the PATH;
    // the bare name when there is none.
    QString programPath(Companion companion) const;
    // Replaces the detached start of the process (QProcess::startDetached).
    void setStarter(const Starter &starter);

    // Checks the database, writes "record_stop_time" when stopTime is given
    // (the recorder's project panel end time), then starts the companion.
    // Failures are shown to the user; the result says whether a process was
    // started.
    bool launch(Companion companion, const QString &projectFile,
                const std::optional<QString> &stopTime) const;

    static QString programName(Companion companion);
    // The command as the companions receive it: name, blank, quoted path.
    static QString commandText(Companion companion, const QString &projectFile);

private:
    QWidget *m_messageParent;
    std::optional<QStringList> m_directories;
    Starter m_start;
};
