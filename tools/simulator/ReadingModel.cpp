#include "ReadingModel.h"

#include <QDateTime>
#include <QtMath>

ReadingModel::ReadingModel(double offset, quint32 seed) : m_offset(offset), m_random(seed) {}

double ReadingModel::dayPhase(const QDateTime &at)
{
    const double hours = at.time().msecsSinceStartOfDay() / 3600000.0;
    // Warmest in the afternoon, coolest before dawn.
    return qSin(2 * M_PI * (hours - 9) / 24);
}

double ReadingModel::noise(double amplitude)
{
    return (m_random.generateDouble() * 2 - 1) * amplitude;
}

double ReadingModel::temperature(const QDateTime &at)
{
    return 21.5 + m_offset + 3.5 * dayPhase(at) + noise(0.08);
}

double ReadingModel::humidity(const QDateTime &at)
{
    return qBound(5.0, 55.0 - 2 * m_offset - 12 * dayPhase(at) + noise(0.4), 99.0);
}
