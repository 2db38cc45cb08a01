#include "DiscoveryDatagram.h"

#include <QStringList>

QByteArray DiscoveryDatagram::probe()
{
    return QByteArray(ProbeSize, '\x01');
}

bool DiscoveryDatagram::isAnswer(const QByteArray &datagram)
{
    if (datagram.size() < AnswerSize)
        return false;
    const int zero = datagram.indexOf('\0');
    const QByteArray head = zero >= 0 ? datagram.left(zero) : datagram;
    return QString::fromUtf8(head).contains(QLatin1String("KELVANTIS"));
}

bool DiscoveryDatagram::decode(const QByteArray &datagram, Answer *answer)
{
    if (!isAnswer(datagram) || !answer)
        return false;
    const auto *bytes = reinterpret_cast<const unsigned char *>(datagram.constData());
    answer->address =
        QStringLiteral("%1.%2.%3.%4").arg(bytes[12]).arg(bytes[13]).arg(bytes[14]).arg(bytes[15]);
    answer->macText.clear();
    for (int i = 16; i < 22; ++i)
        answer->macText += QStringLiteral("%1").arg(bytes[i], 2, 16, QLatin1Char('0')).toUpper();
    answer->dhcp = bytes[23] != 0;
    const quint32 port = quint32(bytes[24]) | quint32(bytes[25]) << 8 | quint32(bytes[26]) << 16 |
                         quint32(bytes[27]) << 24;
    answer->port = quint16(port & 0xffff);
    return true;
}

QString DiscoveryDatagram::broadcastAddressFor(const QString &address)
{
    const QStringList parts = address.split(QLatin1Char('.'));
    if (parts.size() < 4)
        return {};
    return parts.mid(0, 3).join(QLatin1Char('.')) + QLatin1String(".255");
}
