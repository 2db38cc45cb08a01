#pragma once

#include <QStringList>

#include <optional>

class QWidget;

// Starts the viewer or the report program on the open project, as an
// independent process the recorder does not wait for.
class CompanionLauncher
{
public:
    enum Companion
    {
        Trendora,
        Pagewright
    };

    // Messages are shown over messageParent.
    explicit CompanionLauncher(QWidget *messageParent = nullptr);

    // Replaces the folders searched before the PATH. By default: the
    // recorder's own folder, then the companion's folder of the build tree.
    void setSearchDirectories(const QStringList &directories);
    QStringList searchDirectories(Companion companion) const;
    // The first executable file of that name in the folders or on the PATH;
    // the bare name when there is none.
    QString programPath(Companion companion) const;

    // Checks the database, writes "record_stop_time" when stopTime is given
    // (the project panel's end time), then starts the companion. Failures
    // are shown to the user; the result says whether a process was started.
    bool launch(Companion companion, const QString &projectFile,
                const std::optional<QString> &stopTime) const;

    static QString programName(Companion companion);
    // The command as the companions receive it: name, blank, quoted path.
    static QString commandText(Companion companion, const QString &projectFile);

private:
    QWidget *m_messageParent;
    std::optional<QStringList> m_directories;
};
