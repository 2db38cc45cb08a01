#pragma once

#include <QString>

// What "Test connection" finds out: whether the server answers, which
// PostgreSQL it is, whether Moravin's tables are there (or can be made), and
// whether this user may write them. Blocking: run it off the GUI thread.
class ServerProbe
{
public:
    struct Result
    {
        bool ok = false;       // a recorder can forward with this setting
        bool readable = false; // a viewer or report can read with it
        QString text;          // one or two sentences for the dialog
    };

    static Result run(const QString &setting, int timeoutMs = 10000);
};
