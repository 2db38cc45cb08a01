#pragma once

#include "ViewerSeries.h"

#include <QDateTime>
#include <QThread>

// Writes the viewer's aligned data as a CSV file (CsvFormat) on its own
// thread. done(fileName) follows a complete file; a file that cannot be
// opened or written ends the run without done (failed() tells why).
class GenerateCsvFile : public QThread
{
    Q_OBJECT
public:
    // The header carries the series' titles: the selected channels'.
    GenerateCsvFile(const QString &fileName, int rowCount, const ViewerSeries &series,
                    QObject *parent = nullptr);

    // "<project folder>/<project name>_<yyyyMMddhhmmss>.csv".
    static QString proposedName(const QString &projectFile, const QDateTime &now);
    // Makes the name the user chose the file the export writes: ".csv" added
    // when it has no suffix, an existing file of that name removed, and a
    // trial opening. False when the file cannot be written.
    static bool prepareTarget(QString *fileName);

signals:
    void done(const QString &fileName);
    void progPlus(int value);
    void failed(const QString &text);

protected:
    void run() override;

private:
    QString m_fileName;
    int m_rowCount;
    ViewerSeries m_series;
};
