#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Collects the bytes a link receives until a line feed ends the answer, so
// that an answer split over several reads is handed on whole. Everything up
// to the last line feed is complete; the rest waits for the next read. The
// links clear it when they send a new request: an unfinished answer to an
// earlier one must never be joined to the next.
class AnswerAssembler
{
public:
    static constexpr int DefaultLimit = 1024;

    explicit AnswerAssembler(int limit = DefaultLimit) : m_limit(limit) {}

    // Adds a chunk. Returns true and sets *complete when at least one whole
    // line is available. A partial line that grows beyond the limit is
    // dropped (see overflowed()), so a device that never ends its line
    // cannot make the buffer grow without bound.
    bool append(const QByteArray &chunk, QByteArray *complete);
    void clear();
    bool isEmpty() const { return m_pending.isEmpty(); }
    int pendingSize() const { return m_pending.size(); }
    // True when the last append dropped an oversized partial line.
    bool overflowed() const { return m_overflowed; }

    // The lines of a complete answer that carry the marker, each ended by a
    // line feed; the others go to *dropped. A stale or garbled line that
    // arrives in the same read as a good answer must not hide it.
    static QString markedLines(const QString &text, const QString &marker, QStringList *dropped);
    // The part of one line from the newest answer on.
    static QString newestAnswer(const QString &line, const QString &marker);

private:
    QByteArray m_pending;
    int m_limit;
    bool m_overflowed = false;
};
