#pragma once

#include <QDir>
#include <QFileInfo>
#include <QString>

// The file descriptors of this process: shows whether a connection that
// should be gone still holds a file open.
class OpenFiles
{
public:
    static int countOn(const QString &file)
    {
        const QString target = QFileInfo(file).canonicalFilePath();
        int count = 0;
        const QDir fds(QStringLiteral("/proc/self/fd"));
        for (const QFileInfo &fd : fds.entryInfoList(QDir::Files | QDir::System))
            count += !target.isEmpty() && fd.symLinkTarget() == target;
        return count;
    }
};
