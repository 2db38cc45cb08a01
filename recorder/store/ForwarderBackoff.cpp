#include "ForwarderBackoff.h"

#include <algorithm>

ForwarderBackoff::ForwarderBackoff(int firstMs, int longestMs, quint32 seed)
    : m_firstMs(std::max(1, firstMs)), m_longestMs(std::max(firstMs, longestMs)),
      m_state(seed ? seed : 0x9e3779b9u)
{
}

int ForwarderBackoff::next()
{
    qint64 base = m_firstMs;
    for (int i = 0; i < m_failures && base < m_longestMs; ++i)
        base *= 2;
    base = std::min<qint64>(base, m_longestMs);
    ++m_failures;
    // xorshift32: a spread that needs no shared generator.
    m_state ^= m_state << 13;
    m_state ^= m_state >> 17;
    m_state ^= m_state << 5;
    const qint64 spread = base / 5;
    const qint64 offset = spread ? qint64(m_state % quint32(2 * spread + 1)) - spread : 0;
    return int(std::max<qint64>(1, base + offset));
}
