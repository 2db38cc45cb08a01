#pragma once

#include <QtGlobal>

// The figures of one channel over the whole report day that auditors of
// cold chains and laboratories ask for beside the hourly table: average,
// minimum and maximum, the mean kinetic temperature of a temperature channel
// and the excursions outside the channel's alarm limits.
//
// Mean kinetic temperature, Arrhenius form over the readings T(i) in kelvin:
//   MKT = (E / R) / -ln( (1/n) * sum exp(-E / (R T(i))) )
// with E = 83.144 kJ/mol and R = 8.3144 J/(mol K), so E / R = 10000 K.
//
// An excursion is a stretch of the channel's line (LineBreaks: a null or an
// outage ends it) whose readings lie outside the alarm limits by the
// recorder's own rule (AlarmRange). Each reading outside stands for the time
// to the channel's next reading when the line joins the two, otherwise for
// one interval of the channel. Equal limits are no limits (the recorder
// raises no alarm then): such a channel has no excursions.
class DaySummary
{
public:
    static constexpr double ActivationEnergy = 83144.0; // J/mol
    static constexpr double GasConstant = 8.3144;       // J/(mol K)
    static constexpr double ZeroCelsius = 273.15;       // K

    enum Scale
    {
        NotTemperature,
        Celsius,
        Fahrenheit
    };

    int readings = 0; // with a value; the figures below need at least one
    double average = 0;
    double minimum = 0;
    double maximum = 0;
    bool hasMeanKinetic = false;
    double meanKinetic = 0; // in the channel's own unit
    bool hasLimits = false;
    int excursions = 0;
    qint64 excursionSeconds = 0;

    // times: ascending and distinct; values: NoValue for a stored null.
    // intervalSeconds: the channel's interval (LineBreaks::channelInterval).
    static DaySummary of(const qint64 *times, const double *values, int n, Scale scale, float lower,
                         float upper, qint64 intervalSeconds);

    // 1 "Temperature(C)", 2 "Temperature(F)"; every other unit code is none.
    static Scale scaleOf(int unitCode);
    static double toKelvin(double value, Scale scale);
    static double fromKelvin(double kelvin, Scale scale);
    // False when there is no temperature or one is not above absolute zero.
    static bool meanKineticKelvin(const double *kelvin, int n, double *result);
};
