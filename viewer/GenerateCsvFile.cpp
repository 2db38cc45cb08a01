#include "GenerateCsvFile.h"

#include "CsvFormat.h"

#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcCsv, "moravin.viewer.csv")

GenerateCsvFile::GenerateCsvFile(const QString &fileName, int rowCount, const ViewerSeries &series,
                                 QObject *parent)
    : QThread(parent), m_fileName(fileName), m_rowCount(rowCount), m_series(series)
{
}

QString GenerateCsvFile::proposedName(const QString &projectFile, const QDateTime &now)
{
    const QFileInfo info(projectFile);
    return info.absolutePath() + QLatin1Char('/') + info.completeBaseName() + QLatin1Char('_') +
           now.toString(QStringLiteral("yyyyMMddhhmmss")) + QStringLiteral(".csv");
}

bool GenerateCsvFile::prepareTarget(QString *fileName)
{
    if (QFileInfo(*fileName).suffix().isEmpty())
        *fileName += QStringLiteral(".csv");
    if (QFileInfo::exists(*fileName))
        QFile::remove(*fileName);
    QFile trial(*fileName);
    return trial.open(QIODevice::WriteOnly);
}

void GenerateCsvFile::run()
{
    emit progPlus(0);
    QFile file(m_fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        qCDebug(lcCsv) << "GenerateCsvFile::run : cannot open" << m_fileName;
        emit failed(file.errorString());
        return;
    }
    ViewerSeries s = m_series;
    if (m_rowCount < s.rowCount()) {
        s.x.resize(m_rowCount);
        s.times.resize(m_rowCount);
        for (QVector<double> &v : s.values)
            v.resize(m_rowCount);
    }
    const bool ok = CsvFormat::write(file, s, [this](int rows) { emit progPlus(rows); });
    file.close();
    if (!ok || file.error() != QFileDevice::NoError) {
        qCDebug(lcCsv) << "GenerateCsvFile::run : write failed" << file.errorString();
        emit failed(file.errorString());
        return;
    }
    emit done(m_fileName);
}
