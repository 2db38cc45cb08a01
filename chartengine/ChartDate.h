#pragma once

// Calendar fields of a chart time (seconds since 0001-01-01 of the local wall
// clock), computed arithmetically so that label loops need no QDateTime.
class ChartDate
{
public:
    int year = 1;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
    double fraction = 0;
    int weekday = 1; // 0 Sunday .. 6 Saturday

    static ChartDate fromChartTime(double t);
    // Days since 0001-01-01 of a proleptic Gregorian date; months and days out
    // of range roll over.
    static long long fromCivil(int y, int m, int d);
    static double startOfYear(int y);
    static double startOfMonth(int y, int m);
    // Largest chart time accepted; later values are clamped.
    static constexpr double MaxTime = 9999.0 * 366 * 86400;
};
