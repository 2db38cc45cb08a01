#pragma once

#include "SeriesAlignment.h"
#include "ViewerSeries.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QThread>

class QListWidgetItem;
struct sqlite3;

// The viewer's worker: reads the selected channels' rows of one time range
// from the project database (read-only, on its own connection) and aligns
// them on one ascending time axis (see alignSeries). Exactly one of done or
// error is emitted per run.
class GenerateLinearQueries : public QThread
{
    Q_OBJECT
public:
    // items: the selected channel items, in selection order; their keys and
    // titles are taken here, on the caller's thread. start and end: decimal
    // Unix seconds, both included.
    GenerateLinearQueries(const QString &connectionTag, const QString &dbPath,
                          const QString &projectDir, const QList<QListWidgetItem *> &items,
                          const QString &startText, const QString &endText,
                          QObject *parent = nullptr);
    // The same with the keys (device number + "_channel1"/"_channel2") and
    // titles given directly.
    GenerateLinearQueries(const QString &connectionTag, const QString &dbPath,
                          const QString &projectDir, const QStringList &keys,
                          const QStringList &titles, const QString &startText,
                          const QString &endText, QObject *parent = nullptr);
    ~GenerateLinearQueries() override;

    // The project's data interval: it sizes the buffers up front and tells
    // the chart lines where an outage breaks them. 0: unknown.
    void setIntervalHint(int milliseconds) { m_intervalMs = milliseconds; }

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
    struct Plan
    {
        QStringList serials;          // distinct devices, in first-use order
        std::vector<ChannelRef> refs; // per item
        bool needColumn[2] = {false, false};
    };
    Plan makePlan() const;
    bool runJob(QString *errorText);
    bool scan(sqlite3 *db, qint64 rowLo, qint64 rowHi, const Plan &plan, size_t reserve,
              std::vector<DeviceRows> &out, QString *errorText) const;

    QString m_connectionTag;
    QString m_dbPath;
    QString m_projectDir;
    QStringList m_keys;
    QStringList m_titles;
    QStringList m_legends;
    QString m_startText;
    QString m_endText;
    int m_intervalMs = 0;
    ViewerSeries m_result;
};
