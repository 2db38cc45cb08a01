#pragma once

#include "widgets/MessageDialog.h"

#include <QList>
#include <QObject>

// What the dialog tests share: finding a form's widgets by object name and
// the message windows a dialog has opened.
namespace DialogTest {

// A form that lost a widget cannot be driven any further, so a missing one
// ends the run at once.
template <typename T> T *child(const QObject *parent, const char *name)
{
    T *widget = parent->findChild<T *>(QLatin1String(name));
    if (!widget)
        qFatal("no widget %s", name);
    return widget;
}

inline QList<MessageDialog *> messages(const QObject *parent)
{
    return parent ? parent->findChildren<MessageDialog *>() : QList<MessageDialog *>();
}

} // namespace DialogTest
