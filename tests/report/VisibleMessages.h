#pragma once

#include <QStringList>

// The message dialogs a test has made the window show.
class VisibleMessages
{
public:
    // Every visible message dialog as "title|text"; closes them.
    static QStringList take();
};
