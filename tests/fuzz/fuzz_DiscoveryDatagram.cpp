// Discovery answers from anything on the network.
#include "DiscoveryDatagram.h"

#include <QStringList>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray datagram(reinterpret_cast<const char *>(data), int(size));
    DiscoveryDatagram::Answer answer;
    const bool ok = DiscoveryDatagram::decode(datagram, &answer);
    if (ok != DiscoveryDatagram::isAnswer(datagram))
        abort();
    if (!ok)
        return 0;
    if (size < 28 || answer.macText.size() != 12 || answer.macText != answer.macText.toUpper())
        abort();
    const QStringList parts = answer.address.split(QLatin1Char('.'));
    if (parts.size() != 4)
        abort();
    for (const QString &part : parts) {
        bool number = false;
        if (part.toInt(&number) > 255 || !number)
            abort();
    }
    if (DiscoveryDatagram::broadcastAddressFor(answer.address).isEmpty())
        abort();
    return 0;
}
