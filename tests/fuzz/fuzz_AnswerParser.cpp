// Device answers as they arrive over a link: assembled from chunks, then
// parsed into two channel readings.
#include "AnswerAssembler.h"
#include "ReadingParser.h"

#include "core/NoValue.h"

#include <QString>
#include <QStringList>
#include <cmath>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    // The first byte picks where the bytes are split into two reads.
    const QByteArray bytes(reinterpret_cast<const char *>(data + 1), int(size - 1));
    const int cut = bytes.isEmpty() ? 0 : data[0] % (bytes.size() + 1);

    AnswerAssembler assembler(64);
    QByteArray complete;
    const bool first = assembler.append(bytes.left(cut), &complete);
    QByteArray second;
    const bool whole = assembler.append(bytes.mid(cut), &second);
    if (!first && !whole)
        return 0;
    if (whole)
        complete += second;
    if (!complete.endsWith('\n') || assembler.pendingSize() > 64)
        abort();

    QStringList dropped;
    QString text = QString::fromUtf8(complete);
    text.remove(QLatin1Char('\r'));
    text = AnswerAssembler::markedLines(text, QStringLiteral("ATCD"), &dropped);
    for (const QString &line : qAsConst(dropped))
        if (line.contains(QLatin1String("ATCD")))
            abort();
    if (!text.isEmpty() && !text.endsWith(QLatin1Char('\n')))
        abort();

    const ReadingParser::Reading r = ReadingParser::parse(text);
    if (r.text.contains(QLatin1Char('\n')) || r.text.contains(QLatin1Char(' ')))
        abort();
    if (r.valid) {
        for (double v : {r.value1, r.value2})
            if (v != NoValue && !std::isfinite(v))
                abort();
        if (r.text1.isEmpty() || r.text2.isEmpty() || r.partCount < 2)
            abort();
    }
    return 0;
}
