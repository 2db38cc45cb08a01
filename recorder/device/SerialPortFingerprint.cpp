#include "SerialPortFingerprint.h"

#include <QList>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace {

QByteArray changeStamp(const struct stat &st)
{
    return QByteArray::number(qint64(st.st_ctim.tv_sec)) + '.' +
           QByteArray::number(qint64(st.st_ctim.tv_nsec));
}

} // namespace

bool SerialPortFingerprint::isSerialPortName(const char *name)
{
    if (std::strncmp(name, "tty", 3) == 0)
        return std::isalpha(static_cast<unsigned char>(name[3])) != 0;
    return std::strncmp(name, "rfcomm", 6) == 0;
}

QByteArray SerialPortFingerprint::take(const QString &deviceDir, const QString &udevDataDir)
{
    const QByteArray dirPath = deviceDir.toLocal8Bit();
    DIR *dir = ::opendir(dirPath.constData());
    if (!dir)
        return QByteArray();
    QList<QByteArray> names;
    while (const dirent *entry = ::readdir(dir)) {
        if (isSerialPortName(entry->d_name))
            names.append(QByteArray(entry->d_name));
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());

    const QByteArray udevPath = udevDataDir.toLocal8Bit();
    // Never empty once the folder could be read, also without any port.
    QByteArray print = dirPath + '\n';
    for (const QByteArray &name : qAsConst(names)) {
        struct stat node;
        if (::stat((dirPath + '/' + name).constData(), &node) != 0)
            continue;
        // A node made again has a new inode and change time.
        print += name + ' ' + QByteArray::number(quint64(node.st_ino)) + ' ' + changeStamp(node);
        // udev keeps what it learnt of a character device in c<major>:<minor>.
        struct stat data;
        const QByteArray dataPath = udevPath + "/c" + QByteArray::number(major(node.st_rdev)) +
                                    ':' + QByteArray::number(minor(node.st_rdev));
        if (::stat(dataPath.constData(), &data) == 0)
            print += ' ' + changeStamp(data);
        print += '\n';
    }
    return print;
}
