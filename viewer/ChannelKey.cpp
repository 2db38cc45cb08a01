#include "ChannelKey.h"

QString ChannelKey::make(const QString &deviceNumber, int channel)
{
    return deviceNumber +
           (channel == 2 ? QStringLiteral("_channel2") : QStringLiteral("_channel1"));
}

ChannelKey ChannelKey::split(const QString &key)
{
    ChannelKey k;
    const int cut = key.lastIndexOf(QLatin1Char('_'));
    if (cut < 0)
        return k;
    k.serial = key.left(cut);
    k.column = key.mid(cut + 1);
    k.valid = k.column == QLatin1String("channel1") || k.column == QLatin1String("channel2");
    return k;
}

QString ChannelKey::titleFromItemText(const QString &text)
{
    QString t = text;
    t.remove(QLatin1Char('\t'));
    return t.section(QLatin1Char('['), 0, 0);
}
