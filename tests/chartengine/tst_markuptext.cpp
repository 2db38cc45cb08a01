#include "FontCatalog.h"
#include "MarkupText.h"

#include <QImage>
#include <QPainter>
#include <QtTest>

class TestMarkupText : public QObject
{
    Q_OBJECT

private slots:
    void plainTextPassesThrough();
    void blocksAndLineBreaks();
    void fontSectionsRestoreStyle();
    void backgroundBoxIsPainted();
    void textColourComesFromMarkupOrCaller();
    void malformedMarkupDoesNotBreak();
    void fontFilesMapToInstalledFonts();
    void userTextCanBeShownPlain();
};

void TestMarkupText::plainTextPassesThrough()
{
    const MarkupText t(QStringLiteral("12.50"), QStringLiteral("arial.ttf"), 8);
    QCOMPARE(t.plainText(), QStringLiteral("12.50"));
    QCOMPARE(t.lineCount(), 1);
    QVERIFY(t.width() > 15 && t.width() < 60);
    QVERIFY(t.height() >= 10 && t.height() < 20);
    const MarkupText empty(QString(), QStringLiteral("arial.ttf"), 8);
    QCOMPARE(empty.width(), 0);
}

void TestMarkupText::blocksAndLineBreaks()
{
    const MarkupText label(QStringLiteral("<*block,halign=left*><*font=bold*>Jan 05<*br*>2026"),
                           QStringLiteral("arial.ttf"), 8);
    QCOMPARE(label.plainText(), QStringLiteral("Jan 05\n2026"));
    const MarkupText one(QStringLiteral("Jan 05"), QStringLiteral("arialbd.ttf"), 8);
    QVERIFY(label.height() >= 2 * one.height() - 1);
    QCOMPARE(label.width(), one.width());

    const MarkupText top(QStringLiteral("00:00<*br*>Jan 05"), QStringLiteral("arial.ttf"), 8);
    QCOMPARE(top.lineCount(), 2);

    // Blocks side by side form one line.
    const MarkupText view(
        QStringLiteral("<*block*><*block*><*font=arial.ttf*>View Length : 240 samples<*/*>"
                       "<*block*><*font=arial.ttf*>   Interval : 5 min <*/*><*/*>"),
        QStringLiteral("arial.ttf"), 8);
    QCOMPARE(view.plainText(), QStringLiteral("View Length : 240 samples   Interval : 5 min "));
    const MarkupText flat(QStringLiteral("View Length : 240 samples   Interval : 5 min "),
                          QStringLiteral("arial.ttf"), 8);
    QVERIFY(qAbs(view.widthF() - flat.widthF()) < 1.0);
    QCOMPARE(view.height(), flat.height());
}

void TestMarkupText::fontSectionsRestoreStyle()
{
    const MarkupText normal(QStringLiteral("Temperature"), QStringLiteral("arial.ttf"), 10);
    const MarkupText bold(QStringLiteral("Temperature"), QStringLiteral("arialbd.ttf"), 10);
    QVERIFY(bold.widthF() > normal.widthF());
    const MarkupText switched(QStringLiteral("<*font=arialbd.ttf*>Temperature<*/font*>Temperature"),
                              QStringLiteral("arial.ttf"), 10);
    QVERIFY(qAbs(switched.widthF() - (bold.widthF() + normal.widthF())) < 1.0);
    const MarkupText sized(QStringLiteral("<*font,size=20*>Temperature<*/*>Temperature"),
                           QStringLiteral("arial.ttf"), 10);
    QVERIFY(sized.widthF() > 2.5 * normal.widthF());
    const MarkupText boldName(QStringLiteral("<*font=bold*>Temperature"),
                              QStringLiteral("arial.ttf"), 10);
    QVERIFY(qAbs(boldName.widthF() - bold.widthF()) < 0.5);
}

void TestMarkupText::backgroundBoxIsPainted()
{
    const MarkupText t(QStringLiteral("<*font,bgColor=ff0000*> 21.50 <*font*>   "),
                       QStringLiteral("arialbd.ttf"), 8);
    QImage img(t.width() + 4, t.height() + 4, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::black);
    QPainter p(&img);
    t.paint(p, 2, 2, Qt::white);
    p.end();
    // The leading blank lies in the red box; the trailing blanks have none.
    QCOMPARE(QColor(img.pixel(3, 2 + t.height() / 2)), QColor(255, 0, 0));
    QCOMPARE(QColor(img.pixel(t.width(), 2 + t.height() / 2)), QColor(0, 0, 0));
}

