#include "MarkupText.h"

#include "ColorTable.h"
#include "FontCatalog.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace {

struct Style
{
    QString fontFile;
    double size = 8;
    QColor color;
    QColor bg;
};

enum class Kind
{
    Text,
    Image,
    SubBlock
};

QColor parseColor(const QString &hex, bool *ok)
{
    QString h = hex.trimmed();
    if (h.startsWith(QLatin1String("0x"), Qt::CaseInsensitive) || h.startsWith(QLatin1Char('#')))
        h = h.mid(h.startsWith(QLatin1Char('#')) ? 1 : 2);
    const uint v = h.toUInt(ok, 16);
    return ColorTable::toQColor(static_cast<int>(v));
}

} // namespace

struct MarkupText::Block
{
    struct Item
    {
        Kind kind = Kind::Text;
        QString text;
        QFont font;
        QColor color;
        QColor bg;
        QString shape;
        std::unique_ptr<Block> block;
        double w = 0;
        double h = 0;
        double ascent = 0;
    };
    struct Line
    {
        std::vector<Item> items;
        double minHeight = 0;
        double w = 0;
        double h = 0;
    };
    std::vector<Line> lines;
    Qt::Alignment halign = Qt::AlignHCenter;
    double w = 0;
    double h = 0;

    void layout()
    {
        w = 0;
        h = 0;
        for (Line &line : lines) {
            line.w = 0;
            line.h = line.minHeight;
            for (Item &it : line.items) {
                if (it.kind == Kind::SubBlock) {
                    it.block->layout();
                    it.w = it.block->w;
                    it.h = it.block->h;
                }
                line.w += it.w;
                line.h = qMax(line.h, it.h);
            }
            w = qMax(w, line.w);
            h += line.h;
        }
    }

    void paint(QPainter &p, double x, double y, const QColor &defaultColor) const
    {
        double ly = y;
        for (const Line &line : lines) {
            double lx = x;
            if (halign & Qt::AlignHCenter)
                lx += (w - line.w) / 2;
            else if (halign & Qt::AlignRight)
                lx += w - line.w;
            for (const Item &it : line.items) {
                const double iy = ly + (line.h - it.h) / 2;
                if (it.kind == Kind::Text) {
                    if (it.bg.isValid() && it.bg.alpha() > 0)
                        p.fillRect(QRectF(lx, iy, it.w, it.h), it.bg);
                    p.setFont(it.font);
                    p.setPen(it.color.isValid() ? it.color : defaultColor);
                    p.drawText(QPointF(lx, iy + it.ascent), it.text);
                } else if (it.kind == Kind::Image) {
                    paintShape(p, it, lx, iy, defaultColor);
                } else {
                    it.block->paint(p, lx, iy, defaultColor);
                }
                lx += it.w;
            }
            ly += line.h;
        }
    }

    static void paintShape(QPainter &p, const Item &it, double x, double y,
                           const QColor &defaultColor)
    {
        const QColor c = it.color.isValid() ? it.color : defaultColor;
        if (c.alpha() == 0)
            return;
        p.save();
        p.setRenderHint(QPainter::Antialiasing, true);
        if (it.shape == QLatin1String("@line")) {
            const double t = qMax(2.0, it.h / 5);
            p.fillRect(QRectF(x + 1, y + (it.h - t) / 2, qMax(0.0, it.w - 2), t), c);
        } else if (it.shape == QLatin1String("@circle")) {
            p.setPen(Qt::NoPen);
            p.setBrush(c);
            p.drawEllipse(QRectF(x + 1, y + 1, qMax(0.0, it.w - 2), qMax(0.0, it.h - 2)));
        } else {
            p.fillRect(QRectF(x + 1, y + 1, qMax(0.0, it.w - 2), qMax(0.0, it.h - 2)), c);
        }
        p.restore();
    }

    void plain(QString &out) const
    {
        bool first = true;
        for (const Line &line : lines) {
            if (!first)
                out += QLatin1Char('\n');
            first = false;
            for (const Item &it : line.items) {
                if (it.kind == Kind::Text)
                    out += it.text;
                else if (it.kind == Kind::SubBlock)
                    it.block->plain(out);
            }
        }
    }
};

namespace {

using Block = MarkupText::Block;

class Parser
{
public:
    Parser(Block *root, const Style &style) : m_cur(root), m_style(style) { newLine(); }

    void run(const QString &text)
    {
        int i = 0;
        while (i < text.size()) {
            const int open = text.indexOf(QLatin1String("<*"), i);
            if (open < 0) {
                addText(text.mid(i));
                break;
            }
            const int close = text.indexOf(QLatin1String("*>"), open + 2);
            if (close < 0) {
                addText(text.mid(i));
                break;
            }
            addText(text.mid(i, open - i));
            tag(text.mid(open + 2, close - open - 2));
            i = close + 2;
        }
    }

private:
    struct Scope
    {
        bool block;
        Block *parent;
        Style saved;
    };

    static double fontHeight(const QFont &f) { return QFontMetricsF(f).height(); }

    QFont currentFont() const { return FontCatalog::font(m_style.fontFile, m_style.size); }

    void newLine()
    {
        Block::Line line;
        line.minHeight = fontHeight(currentFont());
        m_cur->lines.push_back(std::move(line));
    }

    void addText(const QString &t)
    {
        if (t.isEmpty())
            return;
        Block::Item it;
        it.kind = Kind::Text;
        it.text = t;
        it.font = currentFont();
        it.color = m_style.color;
        it.bg = m_style.bg;
        const QFontMetricsF fm(it.font);
        it.w = fm.horizontalAdvance(t);
        it.h = fm.height();
        it.ascent = fm.ascent();
        m_cur->lines.back().items.push_back(std::move(it));
    }

