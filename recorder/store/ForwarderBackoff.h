#pragma once

#include <QtGlobal>

// How long the forwarder waits before it tries the server again: doubling
// from the first delay up to the longest, each spread by up to a fifth so
// that the recorders of a site do not all knock at once when their server
// comes back. Reset by a success.
class ForwarderBackoff
{
public:
    ForwarderBackoff(int firstMs, int longestMs, quint32 seed);

    int next();
    void reset() { m_failures = 0; }
    int failures() const { return m_failures; }

private:
    int m_firstMs;
    int m_longestMs;
    int m_failures = 0;
    quint32 m_state;
};
