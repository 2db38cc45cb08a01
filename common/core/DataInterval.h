#pragma once

#include <QList>
#include <QString>

// The recorder's polling intervals in milliseconds and their names.
class DataInterval
{
public:
    static constexpr int Default = 10000;

    static const QList<int> &offered();
    static bool isOffered(int milliseconds);
    // "1 sec" ... "10 min"; empty for any value that is not offered.
    static QString intervalText(int milliseconds);
    // A stored interval that is missing or not offered must never drive a
    // polling timer: such values fall back to the default.
    static int sanitize(int milliseconds);
};