    void applyAttribute(const QString &key, const QString &value)
    {
        bool ok = false;
        if (key == QLatin1String("font")) {
            m_style.fontFile = FontCatalog::applyFontName(m_style.fontFile, value);
        } else if (key == QLatin1String("size")) {
            const double s = value.toDouble(&ok);
            if (ok && s > 0 && s < 400)
                m_style.size = s;
        } else if (key == QLatin1String("color")) {
            const QColor c = parseColor(value, &ok);
            if (ok)
                m_style.color = c;
        } else if (key == QLatin1String("bgcolor")) {
            const QColor c = parseColor(value, &ok);
            if (ok)
                m_style.bg = c;
        }
    }

    void pop()
    {
        if (m_scopes.empty())
            return;
        const Scope s = m_scopes.back();
        m_scopes.pop_back();
        m_style = s.saved;
        if (s.block)
            m_cur = s.parent;
    }

    void popFont()
    {
        for (int i = static_cast<int>(m_scopes.size()) - 1; i >= 0; --i) {
            if (!m_scopes[i].block) {
                while (static_cast<int>(m_scopes.size()) > i)
                    pop();
                return;
            }
        }
    }

    void tag(const QString &content)
    {
        const QStringList parts = content.split(QLatin1Char(','));
        const QString head = parts.value(0).trimmed();
        const int eq = head.indexOf(QLatin1Char('='));
        const QString name = (eq < 0 ? head : head.left(eq)).trimmed().toLower();
        const QString value = eq < 0 ? QString() : head.mid(eq + 1).trimmed();
        QList<QPair<QString, QString>> attrs;
        for (int k = 1; k < parts.size(); ++k) {
            const int e = parts[k].indexOf(QLatin1Char('='));
            if (e > 0)
                attrs.append({parts[k].left(e).trimmed().toLower(), parts[k].mid(e + 1).trimmed()});
        }

        if (name == QLatin1String("br")) {
            newLine();
        } else if (name == QLatin1String("/")) {
            pop();
        } else if (name == QLatin1String("/font") ||
                   (name == QLatin1String("font") && value.isEmpty() && attrs.isEmpty())) {
            popFont();
        } else if (name == QLatin1String("font")) {
            m_scopes.push_back({false, nullptr, m_style});
            if (!value.isEmpty())
                applyAttribute(QStringLiteral("font"), value);
            for (const auto &a : attrs)
                applyAttribute(a.first, a.second);
        } else if (name == QLatin1String("block")) {
            Block::Item it;
            it.kind = Kind::SubBlock;
            it.block = std::make_unique<Block>();
            Block *inner = it.block.get();
            m_cur->lines.back().items.push_back(std::move(it));
            m_scopes.push_back({true, m_cur, m_style});
            for (const auto &a : attrs) {
                if (a.first == QLatin1String("halign")) {
                    const QString v = a.second.toLower();
                    inner->halign = v == QLatin1String("left")    ? Qt::AlignLeft
                                    : v == QLatin1String("right") ? Qt::AlignRight
                                                                  : Qt::AlignHCenter;
                } else {
                    applyAttribute(a.first, a.second);
                }
            }
            m_cur = inner;
            newLine();
        } else if (name == QLatin1String("img")) {
            Block::Item it;
            it.kind = Kind::Image;
            it.shape = value.toLower();
            const double fh = fontHeight(currentFont());
            it.w = fh;
            it.h = fh * 0.75;
            it.color = m_style.color;
            bool ok = false;
            for (const auto &a : attrs) {
                if (a.first == QLatin1String("width")) {
                    const double v = a.second.toDouble(&ok);
                    if (ok && v >= 0 && v < 1000)
                        it.w = v;
                } else if (a.first == QLatin1String("height")) {
                    const double v = a.second.toDouble(&ok);
                    if (ok && v >= 0 && v < 1000)
                        it.h = v;
                } else if (a.first == QLatin1String("color")) {
                    const QColor c = parseColor(a.second, &ok);
                    if (ok)
                        it.color = c;
                }
            }
            m_cur->lines.back().items.push_back(std::move(it));
        }
    }

    Block *m_cur;
    Style m_style;
    std::vector<Scope> m_scopes;
};

} // namespace

MarkupText::MarkupText(const QString &text, const QString &fontFile, double fontSize)
    : m_root(std::make_unique<Block>())
{
    Style style;
    style.fontFile = fontFile.isEmpty() ? QStringLiteral("arial.ttf") : fontFile;
    style.size = fontSize > 0 && fontSize < 400 ? fontSize : 8;
    Parser parser(m_root.get(), style);
    parser.run(text);
    m_root->layout();
}

MarkupText::~MarkupText() = default;

QString MarkupText::plain(const QString &text)
{
    QString out = text;
    out.replace(QLatin1String("<*"), QStringLiteral("<\u200b*"));
    return out;
}

double MarkupText::widthF() const
{
    return m_root->w;
}

double MarkupText::heightF() const
{
    return m_root->h;
}

int MarkupText::width() const
{
    return static_cast<int>(std::ceil(m_root->w));
}

int MarkupText::height() const
{
    return static_cast<int>(std::ceil(m_root->h));
}

int MarkupText::lineCount() const
{
    return static_cast<int>(m_root->lines.size());
}

QString MarkupText::plainText() const
{
    QString out;
    m_root->plain(out);
    return out;
}

void MarkupText::paint(QPainter &p, double x, double y, const QColor &color) const
{
    m_root->paint(p, x, y, color);
}
