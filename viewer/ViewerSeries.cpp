#include "ViewerSeries.h"

QString ViewerSeries::localText(int row) const
{
    if (row < 0 || row >= times.size() || !timeMap)
        return QString();
    return timeMap->localText(times.at(row));
}
