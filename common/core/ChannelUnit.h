#pragma once

#include <QString>

// The short text of a channel's unit, as displays, messages and reports show
// it beside a value.
namespace ChannelUnit {

// "°C" for 1, "°F" for 2, "%RH" for 3, the custom text for 4, empty otherwise.
QString symbol(int unitCode, const QString &customText);

} // namespace ChannelUnit
