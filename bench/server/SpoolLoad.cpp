#include "SpoolLoad.h"

#include "SpoolWriter.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QThread>

#include <algorithm>
#include <cmath>

SpoolLoad::SpoolLoad(const QStringList &paths, int devicesPerSpool)
    : m_paths(paths), m_devices(devicesPerSpool)
{
}

SpoolLoad::~SpoolLoad() = default;

bool SpoolLoad::open(QString *error)
{
    m_spools.resize(size_t(m_paths.size()));
    for (int i = 0; i < m_paths.size(); ++i) {
        m_spools[size_t(i)].writer = std::make_unique<SpoolWriter>(m_paths.at(i));
        if (!m_spools[size_t(i)].writer->open()) {
            *error = m_paths.at(i) + QStringLiteral(": ") + m_spools[size_t(i)].writer->errorText();
            return false;
        }
    }
    return true;
}

void SpoolLoad::append(Spool &s, int rows)
{
    for (int i = 0; i < rows; ++i) {
        const double phase = double(s.second % 86400) / 86400.0 * 6.2832;
        s.writer->append("S" + QByteArray::number(qint64(&s - m_spools.data())) + "D" +
                             QByteArray::number(s.device),
                         std::round((21.0 + 3.0 * std::sin(phase) + s.device * 0.1) * 100) / 100,
                         std::round((45.0 + 10.0 * std::cos(phase)) * 10) / 10, s.second);
        if (++s.device == m_devices) {
            s.device = 0;
            ++s.second;
        }
    }
}

bool SpoolLoad::flush(Spool &s, QString *error)
{
    const int rows = s.writer->buffered();
    if (!s.writer->flush()) {
        *error = s.writer->errorText();
        return false;
    }
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        s.flushes.emplace_back(s.writer->lastId(), now);
    }
    m_written += rows;
    return true;
}

bool SpoolLoad::fill(qint64 rowsPerSpool, QString *error)
{
    for (Spool &s : m_spools) {
        for (qint64 left = rowsPerSpool; left > 0; left -= 1600) {
            append(s, int(std::min<qint64>(left, 1600)));
            if (!flush(s, error))
                return false;
        }
    }
    return true;
}

bool SpoolLoad::run(double rate, double seconds, int flushMs, const std::atomic_bool &stop,
                    QString *error)
{
    QElapsedTimer clock;
    clock.start();
    const double perSpool = rate / double(m_spools.size());
    std::vector<double> due(m_spools.size(), 0.0);
    const qint64 end = qint64(seconds * 1000);
    for (qint64 tick = 1; !stop.load(); ++tick) {
        const qint64 at = std::min(tick * flushMs, end);
        if ((tick - 1) * flushMs >= end)
            break;
        const qint64 wait = at - clock.elapsed();
        if (wait > 0)
            QThread::msleep(quint64(wait));
        // Rows owed by now, so that a late flush catches up.
        const double elapsed = double(clock.elapsed()) / 1000.0;
        for (size_t i = 0; i < m_spools.size(); ++i) {
            const double owed = std::min(elapsed, seconds) * perSpool - due[i];
            const int rows = int(owed);
            if (rows <= 0)
                continue;
            due[i] += rows;
            append(m_spools[i], rows);
            if (!flush(m_spools[i], error))
                return false;
        }
    }
    return true;
}

qint64 SpoolLoad::written() const
{
    return m_written.load();
}

qint64 SpoolLoad::writtenAt(int spool, qint64 id) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto &f = m_spools[size_t(spool)].flushes;
    const auto it = std::lower_bound(
        f.begin(), f.end(), id,
        [](const std::pair<qint64, qint64> &e, qint64 value) { return e.first < value; });
    return it == f.end() ? -1 : it->second;
}
