#include "ServerConnection.h"

#include "ServerLogging.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <poll.h>

#include <vector>

namespace {

// One slice of a wait; a stop request is seen within this time.
constexpr int SliceMs = 100;

qint64 nowMs()
{
    static QElapsedTimer clock;
    static const bool started = (clock.start(), true);
    Q_UNUSED(started)
    return clock.elapsed();
}

bool looksLikeConnectionString(const QString &setting)
{
    return setting.contains(QLatin1Char('=')) ||
           setting.startsWith(QLatin1String("postgresql://")) ||
           setting.startsWith(QLatin1String("postgres://"));
}

} // namespace

ServerConnection::~ServerConnection()
{
    close();
}

QString ServerConnection::connectionString(const QString &setting)
{
    const QString trimmed = setting.trimmed();
    if (trimmed.isEmpty() || looksLikeConnectionString(trimmed))
        return trimmed;
    return QStringLiteral("service=") + trimmed;
}

bool ServerConnection::containsPassword(const QString &setting)
{
    const QByteArray info = connectionString(setting).toUtf8();
    char *error = nullptr;
    PQconninfoOption *options = PQconninfoParse(info.constData(), &error);
    PQfreemem(error);
    if (!options)
        return false;
    bool found = false;
    for (PQconninfoOption *o = options; o->keyword; ++o)
        if (qstrcmp(o->keyword, "password") == 0 && o->val && *o->val)
            found = true;
    PQconninfoFree(options);
    return found;
}

bool ServerConnection::isConnectionState(const QByteArray &state)
{
    return state.startsWith("08") || state == "57P01" || state == "57P02" || state == "57P03" ||
           state.isEmpty();
}

bool ServerConnection::open(const QString &setting, int timeoutMs)
{
    close();
    const qint64 deadline = nowMs() + timeoutMs;
    const QByteArray info = connectionString(setting).toUtf8();
    const QByteArray application = QCoreApplication::applicationName().isEmpty()
                                       ? QByteArray("Moravin")
                                       : QCoreApplication::applicationName().toUtf8().left(60);
    // Keepalives find a peer that vanished without closing; the setting's own
    // values come last and win.
    const char *keywords[] = {"fallback_application_name",
                              "keepalives",
                              "keepalives_idle",
                              "keepalives_interval",
                              "keepalives_count",
                              "dbname",
                              nullptr};
    const char *values[] = {application.constData(), "1",    "10", "5", "3",
                            info.constData(),        nullptr};
    m_conn = PQconnectStartParams(keywords, values, 1);
    if (!m_conn) {
        m_error = QStringLiteral("out of memory");
        return false;
    }
    if (PQstatus(m_conn) == CONNECTION_BAD) {
        m_error = QString::fromUtf8(PQerrorMessage(m_conn)).simplified();
        close();
        return false;
    }
    PostgresPollingStatusType poll = PGRES_POLLING_WRITING;
    while (poll != PGRES_POLLING_OK) {
        if (poll == PGRES_POLLING_FAILED) {
            m_error = QString::fromUtf8(PQerrorMessage(m_conn)).simplified();
            close();
            return false;
        }
        if (!waitSocket(poll == PGRES_POLLING_WRITING, deadline)) {
            if (m_error.isEmpty())
                m_error = QStringLiteral("no answer within %1 s").arg(timeoutMs / 1000.0);
            close();
            return false;
        }
        poll = PQconnectPoll(m_conn);
    }
    if (PQsetnonblocking(m_conn, 1) != 0) {
        m_error = QString::fromUtf8(PQerrorMessage(m_conn)).simplified();
        close();
        return false;
    }
    m_error.clear();
    qCDebug(lcServer) << "ServerConnection::open :" << target();
    return true;
}

void ServerConnection::close()
{
    if (m_conn) {
        PQfinish(m_conn);
        m_conn = nullptr;
    }
}

bool ServerConnection::isOpen() const
{
    return m_conn && PQstatus(m_conn) == CONNECTION_OK;
}

