#include "SingleInstance.h"

#include <QDir>
#include <QStandardPaths>

namespace {

QString lockFileFor(const QString &key)
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    QString name = key;
    name.remove(QLatin1Char(' '));
    return dir + QLatin1Char('/') + name + QStringLiteral(".lock");
}

} // namespace

SingleInstance::SingleInstance(const QString &key) : m_path(lockFileFor(key)), m_lock(m_path)
{
    m_lock.setStaleLockTime(0);
}

bool SingleInstance::tryAcquire()
{
    return m_lock.tryLock(0);
}
