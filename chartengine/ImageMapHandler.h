#pragma once

#include <QHash>
#include <QPolygon>
#include <QString>
#include <QVector>

// Finds the hot spot under a point in an HTML image map ("<area shape=...
// coords=... title=... href=...>") and gives its attributes. "path" is the href
// up to any '?', "query" the rest.
class ImageMapHandler
{
public:
    explicit ImageMapHandler(const QString &imageMap);

    int hotSpotCount() const { return m_spots.size(); }
    // Index of the topmost hot spot under (x, y), -1 when none; later look-ups
    // of getValue refer to it.
    int getHotSpot(int x, int y);
    QString getValue(const QString &key) const;

private:
    struct Spot
    {
        enum Shape
        {
            Rect,
            Circle,
            Poly
        } shape = Rect;
        QVector<int> coords;
        QPolygon polygon;
        QHash<QString, QString> attributes;
        bool contains(int x, int y) const;
    };

    QVector<Spot> m_spots;
    int m_current = -1;
};