void TestMarkupText::textColourComesFromMarkupOrCaller()
{
    auto countColour = [](const QString &markup, const QColor &paintColour, auto pred) {
        const MarkupText t(markup, QStringLiteral("arialbd.ttf"), 12);
        QImage img(t.width() + 2, t.height() + 2, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::black);
        QPainter p(&img);
        t.paint(p, 1, 1, paintColour);
        p.end();
        int n = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                n += pred(QColor(img.pixel(x, y))) ? 1 : 0;
        return n;
    };
    auto green = [](const QColor &c) { return c.green() > 150 && c.red() < 80; };
    QVERIFY(countColour(QStringLiteral("HHH"), Qt::green, green) > 10);
    QCOMPARE(countColour(QStringLiteral("<*font,color=0000ff*>HHH"), Qt::green, green), 0);
}

void TestMarkupText::malformedMarkupDoesNotBreak()
{
    const QStringList inputs = {QStringLiteral("<*/*><*/*>text"),
                                QStringLiteral("<*block*>open"),
                                QStringLiteral("a<*unterminated"),
                                QStringLiteral("<**><*=*><*font=*>x"),
                                QStringLiteral("<*font,size=-4,color=zz*>y"),
                                QStringLiteral("<*img=@square,width=1e9*>")};
    for (const QString &in : inputs) {
        const MarkupText t(in, QStringLiteral("arial.ttf"), 8);
        QVERIFY2(t.width() < 2000, qPrintable(in));
        QImage img(50, 20, QImage::Format_ARGB32_Premultiplied);
        QPainter p(&img);
        t.paint(p, 0, 0, Qt::white);
    }
    const MarkupText unterminated(QStringLiteral("a<*unterminated"), QStringLiteral("arial.ttf"),
                                  8);
    QCOMPARE(unterminated.plainText(), QStringLiteral("a<*unterminated"));
}

void TestMarkupText::fontFilesMapToInstalledFonts()
{
    QVERIFY(FontCatalog::isBold(QStringLiteral("arialbd.ttf")));
    QVERIFY(!FontCatalog::isBold(QStringLiteral("arial.ttf")));
    QVERIFY(FontCatalog::isBold(QStringLiteral("timesbi.ttf")));
    QVERIFY(FontCatalog::isItalic(QStringLiteral("timesbi.ttf")));
    QVERIFY(!FontCatalog::isItalic(QStringLiteral("segoeui.ttf")));
    QVERIFY(FontCatalog::isBold(
        FontCatalog::applyFontName(QStringLiteral("arial.ttf"), QStringLiteral("bold"))));
    QCOMPARE(FontCatalog::applyFontName(QStringLiteral("arial.ttf"), QStringLiteral("arialbd.ttf")),
             QStringLiteral("arialbd.ttf"));
    QVERIFY(FontCatalog::family(QStringLiteral("timesbi.ttf")) !=
            FontCatalog::family(QStringLiteral("arial.ttf")));
    const QFont f = FontCatalog::font(QStringLiteral("arialbd.ttf"), 8);
    QVERIFY(f.bold());
    QCOMPARE(f.pixelSize(), 11);
    QCOMPARE(FontCatalog::font(QStringLiteral("arial.ttf"), std::nan("")).pixelSize(), 11);
}

void TestMarkupText::userTextCanBeShownPlain()
{
    const QString name = QStringLiteral("Tank <*br*> 2 <*/*>");
    const MarkupText parsed(name, QStringLiteral("arial.ttf"), 8);
    QCOMPARE(parsed.lineCount(), 2);
    const MarkupText shown(QStringLiteral("<*block*>") + MarkupText::plain(name) +
                               QStringLiteral(": 1<*/*>"),
                           QStringLiteral("arial.ttf"), 8);
    QCOMPARE(shown.lineCount(), 1);
    QCOMPARE(shown.plainText().remove(QChar(0x200b)), name + QStringLiteral(": 1"));
    QCOMPARE(MarkupText::plain(QStringLiteral("CH1")), QStringLiteral("CH1"));
}

QTEST_MAIN(TestMarkupText)
#include "tst_markuptext.moc"
