#pragma once

#include <QString>

// The tag that prefixes the names of a window's database connections, so that
// several windows, programs and threads never share one: a fresh random UUID
// in text form, Base64-encoded. Each window makes its own at construction.
class ConnectionTag
{
public:
    static QString create();
};
