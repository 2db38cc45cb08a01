#pragma once

#include "store/PendingRow.h"

#include "events/EventRecord.h"

#include <QFutureWatcher>
#include <QObject>
#include <QString>

class Notifier;
class RecordingSession;

// The notifications of the open project: a Notifier configured from the
// project's [Notify] and [Mqtt] groups and the kept passwords, fed with
// the session's readings and events and the project's devices; its
// failures go into the session's event log. Settings and passwords are
// read off the GUI thread (the keyring answers over D-Bus).
class NotificationLink : public QObject
{
    Q_OBJECT
public:
    explicit NotificationLink(RecordingSession *session, QObject *parent = nullptr);
    ~NotificationLink() override;

    // Starts anew for this project and the session's devices.
    void open(const QString &projectFile, const QString &projectName);
    // Stops mail and MQTT; nothing goes out until the next open().
    void close();
    Notifier *notifier() const { return m_notifier; }

public slots:
    // The project's notification settings changed.
    void reload();
    // Names, units or limits of the session's devices changed.
    void refreshDevices();

private:
    struct Loaded;
    static Loaded load(const QString &projectFile, const QString &secretFolder);
    void apply();
    void reading(const PendingRow &row);
    void event(const EventRecord &event);

    RecordingSession *m_session;
    Notifier *m_notifier = nullptr;
    QString m_projectFile;
    QString m_projectName;
    QFutureWatcher<Loaded> *m_loader;
};
