#include "FontCatalog.h"

#include <QFontDatabase>
#include <QHash>

#include <cmath>

namespace {

struct Base
{
    const char *prefix;
    const char *family;
    const char *fallback;
};

const Base Bases[] = {
    {"segoeui", "Liberation Sans", "DejaVu Sans"}, {"arial", "Liberation Sans", "DejaVu Sans"},
    {"times", "Liberation Serif", "DejaVu Serif"}, {"cour", "Liberation Mono", "DejaVu Sans Mono"},
    {"verdana", "DejaVu Sans", "Liberation Sans"}, {"tahoma", "DejaVu Sans", "Liberation Sans"},
};

QString normalized(const QString &fontFile)
{
    QString f = fontFile.trimmed().toLower();
    const int slash = qMax(f.lastIndexOf(QLatin1Char('/')), f.lastIndexOf(QLatin1Char('\\')));
    if (slash >= 0)
        f = f.mid(slash + 1);
    if (f.endsWith(QLatin1String(".ttf")) || f.endsWith(QLatin1String(".ttc")))
        f.chop(4);
    return f;
}

const Base *baseOf(const QString &name)
{
    for (const Base &b : Bases) {
        if (name.startsWith(QLatin1String(b.prefix)))
            return &b;
    }
    return nullptr;
}

QString suffixOf(const QString &name)
{
    const Base *b = baseOf(name);
    return b ? name.mid(static_cast<int>(qstrlen(b->prefix))) : QString();
}

QString resolveFamily(const Base &b)
{
    static QHash<QString, QString> cache;
    const QString key = QLatin1String(b.prefix);
    auto it = cache.constFind(key);
    if (it != cache.constEnd())
        return *it;
    const QStringList families = QFontDatabase().families();
    QString chosen = QLatin1String(b.family);
    if (!families.contains(chosen) && families.contains(QLatin1String(b.fallback)))
        chosen = QLatin1String(b.fallback);
    cache.insert(key, chosen);
    return chosen;
}

} // namespace

QString FontCatalog::family(const QString &fontFile)
{
    const Base *b = baseOf(normalized(fontFile));
    return resolveFamily(b ? *b : Bases[1]);
}

bool FontCatalog::isBold(const QString &fontFile)
{
    const QString n = normalized(fontFile);
    const QString s = suffixOf(n);
    return n.contains(QLatin1String("bold")) || s.contains(QLatin1Char('b')) ||
           (n.startsWith(QLatin1String("segoeui")) && s.contains(QLatin1Char('z')));
}

bool FontCatalog::isItalic(const QString &fontFile)
{
    const QString n = normalized(fontFile);
    const QString s = suffixOf(n);
    return n.contains(QLatin1String("italic")) || s.contains(QLatin1Char('i')) ||
           (n.startsWith(QLatin1String("segoeui")) && s.contains(QLatin1Char('z')));
}

QString FontCatalog::applyFontName(const QString &currentFile, const QString &name)
{
    const QString n = name.trimmed().toLower();
    if (n == QLatin1String("bold") || n == QLatin1String("italic") ||
        n == QLatin1String("bolditalic") || n == QLatin1String("normal")) {
        const QString cur =
            normalized(currentFile.isEmpty() ? QStringLiteral("arial.ttf") : currentFile);
        const Base *b = baseOf(cur);
        QString base = b ? QLatin1String(b->prefix) : QStringLiteral("arial");
        if (n == QLatin1String("normal"))
            return base + QLatin1String(".ttf");
        const bool bold = n.contains(QLatin1String("bold")) || isBold(cur);
        const bool italic = n.contains(QLatin1String("italic")) || isItalic(cur);
        return base + (bold ? QLatin1String("b") : QLatin1String("")) +
               (italic ? QLatin1String("i") : QLatin1String("")) +
               (bold && !italic ? QLatin1String("d") : QLatin1String("")) + QLatin1String(".ttf");
    }
    return name.trimmed();
}

QFont FontCatalog::font(const QString &fontFile, double sizePoints)
{
    QFont f(family(fontFile));
    const double pts = std::isfinite(sizePoints) ? qBound(1.0, sizePoints, 400.0) : 8.0;
    f.setPixelSize(qMax(1, static_cast<int>(std::lround(pts * 4.0 / 3.0))));
    f.setBold(isBold(fontFile));
    f.setItalic(isItalic(fontFile));
    f.setStyleStrategy(QFont::PreferAntialias);
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}
