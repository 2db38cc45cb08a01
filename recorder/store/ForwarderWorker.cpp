#include "ForwarderWorker.h"

#include "ForwarderLogging.h"
#include "ForwarderSpool.h"
#include "ForwarderUplink.h"
#include "store/ServerConnection.h"

#include <QDateTime>
#include <QTimer>

namespace {

// Events that may still change (a flapping alarm merged into its repeat
// count) are looked at again this far back.
constexpr qint64 EventWindow = 64;
constexpr int EventBatch = 500;
// The catalogue's last contact of a store while it forwards.
constexpr int TouchMs = 60000;

} // namespace

ForwarderWorker::ForwarderWorker(const ForwarderSettings &settings,
                                 std::shared_ptr<std::atomic_bool> stop)
    : m_settings(settings), m_stop(std::move(stop)),
      m_backoff(settings.firstRetryMs, settings.longestRetryMs,
                quint32(qHash(settings.storeId) ^ quint32(QDateTime::currentMSecsSinceEpoch())))
{
}

ForwarderWorker::~ForwarderWorker() = default;

void ForwarderWorker::start()
{
    m_connection = std::make_unique<ServerConnection>();
    m_connection->setStopFlag(m_stop.get());
    m_spool = std::make_unique<ForwarderSpool>(m_settings.spoolPath);
    m_clock.start();
    m_timer = new QTimer(this);
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &ForwarderWorker::cycle);
    setState(Connecting, QString());
    schedule(0);
}

void ForwarderWorker::wake()
{
    // A failed server is not hurried: its back-off stands.
    if (m_attached && m_timer)
        schedule(0);
}

void ForwarderWorker::setDevices(const QVector<ServerDevice> &devices)
{
    m_settings.devices = devices;
    m_catalogueDirty = true;
    wake();
}

void ForwarderWorker::schedule(int ms)
{
    if (!m_stop->load())
        m_timer->start(ms);
}

void ForwarderWorker::setState(int state, const QString &detail)
{
    if (state == m_state)
        return;
    m_state = state;
    emit stateChanged(state, detail);
}

void ForwarderWorker::report(const QString &message)
{
    if (message == m_lastProblem)
        return;
    m_lastProblem = message;
    qCWarning(lcForwarder) << "Forwarder :" << message;
    emit problem(message);
}

void ForwarderWorker::failed(int state, const QString &message)
{
    if (m_stop->load())
        return; // the project closes: nothing went wrong
    if (m_uplink)
        m_mark = m_uplink->readingsMark();
    m_attached = false;
    m_uplink.reset();
    m_connection->close();
    const bool wasUp = m_state == Connected || m_state == Connecting;
    report(message);
    setState(state, message);
    updateWaiting(wasUp);
    if (wasUp) {
        m_lostAt = QDateTime::currentSecsSinceEpoch();
        emit lost(message, m_waiting);
    }
    m_nextAttempt = m_clock.elapsed() + m_backoff.next();
    schedule(int(std::min<qint64>(m_settings.pollMs, m_nextAttempt - m_clock.elapsed())));
}

bool ForwarderWorker::connectServer()
{
    QString error;
    if (!m_spool->open(&error)) {
        // No spool yet: nothing to forward.
        schedule(m_settings.pollMs);
        return false;
    }
    if (!m_connection->open(m_settings.connection, m_settings.connectTimeoutMs)) {
        if (!m_stop->load())
            failed(
                Unreachable,
                QStringLiteral("The server cannot be reached: %1").arg(m_connection->lastError()));
        return false;
    }
    m_uplink = std::make_unique<ForwarderUplink>(*m_connection, m_settings);
    const ForwarderUplink::Status s = m_uplink->attach(*m_spool);
    if (!s.ok()) {
        failed(s.outcome == ForwarderUplink::Outcome::Lost ? Unreachable : Refused, s.message);
        return false;
    }
    m_attached = true;
    m_markKnown = true;
    m_catalogueDirty = true;
    m_sentEvents.clear();
    m_backoff.reset();
    m_sinceTouch.start();
    updateWaiting(true);
    setState(Connected, m_connection->target());
    if (m_everConnected && m_lostAt)
        emit back(m_waiting, QDateTime::currentSecsSinceEpoch() - m_lostAt);
    m_everConnected = true;
    m_lostAt = 0;
    return true;
}

