#pragma once

#include <QString>

// Formats numbers and chart times with the engine's patterns: templates such as
// "{value|hh:nn:ss}" or "{value|2.}", or a bare pattern ("P4",
// "yyyy-mm-dd hh:nn:ss"). Mark-up tags inside a pattern are copied unchanged.
class ValueFormatter
{
public:
    static QString format(double value, const QString &text);
    static QString formatPattern(double value, const QString &pattern);
    static bool isNumberPattern(const QString &pattern);
    static QString formatNumber(double value, const QString &pattern);
    static QString formatDate(double chartTime, const QString &pattern);
    // Plain number text with the given decimals; -1 chooses up to 10 significant
    // digits without trailing zeros.
    static QString number(double value, int decimals = -1);
};
