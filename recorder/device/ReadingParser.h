#pragma once

#include <QString>

// Turns the text a link hands on into the two channel readings.
class ReadingParser
{
public:
    struct Reading
    {
        bool valid = false; // false when fewer than two comma-separated parts
        int partCount = 0;
        QString text; // the first line, spaces and markers removed
        double value1 = 0;
        double value2 = 0;
        QString text1; // shown text: two decimals, or the device's "----" part
        QString text2;
    };

    static Reading parse(const QString &data);
    // One part: "----" anywhere marks a missing value (NoValue); anything
    // else that is not a finite number reads as 0.
    static double partValue(const QString &part);
    static QString partText(const QString &part, double value);
};
