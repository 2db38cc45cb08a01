#include "ImageMapHandler.h"

#include <QRegularExpression>

namespace {

QString unescape(QString s)
{
    s.replace(QLatin1String("&quot;"), QLatin1String("\""));
    s.replace(QLatin1String("&lt;"), QLatin1String("<"));
    s.replace(QLatin1String("&gt;"), QLatin1String(">"));
    s.replace(QLatin1String("&#39;"), QLatin1String("'"));
    s.replace(QLatin1String("&amp;"), QLatin1String("&"));
    return s;
}

} // namespace

bool ImageMapHandler::Spot::contains(int x, int y) const
{
    switch (shape) {
    case Rect:
        return coords.size() >= 4 && x >= qMin(coords[0], coords[2]) &&
               x <= qMax(coords[0], coords[2]) && y >= qMin(coords[1], coords[3]) &&
               y <= qMax(coords[1], coords[3]);
    case Circle: {
        if (coords.size() < 3)
            return false;
        const qint64 dx = x - coords[0];
        const qint64 dy = y - coords[1];
        return dx * dx + dy * dy <= qint64(coords[2]) * coords[2];
    }
    case Poly:
        return polygon.size() >= 3 && polygon.containsPoint(QPoint(x, y), Qt::OddEvenFill);
    }
    return false;
}

ImageMapHandler::ImageMapHandler(const QString &imageMap)
{
    static const QRegularExpression areaRe(QStringLiteral("<area\\b([^>]*)>"),
                                           QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression attrRe(
        QStringLiteral("([A-Za-z_][-A-Za-z0-9_:]*)\\s*=\\s*(?:\"([^\"]*)\"|'([^']*)'|([^\\s>]+))"));
    auto areas = areaRe.globalMatch(imageMap);
    while (areas.hasNext()) {
        const QString body = areas.next().captured(1);
        Spot spot;
        auto attrs = attrRe.globalMatch(body);
        while (attrs.hasNext()) {
            const auto m = attrs.next();
            QString value = m.captured(2);
            if (m.capturedLength(3) > 0)
                value = m.captured(3);
            else if (m.capturedLength(4) > 0)
                value = m.captured(4);
            spot.attributes.insert(m.captured(1).toLower(), unescape(value));
        }
        const QString shape = spot.attributes.value(QStringLiteral("shape")).toLower();
        spot.shape = shape.startsWith(QLatin1String("circ"))   ? Spot::Circle
                     : shape.startsWith(QLatin1String("poly")) ? Spot::Poly
                                                               : Spot::Rect;
        const QStringList nums = spot.attributes.value(QStringLiteral("coords"))
                                     .split(QLatin1Char(','), Qt::SkipEmptyParts);
        for (const QString &n : nums) {
            bool ok = false;
            const int v = n.trimmed().toInt(&ok);
            if (ok)
                spot.coords.append(v);
        }
        for (int i = 0; i + 1 < spot.coords.size(); i += 2)
            spot.polygon.append(QPoint(spot.coords[i], spot.coords[i + 1]));
        const QString href = spot.attributes.value(QStringLiteral("href"));
        const int q = href.indexOf(QLatin1Char('?'));
        spot.attributes.insert(QStringLiteral("path"), q < 0 ? href : href.left(q));
        spot.attributes.insert(QStringLiteral("query"), q < 0 ? QString() : href.mid(q + 1));
        m_spots.append(spot);
    }
}

int ImageMapHandler::getHotSpot(int x, int y)
{
    m_current = -1;
    for (int i = m_spots.size() - 1; i >= 0; --i) {
        if (m_spots[i].contains(x, y)) {
            m_current = i;
            break;
        }
    }
    return m_current;
}

QString ImageMapHandler::getValue(const QString &key) const
{
    if (m_current < 0)
        return QString();
    return m_spots[m_current].attributes.value(key.toLower());
}
