#include "GenerateAverageQueries.h"

#include "DayFigures.h"
#include "HourlyPeriods.h"
#include "ReportEvents.h"
#include "ReportLogging.h"
#include "ReportReadings.h"
#include "store/ReadingsDatabase.h"

#include <algorithm>

namespace {
const QString kTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");
const QString kModelsError = QStringLiteral("makeModels error.");
} // namespace

GenerateAverageQueries::GenerateAverageQueries(const QString &connectionTag, const QString &dbPath,
                                               const QList<ReportChannel> &items,
                                               const QString &startText, const QString &endText,
                                               QObject *parent)
    : QThread(parent), m_connectionTag(connectionTag), m_dbPath(dbPath),
      m_items(items.mid(0, ReportResults::MaxChannels)), m_startText(startText), m_endText(endText),
      m_results(QSharedPointer<ReportResults>::create())
{
}

GenerateAverageQueries::~GenerateAverageQueries()
{
    qCDebug(lcReport) << "~GenerateAverageQueries()";
}

QString GenerateAverageQueries::connectionName() const
{
    return m_connectionTag + QStringLiteral("reportdb");
}

bool GenerateAverageQueries::readAll(QVector<QVector<ReportResults::Reading>> &channels, int &total)
{
    const QDateTime start = QDateTime::fromString(m_startText, kTimeFormat);
    const QDateTime end = QDateTime::fromString(m_endText, kTimeFormat);
    QString reason;
    if (!start.isValid() || !end.isValid()) {
        reason = QStringLiteral("The report period is not valid.");
    } else {
        const ReportReadings::Result r =
            m_source.isServer()
                ? ReportReadings::read(m_source, m_items, start.toSecsSinceEpoch(),
                                       end.toSecsSinceEpoch())
                : ReportReadings::read(ReadingsDatabase(m_dbPath, connectionName()), m_items,
                                       start.toSecsSinceEpoch(), end.toSecsSinceEpoch());
        if (r.ok) {
            for (int i = 0; i < r.channels.size(); ++i) {
                qCDebug(lcReport) << "hash size [" << i << "] :" << r.channels.at(i).size();
                m_results->emptyChannel[i] = r.channels.at(i).isEmpty();
            }
            channels = r.channels;
            total = r.total;
        } else {
            reason = r.errorText;
        }
    }
    if (reason.isEmpty())
        return true;
    qCDebug(lcReport) << "makeModels error." << reason;
    emit error(kModelsError + QLatin1Char('\n') + reason);
    return false;
}

void GenerateAverageQueries::run()
{
    emit createHashTables();
    QVector<QVector<ReportResults::Reading>> channels;
    int total = 0;
    if (!readAll(channels, total))
        return;
    emit wholeCount(total);

    // A hundred steps at most: each one is a queued call to the window.
    const int step = std::max(10, total / 1000 * 10);
    HourlyPeriods::compute(channels, QDateTime::fromString(m_startText, kTimeFormat),
                           QDateTime::fromString(m_endText, kTimeFormat), *m_results,
                           [this, step](int counter) {
                               if (counter % step == 0)
                                   emit progPlus(counter);
                           });
    if (total > 0)
        emit progPlus(total);
    DayFigures::compute(channels, m_items, m_dataInterval, *m_results);
    const qint64 from = QDateTime::fromString(m_startText, kTimeFormat).toSecsSinceEpoch();
    const qint64 to = QDateTime::fromString(m_endText, kTimeFormat).toSecsSinceEpoch();
    const ReportEvents::Result events = m_source.isServer()
                                            ? ReportEvents::read(m_source, m_items, from, to)
                                            : ReportEvents::read(m_dbPath, m_items, from, to);
    m_results->events = events.events;
    m_results->eventsError = events.errorText;
    emit done();
}
