#pragma once

#include "SeriesAlignment.h"
#include "ViewerSeries.h"
#include "companion/CompanionChannel.h"
#include "store/ReadingsRange.h"
#include "store/ReadingsRequest.h"
#include "store/ReadingsSource.h"
#include "store/RowIdSpan.h"

#include <QList>
#include <QString>
#include <QThread>

#include <vector>

class ReadingsDatabase;

// The viewer's worker: reads the selected channels' rows of one time range
// from the project database (read-only, on connections of its own) and aligns
// them on one ascending time axis (see alignSeries). Exactly one of done or
// error is emitted per run.
class GenerateLinearQueries : public QThread
{
    Q_OBJECT
public:
    // channels: the selected channels, in selection order. start and end:
    // decimal Unix seconds, both included.
    GenerateLinearQueries(const QString &connectionTag, const QString &dbPath,
                          const QString &projectDir, const QList<CompanionChannel> &channels,
                          const QString &startText, const QString &endText,
                          QObject *parent = nullptr);
    ~GenerateLinearQueries() override;

    // The project's data interval: it sizes the buffers up front and tells
    // the chart lines where an outage breaks them. 0: unknown.
    void setIntervalHint(int milliseconds) { m_intervalMs = milliseconds; }
    // A project that names a server is read from there instead of dbPath.
    void setSource(const ReadingsSource &source) { m_source = source; }

    QString connectionName() const { return m_connectionTag + QStringLiteral("viewerdb"); }
    // The result, valid once done(int) has been emitted.
    ViewerSeries takeResult();

    static QString noDataText()
    {
        return QStringLiteral("There is no stored data.\nPlease retry.");
    }
    static QString collectionErrorText()
    {
        return QStringLiteral("An error occurred during the data collection.");
    }
    static QString graphErrorText()
    {
        return QStringLiteral("An error occurred while creating the graph data.");
    }

signals:
    void done(int rowCount);
    void wholeCount(int count);
    void calcTimeSeries();
    void createHashTables();
    void progPlus(int value);
    void error(const QString &text);

protected:
    void run() override;

private:
    bool runJob(QString *errorText);
    bool readRows(std::vector<DeviceRows> &devices, QString *errorText);
    bool readServerRows(std::vector<DeviceRows> &devices, QString *errorText) const;
    bool scan(const ReadingsDatabase &db, const ReadingsRange &range, size_t reserve,
              std::vector<DeviceRows> &out, QString *errorText) const;

    QString m_connectionTag;
    QString m_dbPath;
    QString m_projectDir;
    QStringList m_titles;
    ReadingsRequest m_request;
    std::vector<ChannelRef> m_refs; // per channel
    QStringList m_legends;
    int m_intervalMs = 0;
    ReadingsSource m_source;
    ViewerSeries m_result;
};
