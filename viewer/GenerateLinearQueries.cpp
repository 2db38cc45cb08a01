#include "GenerateLinearQueries.h"

#include "store/ReadingsCursor.h"
#include "store/ReadingsDatabase.h"

#include <QLoggingCategory>

#include <algorithm>
#include <new>
#include <thread>

Q_LOGGING_CATEGORY(lcGenerate, "moravin.viewer.generate")

namespace {

// Tables smaller than this are read by one thread.
constexpr qint64 ParallelRows = 200000;

QString readErrorText(const QString &detail)
{
    return QStringLiteral("The data file cannot be read (%1).\nPlease retry.").arg(detail);
}

} // namespace

GenerateLinearQueries::GenerateLinearQueries(const QString &connectionTag, const QString &dbPath,
                                             const QString &projectDir,
                                             const QList<CompanionChannel> &channels,
                                             const QString &startText, const QString &endText,
                                             QObject *parent)
    : QThread(parent), m_connectionTag(connectionTag), m_dbPath(dbPath), m_projectDir(projectDir)
{
    m_request.start = startText.toLongLong();
    m_request.end = endText.toLongLong();
    for (const CompanionChannel &c : channels) {
        m_titles.append(c.title());
        m_legends.append(c.legend());
        ChannelRef ref;
        if (c.column == QLatin1String("channel1") || c.column == QLatin1String("channel2")) {
            ref.column = c.columnIndex();
            ref.device = m_request.addChannel(c.deviceNumber, ref.column);
        } else {
            qCDebug(lcGenerate) << "GenerateLinearQueries : no channel" << c.fieldName();
        }
        m_refs.push_back(ref);
    }
}

GenerateLinearQueries::~GenerateLinearQueries()
{
    qCDebug(lcGenerate) << "~GenerateLinearQueries()";
}

ViewerSeries GenerateLinearQueries::takeResult()
{
    ViewerSeries r = m_result;
    m_result = ViewerSeries();
    return r;
}

void GenerateLinearQueries::run()
{
    QString errorText;
    bool ok = false;
    try {
        ok = runJob(&errorText);
    } catch (const std::bad_alloc &) {
        m_result = ViewerSeries();
        errorText = graphErrorText();
    }
    if (ok)
        emit done(m_result.rowCount());
    else
        emit error(errorText);
}

bool GenerateLinearQueries::scan(const ReadingsDatabase &db, const ReadingsRange &range,
                                 size_t reserve, std::vector<DeviceRows> &out,
                                 QString *errorText) const
{
    const int devices = m_request.serials.size();
    out.assign(size_t(devices), DeviceRows());
    std::vector<char> need(size_t(devices) * 2, 0);
    for (const ChannelRef &r : m_refs)
        if (r.device >= 0)
            need[size_t(r.device) * 2 + size_t(r.column)] = 1;
    for (int d = 0; d < devices; ++d) {
        DeviceRows &rows = out[size_t(d)];
        rows.times.reserve(reserve);
        for (int c = 0; c < 2; ++c)
            if (need[size_t(d) * 2 + size_t(c)])
                rows.values[c].reserve(reserve);
    }

    ReadingsCursor cursor(db, m_request, range.spans());
    while (cursor.next()) {
        const int d = cursor.device();
        if (d < 0 || d >= devices)
            continue;
        DeviceRows &rows = out[size_t(d)];
        rows.times.push_back(static_cast<quint32>(cursor.time()));
        for (int c = 0; c < 2; ++c)
            if (need[size_t(d) * 2 + size_t(c)])
                rows.values[c].push_back(cursor.value(c));
    }
    if (cursor.failed()) {
        *errorText = readErrorText(cursor.errorText());
        return false;
    }
    return true;
}

bool GenerateLinearQueries::readServerRows(std::vector<DeviceRows> &out, QString *errorText) const
{
    std::vector<ServerReadings::Row> rows;
    QString detail;
    if (!m_source.read(m_request, &rows, &detail)) {
        *errorText = readErrorText(detail);
        return false;
    }
    out.assign(size_t(m_request.serials.size()), DeviceRows());
    std::vector<char> need(out.size() * 2, 0);
    for (const ChannelRef &r : m_refs)
        if (r.device >= 0)
            need[size_t(r.device) * 2 + size_t(r.column)] = 1;
    for (const ServerReadings::Row &row : rows) {
        DeviceRows &d = out[size_t(row.device)];
        d.times.push_back(static_cast<quint32>(row.pointDate));
        if (need[size_t(row.device) * 2])
            d.values[0].push_back(row.channel1);
        if (need[size_t(row.device) * 2 + 1])
            d.values[1].push_back(row.channel2);
    }
    return true;
}

