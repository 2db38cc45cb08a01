#pragma once

#include <QRandomGenerator>

class QDateTime;

// Plausible readings: a daily temperature and humidity curve with noise,
// shifted per device so that devices differ.
class ReadingModel
{
public:
    ReadingModel(double offset, quint32 seed);

    double temperature(const QDateTime &at);
    double humidity(const QDateTime &at);

private:
    static double dayPhase(const QDateTime &at);
    double noise(double amplitude);

    double m_offset;
    QRandomGenerator m_random;
};
