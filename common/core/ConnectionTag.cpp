#include "ConnectionTag.h"

#include <QUuid>

QString ConnectionTag::create()
{
    return QString::fromLatin1(QUuid::createUuid().toString().toLatin1().toBase64());
}
