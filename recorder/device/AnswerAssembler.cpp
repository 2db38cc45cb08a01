#include "AnswerAssembler.h"

bool AnswerAssembler::append(const QByteArray &chunk, QByteArray *complete)
{
    m_overflowed = false;
    m_pending.append(chunk);
    const int end = m_pending.lastIndexOf('\n');
    bool found = false;
    if (end >= 0) {
        if (complete)
            *complete = m_pending.left(end + 1);
        m_pending.remove(0, end + 1);
        found = true;
    }
    if (m_pending.size() > m_limit) {
        m_pending.clear();
        m_overflowed = true;
    }
    return found;
}

void AnswerAssembler::clear()
{
    m_pending.clear();
    m_overflowed = false;
}

QString AnswerAssembler::newestAnswer(const QString &line, const QString &marker)
{
    // A marker followed by a whole value pair begins an answer of its own; what
    // stands before it is an unfinished answer to an earlier request. A marker
    // inside a pair ("ATCD 1.00,ATCD2.00") begins nothing.
    for (int at = line.lastIndexOf(marker); at > 0; at = line.lastIndexOf(marker, at - 1)) {
        if (line.indexOf(QLatin1Char(','), at + marker.size()) >= 0)
            return line.mid(at);
    }
    return line;
}

QString AnswerAssembler::markedLines(const QString &text, const QString &marker,
                                     QStringList *dropped)
{
    QString kept;
    const QStringList lines = text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString &line : lines) {
        if (line.contains(marker))
            kept += newestAnswer(line, marker) + QLatin1Char('\n');
        else if (dropped)
            dropped->append(line);
    }
    return kept;
}
