#include "CompanionLauncher.h"

#include "core/ProjectFile.h"
#include "widgets/MessageDialog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QProcess>
#include <QStandardPaths>

Q_LOGGING_CATEGORY(lcLauncher, "moravin.common.companion")

CompanionLauncher::CompanionLauncher(QWidget *messageParent)
    : m_messageParent(messageParent),
      m_start([](const QString &program, const QStringList &arguments) {
          return QProcess::startDetached(program, arguments);
      })
{
}

void CompanionLauncher::setSearchDirectories(const QStringList &directories)
{
    m_directories = directories;
}

void CompanionLauncher::setStarter(const Starter &starter)
{
    m_start = starter;
}

QString CompanionLauncher::programName(Companion companion)
{
    return companion == Trendora ? QStringLiteral("Trendora") : QStringLiteral("Pagewright");
}

QString CompanionLauncher::commandText(Companion companion, const QString &projectFile)
{
    return programName(companion) + QStringLiteral(" '") + projectFile + QLatin1Char('\'');
}

QStringList CompanionLauncher::searchDirectories(Companion companion) const
{
    if (m_directories)
        return *m_directories;
    const QString own = QCoreApplication::applicationDirPath();
    const QString sibling =
        companion == Trendora ? QStringLiteral("/../viewer") : QStringLiteral("/../report");
    return {own, QDir::cleanPath(own + sibling)};
}

QString CompanionLauncher::programPath(Companion companion) const
{
    const QString name = programName(companion);
    for (const QString &directory : searchDirectories(companion)) {
        const QFileInfo candidate(QDir(directory).filePath(name));
        if (candidate.isFile() && candidate.isExecutable())
            return candidate.absoluteFilePath();
    }
    const QString onPath = QStandardPaths::findExecutable(name);
    return onPath.isEmpty() ? name : onPath;
}

bool CompanionLauncher::launch(Companion companion, const QString &projectFile,
                               const std::optional<QString> &stopTime) const
{
    const ProjectFile project(projectFile);
    if (!QFileInfo(project.databasePath()).isFile()) {
        MessageDialog::showTransient(QStringLiteral("WARNING"),
                                     QStringLiteral("There is no data file."), m_messageParent);
        return false;
    }
    if (stopTime)
        project.writeValue(QStringLiteral("record_stop_time"), *stopTime);

    const QString command = commandText(companion, projectFile);
    qCDebug(lcLauncher).noquote() << "cmd :" << command;
    // The path goes as one argument, quoted as in the command text: the
    // companions join their arguments with blanks and drop every quote, so
    // blanks inside the path (even several in a row) arrive unchanged.
    const QStringList arguments{QLatin1Char('\'') + projectFile + QLatin1Char('\'')};
    if (m_start(programPath(companion), arguments))
        return true;
    qCDebug(lcLauncher).noquote() << "startDetached :" + command + " failed!";
    MessageDialog::showTransient(
        QStringLiteral("ERROR"),
        QStringLiteral("Please check the %1 execution file.").arg(programName(companion)),
        m_messageParent);
    return false;
}