void ForwarderWorker::cycle()
{
    if (m_stop->load())
        return;
    if (!m_attached) {
        // Between attempts the count of waiting readings stays current.
        const qint64 left = m_nextAttempt - m_clock.elapsed();
        if (left > 0) {
            updateWaiting(false);
            schedule(int(std::min<qint64>(m_settings.pollMs, left)));
            return;
        }
        if (!connectServer())
            return;
    }
    if (m_catalogueDirty) {
        const ForwarderUplink::Status s = m_uplink->updateCatalogue(m_settings.devices);
        if (!s.ok()) {
            failed(s.outcome == ForwarderUplink::Outcome::Lost ? Unreachable : Refused, s.message);
            return;
        }
        m_catalogueDirty = false;
    }
    bool more = false;
    if (!forwardReadings(&more) || !forwardEvents())
        return;
    if (m_sinceTouch.elapsed() > TouchMs) {
        const ForwarderUplink::Status s = m_uplink->touch();
        if (!s.ok()) {
            failed(s.outcome == ForwarderUplink::Outcome::Lost ? Unreachable : Refused, s.message);
            return;
        }
        m_sinceTouch.start();
    }
    // A message comes again only after a cycle went through.
    m_lastProblem.clear();
    updateWaiting(!more);
    schedule(more ? 0 : m_settings.pollMs);
}

bool ForwarderWorker::forwardReadings(bool *more)
{
    std::vector<ForwarderSpool::Reading> rows;
    QString error;
    if (!m_spool->readings(m_uplink->readingsMark(), m_settings.batchRows, &rows, &error)) {
        report(QStringLiteral("The project's database cannot be read: %1").arg(error));
        schedule(m_settings.pollMs);
        return false;
    }
    if (rows.empty())
        return true;
    QStringList refusals;
    const ForwarderUplink::Status s = m_uplink->sendReadings(rows, &refusals);
    for (const QString &refusal : refusals) {
        qCWarning(lcForwarder) << "Forwarder :" << refusal;
        emit problem(refusal);
    }
    if (!s.ok()) {
        failed(s.outcome == ForwarderUplink::Outcome::Lost ? Unreachable : Refused, s.message);
        return false;
    }
    *more = int(rows.size()) >= m_settings.batchRows;
    emit forwarded(rows.back().id, qint64(rows.size()));
    return true;
}

bool ForwarderWorker::forwardEvents()
{
    if (!m_spool->hasEvents())
        return true;
    const qint64 mark = m_uplink->eventsMark();
    std::vector<ForwarderSpool::Event> window;
    QString error;
    if (!m_spool->events(std::max<qint64>(0, mark - EventWindow), EventBatch, &window, &error)) {
        report(QStringLiteral("The project's event log cannot be read: %1").arg(error));
        return true; // readings go on regardless
    }
    std::vector<ForwarderSpool::Event> send;
    for (const ForwarderSpool::Event &e : window) {
        // New, changed since sent (a merged repeat), or not yet seen on this
        // connection (it may have changed while the server was away): the
        // later version replaces what the server has.
        const auto sent = m_sentEvents.constFind(e.id);
        if (e.id > mark || sent == m_sentEvents.cend() || sent->first != e.repeats ||
            sent->second != e.detail)
            send.push_back(e);
    }
    if (send.empty())
        return true;
    QStringList refusals;
    const ForwarderUplink::Status s = m_uplink->sendEvents(send, &refusals);
    for (const QString &refusal : refusals)
        emit problem(refusal);
    if (!s.ok()) {
        failed(s.outcome == ForwarderUplink::Outcome::Lost ? Unreachable : Refused, s.message);
        return false;
    }
    for (const ForwarderSpool::Event &e : send)
        m_sentEvents.insert(e.id, {e.repeats, e.detail});
    const qint64 keepFrom = m_uplink->eventsMark() - EventWindow;
    for (auto it = m_sentEvents.begin(); it != m_sentEvents.end();) {
        if (it.key() <= keepFrom)
            it = m_sentEvents.erase(it);
        else
            ++it;
    }
    return true;
}

void ForwarderWorker::updateWaiting(bool force)
{
    if (!force && m_sinceCount.isValid() && m_sinceCount.elapsed() < 1000)
        return;
    m_sinceCount.start();
    if (m_uplink)
        m_mark = m_uplink->readingsMark();
    qint64 waiting = -1;
    QString error;
    if (m_markKnown && m_spool->isOpen())
        waiting = m_spool->countAfter(m_mark, &error);
    if (waiting != m_waiting) {
        m_waiting = waiting;
        emit waitingChanged(waiting);
    }
}
