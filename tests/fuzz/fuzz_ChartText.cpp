// Feeds arbitrary text to the chart engine's text parsers: mark-up (parsed,
// laid out and painted), value patterns and image maps. Channel names typed by
// users reach the first two inside legend and label texts.
#include "ChartDate.h"
#include "ImageMapHandler.h"
#include "MarkupText.h"
#include "ValueFormatter.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdint>
#include <cstring>

// Font look-ups fill fontconfig's and FreeType's caches, which live until exit.
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libfontconfig.so\nleak:libfreetype.so\nleak:libqoffscreen.so\n";
}

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 9 || size > 4096)
        return 0;
    double value = 0;
    std::memcpy(&value, data + 1, sizeof value);
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char *>(data + 9), static_cast<int>(size - 9));
    switch (data[0] % 3) {
    case 0: {
        const MarkupText t(text, QStringLiteral("arial.ttf"), 1 + data[1] % 30);
        QImage img(64, 32, QImage::Format_ARGB32_Premultiplied);
        QPainter p(&img);
        t.paint(p, 0, 0, Qt::white);
        (void)t.plainText();
        break;
    }
    case 1:
        (void)ValueFormatter::format(value, text);
        (void)ValueFormatter::formatDate(value, text);
        break;
    default: {
        ImageMapHandler map(text);
        (void)map.getHotSpot(static_cast<int>(data[1]) * 4, static_cast<int>(data[2]) * 4);
        (void)map.getValue(QStringLiteral("title"));
        break;
    }
    }
    return 0;
}
