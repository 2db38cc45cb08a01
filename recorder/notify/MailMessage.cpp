#include "MailMessage.h"

#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>
#include <QUuid>

namespace {
constexpr int QpLineLimit = 76;
// Base64 of 45 bytes is 60 characters: with "=?UTF-8?B?" and "?=" an encoded
// word stays within the 75 characters RFC 2047 allows.
constexpr int EncodedWordBytes = 45;

QString oneLine(const QString &text)
{
    QString out = text;
    for (QChar &c : out) {
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator)
            c = QLatin1Char(' ');
    }
    return out;
}

bool isPlainAscii(const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() > 0x7e)
            return false;
    }
    // An ASCII text that looks like an encoded word must be encoded itself.
    return !text.contains(QLatin1String("=?"));
}

char hexDigit(int v)
{
    return "0123456789ABCDEF"[v & 0xf];
}
} // namespace

QByteArray MailMessage::encodeHeader(const QString &text)
{
    const QString clean = oneLine(text);
    if (isPlainAscii(clean))
        return clean.toLatin1();
    const QByteArray utf8 = clean.toUtf8();
    QByteArray out;
    int start = 0;
    while (start < utf8.size()) {
        int end = qMin(start + EncodedWordBytes, int(utf8.size()));
        // Never split a character: back up to the start of a UTF-8 sequence.
        while (end < utf8.size() && end > start && (uchar(utf8.at(end)) & 0xc0) == 0x80)
            --end;
        if (!out.isEmpty())
            out += "\r\n ";
        out += "=?UTF-8?B?" + utf8.mid(start, end - start).toBase64() + "?=";
        start = end;
    }
    return out;
}

QByteArray MailMessage::quotedPrintable(const QByteArray &utf8)
{
    QByteArray out;
    out.reserve(utf8.size() + utf8.size() / 4);
    const QList<QByteArray> lines = utf8.split('\n');
    for (int i = 0; i < lines.size(); ++i) {
        QByteArray line = lines.at(i);
        if (line.endsWith('\r'))
            line.chop(1);
        int column = 0;
        for (int j = 0; j < line.size(); ++j) {
            const uchar c = uchar(line.at(j));
            const bool last = j == line.size() - 1;
            QByteArray piece;
            if ((c >= 33 && c <= 126 && c != '=') || ((c == ' ' || c == '\t') && !last))
                piece = QByteArray(1, char(c));
            else
                piece = QByteArray("=") + hexDigit(c >> 4) + hexDigit(c);
            if (column + piece.size() > QpLineLimit - 1) {
                out += "=\r\n";
                column = 0;
            }
            out += piece;
            column += piece.size();
        }
        if (i < lines.size() - 1)
            out += "\r\n";
    }
    return out;
}

QByteArray MailMessage::rfc5322Date(qint64 unixSeconds)
{
    const QDateTime local = QDateTime::fromSecsSinceEpoch(unixSeconds);
    const int offset = local.offsetFromUtc() / 60;
    const int a = qAbs(offset);
    return QLocale::c().toString(local, QStringLiteral("ddd, dd MMM yyyy hh:mm:ss ")).toLatin1() +
           (offset < 0 ? '-' : '+') + QByteArray::number(a / 60).rightJustified(2, '0') +
           QByteArray::number(a % 60).rightJustified(2, '0');
}

bool MailMessage::isAddress(const QString &text)
{
    static const QRegularExpression pattern(
        QStringLiteral("^[^@\\s<>(),;:\"\\[\\]\\\\]+@[^@\\s<>(),;:\"\\[\\]\\\\.]"
                       "[^@\\s<>(),;:\"\\[\\]\\\\]*$"));
    return pattern.match(text).hasMatch() && !text.endsWith(QLatin1Char('.'));
}

QString MailMessage::newMessageId()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces) + QStringLiteral("@moravin.lite");
}

QByteArray MailMessage::toMime() const
{
    QByteArray m;
    m += "Date: " + rfc5322Date(date) + "\r\n";
    m += "From: Moravin Lite <" + oneLine(from).toUtf8() + ">\r\n";
    QStringList clean;
    for (const QString &a : to)
        clean << oneLine(a);
    m += "To: " + clean.join(QStringLiteral(", ")).toUtf8() + "\r\n";
    m += "Subject: " + encodeHeader(subject) + "\r\n";
    m += "Message-ID: <" + oneLine(messageId.isEmpty() ? newMessageId() : messageId).toUtf8() +
         ">\r\n";
    m += "MIME-Version: 1.0\r\n";
    m += "Content-Type: text/plain; charset=UTF-8\r\n";
    m += "Content-Transfer-Encoding: quoted-printable\r\n";
    m += "Auto-Submitted: auto-generated\r\n";
    m += "\r\n";
    m += quotedPrintable(body.toUtf8());
    if (!m.endsWith("\r\n"))
        m += "\r\n";
    return m;
}