bool GenerateLinearQueries::readRows(std::vector<DeviceRows> &devices, QString *errorText)
{
    if (m_source.isServer()) {
        emit calcTimeSeries();
        return readServerRows(devices, errorText);
    }
    const ReadingsDatabase db(m_dbPath, connectionName());
    if (!db.isOpen()) {
        *errorText = readErrorText(db.errorText());
        return false;
    }
    emit calcTimeSeries();
    ReadingsRange range;
    if (!range.locate(db, m_request.start, m_request.end)) {
        *errorText = readErrorText(db.errorText());
        qCDebug(lcGenerate) << "getRecordLength : query error" << db.errorText();
        return false;
    }

    const qint64 start = m_request.start;
    const qint64 end = m_request.end;
    size_t expected = 0;
    if (m_intervalMs > 0 && end >= start)
        expected = size_t(std::min<qint64>((end - start) * 1000 / m_intervalMs + 16, 50000000));
    expected = size_t(std::min<qint64>(qint64(expected), range.size()));

    if (range.size() < ParallelRows || std::thread::hardware_concurrency() < 2)
        return scan(db, range, expected, devices, errorText);

    // Two halves of the row ids on two connections at once; the second
    // half's rows follow the first's, so scan order is kept.
    const auto halves = range.halves();
    const ReadingsDatabase second(m_dbPath, connectionName());
    std::vector<DeviceRows> tail;
    QString tailError;
    bool tailOk = false;
    std::thread helper([&] {
        try {
            tailOk = scan(second, halves.second, expected / 2 + 16, tail, &tailError);
        } catch (const std::bad_alloc &) {
            tailError = graphErrorText();
        }
    });
    bool headOk = false;
    try {
        headOk = scan(db, halves.first, expected / 2 + 16, devices, errorText);
    } catch (...) {
        helper.join();
        throw;
    }
    helper.join();
    if (!headOk)
        return false;
    if (!tailOk) {
        *errorText = tailError;
        return false;
    }
    for (size_t d = 0; d < devices.size(); ++d) {
        DeviceRows &a = devices[d];
        DeviceRows &b = tail[d];
        a.times.insert(a.times.end(), b.times.begin(), b.times.end());
        std::vector<quint32>().swap(b.times);
        for (int c = 0; c < 2; ++c) {
            a.values[c].insert(a.values[c].end(), b.values[c].begin(), b.values[c].end());
            std::vector<double>().swap(b.values[c]);
        }
    }
    return true;
}

bool GenerateLinearQueries::runJob(QString *errorText)
{
    qCDebug(lcGenerate) << "GenerateLinearQueries : devices" << m_request.serials << "range"
                        << m_request.start << m_request.end;
    if (m_request.serials.isEmpty()) {
        qCDebug(lcGenerate) << "makeModels error.";
        *errorText = collectionErrorText();
        return false;
    }

    std::vector<DeviceRows> devices;
    if (!readRows(devices, errorText))
        return false;

    size_t total = 0;
    for (const DeviceRows &d : devices)
        total += d.times.size();
    qCDebug(lcGenerate) << "getRecordLength : rows" << total;
    if (total == 0) {
        qCDebug(lcGenerate) << "getRecordLength error.";
        *errorText = noDataText();
        return false;
    }

    emit createHashTables();
    for (DeviceRows &d : devices)
        d.sortByTime();
    AlignedSeries aligned = alignSeries(devices, m_refs);
    devices.clear();
    devices.shrink_to_fit();
    const int rowCount = aligned.times.size();
    emit wholeCount(rowCount);
    if (rowCount <= 0) {
        qCDebug(lcGenerate) << "makeInsertQueries error.";
        *errorText = graphErrorText();
        return false;
    }

    // x array: chart times, ascending also across a change of the clocks.
    ViewerSeries &r = m_result;
    r.times = aligned.times;
    r.values = aligned.values;
    r.titles = m_titles;
    r.legends = m_legends;
    auto map = std::make_shared<LocalTimeMap>(r.times.first(), r.times.last());
    r.timeMap = map;
    r.x.resize(rowCount);
    double *x = r.x.data();
    const quint32 *t = r.times.constData();
    const int step = std::max(10, rowCount / 100);
    for (int i = 0; i < rowCount; ++i) {
        x[i] = map->chartTime(t[i]);
        if ((i + 1) % step == 0)
            emit progPlus(i + 1);
    }
    r.makeLines(aligned.points, m_intervalMs);
    emit progPlus(rowCount);
    qCDebug(lcGenerate) << "makeGraphData rowCnt :" << rowCount;
    return true;
}
