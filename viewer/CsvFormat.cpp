#include "CsvFormat.h"

#include "core/NoValue.h"

#include <cmath>

namespace CsvFormat {

QByteArray quoteField(const QString &field)
{
    QByteArray bytes = field.toUtf8();
    if (bytes.contains(',') || bytes.contains('"') || bytes.contains('\n') ||
        bytes.contains('\r')) {
        bytes.replace("\"", "\"\"");
        bytes.prepend('"');
        bytes.append('"');
    }
    return bytes;
}

QByteArray headerLine(const QStringList &titles)
{
    QByteArray line("DATE TIME");
    for (const QString &t : titles) {
        line += ',';
        line += quoteField(t);
    }
    return line;
}

void appendFixed2(QByteArray &out, double v)
{
    // Integer formatting for the usual readings; anything near a rounding
    // tie, around zero or very large goes through Qt's own formatter.
    if (std::isfinite(v) && std::fabs(v) < 1e5) {
        const double scaled = v * 100.0;
        const double whole = std::floor(scaled);
        const double frac = scaled - whole;
        if (std::fabs(frac - 0.5) > 1e-6 && (scaled >= 0.5 || scaled <= -0.5)) {
            long long r = static_cast<long long>(frac > 0.5 ? whole + 1 : whole);
            char buf[32];
            int p = 31;
            const bool negative = r < 0;
            if (negative)
                r = -r;
            buf[p--] = static_cast<char>('0' + r % 10);
            r /= 10;
            buf[p--] = static_cast<char>('0' + r % 10);
            r /= 10;
            buf[p--] = '.';
            do {
                buf[p--] = static_cast<char>('0' + r % 10);
                r /= 10;
            } while (r > 0);
            if (negative)
                buf[p--] = '-';
            out.append(buf + p + 1, 31 - p);
            return;
        }
    }
    out += QString::number(v, 'f', 2).toLatin1();
}

bool write(QIODevice &device, const ViewerSeries &s, const std::function<void(int)> &progress)
{
    if (device.write(headerLine(s.titles)) < 0)
        return false;
    const int rows = s.rowCount();
    const int channels = s.values.size();
    std::vector<const double *> values;
    for (const QVector<double> &v : s.values)
        values.push_back(v.constData());
    QByteArray chunk;
    chunk.reserve(1 << 20);
    const int step = std::max(10, rows / 100);
    char when[19];
    for (int i = 0; i < rows; ++i) {
        chunk += '\n';
        if (s.timeMap)
            s.timeMap->writeLocalText(s.times.at(i), when);
        chunk.append(when, 19);
        chunk += ',';
        for (int c = 0; c < channels; ++c) {
            const double v = values[size_t(c)][i];
            if (v == NoValue)
                chunk.append("----", 4);
            else
                appendFixed2(chunk, v);
            chunk += ',';
        }
        if (chunk.size() > (1 << 20) - 256) {
            if (device.write(chunk) != chunk.size())
                return false;
            chunk.resize(0);
        }
        if (progress && (i + 1) % step == 0)
            progress(i + 1);
    }
    if (!chunk.isEmpty() && device.write(chunk) != chunk.size())
        return false;
    if (progress)
        progress(rows);
    return true;
}

} // namespace CsvFormat
