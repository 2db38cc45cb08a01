#pragma once

#include <QLockFile>
#include <QString>

// Keeps one recorder per user: the first process holds a lock file in the
// user's runtime directory for as long as it runs. A lock left by a crashed
// process is taken over.
class SingleInstance
{
public:
    explicit SingleInstance(const QString &key);

    // True when no other process holds the lock; this process then keeps it.
    bool tryAcquire();
    QString lockPath() const { return m_path; }

private:
    QString m_path;
    QLockFile m_lock;
};
