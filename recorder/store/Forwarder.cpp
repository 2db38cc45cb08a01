#include "Forwarder.h"

#include "ForwarderWorker.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>

Forwarder::Forwarder(const ForwarderSettings &settings, QObject *parent)
    : QObject(parent), m_stop(std::make_shared<std::atomic_bool>(false))
{
    qRegisterMetaType<Forwarder::State>();
    m_thread.setObjectName(QStringLiteral("Forwarder"));
    m_worker = new ForwarderWorker(settings, m_stop);
    m_worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    connect(&m_thread, &QThread::finished, this, &Forwarder::finished);
    connect(m_worker, &ForwarderWorker::stateChanged, this, &Forwarder::onState);
    connect(m_worker, &ForwarderWorker::waitingChanged, this, &Forwarder::onWaiting);
    connect(m_worker, &ForwarderWorker::problem, this, &Forwarder::problem);
    connect(m_worker, &ForwarderWorker::lost, this, &Forwarder::onLost);
    connect(m_worker, &ForwarderWorker::back, this, &Forwarder::onBack);
    connect(m_worker, &ForwarderWorker::forwarded, this, &Forwarder::forwarded);
}

Forwarder::~Forwarder()
{
    m_stop->store(true);
    m_thread.quit();
    m_thread.wait();
}

void Forwarder::start()
{
    if (m_thread.isRunning())
        return;
    m_thread.start(QThread::LowPriority);
    QMetaObject::invokeMethod(m_worker, &ForwarderWorker::start, Qt::QueuedConnection);
}

void Forwarder::stop()
{
    m_stop->store(true);
    if (m_thread.isRunning())
        m_thread.quit();
    else
        QMetaObject::invokeMethod(this, &Forwarder::finished, Qt::QueuedConnection);
}

void Forwarder::setDevices(const QVector<ServerDevice> &devices)
{
    QMetaObject::invokeMethod(
        m_worker, [worker = m_worker, devices] { worker->setDevices(devices); },
        Qt::QueuedConnection);
}

void Forwarder::wake()
{
    QMetaObject::invokeMethod(m_worker, &ForwarderWorker::wake, Qt::QueuedConnection);
}

QString Forwarder::statusText(State state, qint64 waiting)
{
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    if (waiting > 0)
        return waiting == 1
                   ? QStringLiteral("Server: 1 reading waiting")
                   : QStringLiteral("Server: %1 readings waiting").arg(english.toString(waiting));
    switch (state) {
    case State::Connecting:
        return QStringLiteral("Server: connecting");
    case State::Connected:
        return QStringLiteral("Server: all readings stored");
    case State::Unreachable:
        return QStringLiteral("Server: not reachable");
    case State::Refused:
        return QStringLiteral("Server: refuses the readings");
    }
    return QString();
}

void Forwarder::onState(int state, const QString &detail)
{
    m_state = State(state);
    emit stateChanged(m_state, detail);
    emit statusTextChanged(statusText());
}

void Forwarder::onWaiting(qint64 readings)
{
    m_waiting = readings;
    emit waitingChanged(readings);
    emit statusTextChanged(statusText());
}

void Forwarder::onLost(const QString &reason, qint64 waiting)
{
    EventRecord e;
    e.time = QDateTime::currentSecsSinceEpoch();
    e.kind = EventKind::ServerLost;
    QJsonObject detail{{QStringLiteral("reason"), reason}};
    if (waiting >= 0)
        detail.insert(QStringLiteral("waiting"), waiting);
    e.detail = QString::fromUtf8(QJsonDocument(detail).toJson(QJsonDocument::Compact));
    emit serverEvent(e);
}

void Forwarder::onBack(qint64 waiting, qint64 downSeconds)
{
    EventRecord e;
    e.time = QDateTime::currentSecsSinceEpoch();
    e.kind = EventKind::ServerBack;
    e.detail =
        QString::fromUtf8(QJsonDocument(QJsonObject{{QStringLiteral("waiting"), waiting},
                                                    {QStringLiteral("down_seconds"), downSeconds}})
                              .toJson(QJsonDocument::Compact));
    emit serverEvent(e);
}
