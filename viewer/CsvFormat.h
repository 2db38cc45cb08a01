#pragma once

#include "ViewerSeries.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>

#include <functional>

// The viewer's CSV export format: header "DATE TIME" and ","
// + each channel title, no trailing comma; then per time point a line break,
// the local time "yyyy-MM-dd hh:mm:ss", "," and each channel's value with two
// decimals or "----", each followed by ","; no final line break. A title with
// a comma, a double quote or a line break is quoted as RFC 4180 says.
namespace CsvFormat {

QByteArray headerLine(const QStringList &titles);
QByteArray quoteField(const QString &field);
// Appends the value as QString::number(v, 'f', 2) would write it.
void appendFixed2(QByteArray &out, double value);

// Writes the whole file to an open device; progress(rowsDone) is called now
// and then. False when a write fails.
bool write(QIODevice &device, const ViewerSeries &series,
           const std::function<void(int)> &progress = {});

} // namespace CsvFormat
