#pragma once

#include "ReportChannel.h"
#include "ReportResults.h"
#include "store/ReadingsSource.h"

#include <QList>
#include <QSharedPointer>
#include <QThread>

// The report's worker: reads the selected channels of the report day on its
// own connection and computes the chart points and hourly periods. The
// database is only read.
class GenerateAverageQueries : public QThread
{
    Q_OBJECT
public:
    // start and end as "yyyy-MM-dd hh:mm:ss" local time.
    GenerateAverageQueries(const QString &connectionTag, const QString &dbPath,
                           const QList<ReportChannel> &items, const QString &startText,
                           const QString &endText, QObject *parent = nullptr);
    ~GenerateAverageQueries() override;

    // The project's data interval: where an outage breaks a chart line and
    // how long an excursion's last reading counts. 0: unknown.
    void setDataInterval(int milliseconds) { m_dataInterval = milliseconds; }
    // A project that names a server is read from there instead of dbPath.
    void setSource(const ReadingsSource &source) { m_source = source; }

    // Filled by run(); read it only after done().
    QSharedPointer<const ReportResults> results() const { return m_results; }
    QString connectionName() const;

signals:
    void done();
    void wholeCount(int count);
    void createHashTables();
    void progPlus(int counter);
    void error(const QString &text);

protected:
    void run() override;

private:
    bool readAll(QVector<QVector<ReportResults::Reading>> &channels, int &total);

    QString m_connectionTag;
    QString m_dbPath;
    QList<ReportChannel> m_items;
    QString m_startText;
    QString m_endText;
    int m_dataInterval = 0;
    ReadingsSource m_source;
    QSharedPointer<ReportResults> m_results;
};