int ServerConnection::serverVersion() const
{
    return m_conn ? PQserverVersion(m_conn) : 0;
}

QString ServerConnection::serverVersionText() const
{
    const char *text = m_conn ? PQparameterStatus(m_conn, "server_version") : nullptr;
    return text ? QString::fromUtf8(text) : QString();
}

QString ServerConnection::userName() const
{
    return m_conn ? QString::fromUtf8(PQuser(m_conn)) : QString();
}

QString ServerConnection::target() const
{
    if (!m_conn)
        return QString();
    const QString host = QString::fromUtf8(PQhost(m_conn));
    return QStringLiteral("%1:%2/%3")
        .arg(host, QString::fromUtf8(PQport(m_conn)), QString::fromUtf8(PQdb(m_conn)));
}

bool ServerConnection::waitSocket(bool forWrite, qint64 deadlineMs)
{
    for (;;) {
        if (m_stop && m_stop->load()) {
            m_error = QStringLiteral("stopped");
            return false;
        }
        const qint64 left = deadlineMs - nowMs();
        if (left <= 0)
            return false;
        pollfd fd{};
        fd.fd = PQsocket(m_conn);
        if (fd.fd < 0) {
            m_error = QStringLiteral("no socket");
            return false;
        }
        fd.events = forWrite ? POLLOUT : POLLIN;
        const int n = ::poll(&fd, 1, int(qMin<qint64>(left, SliceMs)));
        if (n > 0)
            return true;
        if (n < 0 && errno != EINTR) {
            m_error = QString::fromLocal8Bit(strerror(errno));
            return false;
        }
    }
}

ServerResult ServerConnection::fail(const QString &text, const QByteArray &state)
{
    m_error = text;
    close();
    return ServerResult::failure(text, state);
}

ServerResult ServerConnection::exec(const QByteArray &sql, const QVector<QByteArray> &params,
                                    int timeoutMs, bool binary)
{
    if (!isOpen())
        return fail(m_error.isEmpty() ? QStringLiteral("not connected") : m_error, "08003");
    const qint64 deadline = nowMs() + timeoutMs;
    std::vector<const char *> values(size_t(params.size()));
    for (int i = 0; i < params.size(); ++i)
        values[size_t(i)] = params.at(i).isNull() ? nullptr : params.at(i).constData();
    if (!PQsendQueryParams(m_conn, sql.constData(), params.size(), nullptr, values.data(), nullptr,
                           nullptr, binary ? 1 : 0))
        return fail(QString::fromUtf8(PQerrorMessage(m_conn)).simplified(), "08006");
    // Push the statement out, then collect its results.
    int flushing;
    while ((flushing = PQflush(m_conn)) == 1) {
        if (!waitSocket(true, deadline))
            return fail(QStringLiteral("the server took no data for %1 s").arg(timeoutMs / 1000.0),
                        "08006");
    }
    if (flushing < 0)
        return fail(QString::fromUtf8(PQerrorMessage(m_conn)).simplified(), "08006");
    ServerResult last;
    bool any = false;
    for (;;) {
        while (PQisBusy(m_conn)) {
            if (!waitSocket(false, deadline)) {
                const QString why = m_stop && m_stop->load()
                                        ? QStringLiteral("stopped")
                                        : QStringLiteral("no answer from the server within %1 s")
                                              .arg(timeoutMs / 1000.0);
                return fail(why, "08006");
            }
            if (!PQconsumeInput(m_conn))
                return fail(QString::fromUtf8(PQerrorMessage(m_conn)).simplified(), "08006");
        }
        PGresult *result = PQgetResult(m_conn);
        if (!result)
            break;
        last = ServerResult(result);
        any = true;
    }
    if (!any)
        return fail(QString::fromUtf8(PQerrorMessage(m_conn)).simplified(), "08006");
    if (!last.ok() && PQstatus(m_conn) != CONNECTION_OK) {
        m_error = last.errorText();
        const QByteArray state = last.state().isEmpty() ? QByteArray("08006") : last.state();
        close();
        return ServerResult::failure(m_error, state);
    }
    return last;
}
