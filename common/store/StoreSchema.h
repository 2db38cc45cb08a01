#pragma once

// The tables and columns of a project's database. The recorder writes them,
// the viewer and the report program read them, and other programs rely on
// them, so their names are written here and nowhere else.
namespace StoreSchema {

namespace Readings {
constexpr const char *Table = "kelvantis";
constexpr const char *Id = "id";
constexpr const char *SerialNo = "serialno";
constexpr const char *Channel1 = "channel1";
constexpr const char *Channel2 = "channel2";
constexpr const char *PointDate = "pointDate";
// Exactly as the first recorders created it; peers compare nothing, but the
// tabs keep the stored schema text the same for every file.
constexpr const char *CreateStatement =
    "create table kelvantis (\t\tid integer primary key autoincrement,\t\tserialno varchar(18) "
    "not null, \t\tchannel1 float, channel2 float, \t\tpointDate integer not null\t\t)";
} // namespace Readings

// The event log, added beside the readings; files without it are read as
// having no events.
namespace Events {
constexpr const char *Table = "events";
constexpr const char *Id = "id";
constexpr const char *Time = "eventTime";
constexpr const char *Kind = "kind";
constexpr const char *SerialNo = "serialno";
constexpr const char *Channel = "channel";
constexpr const char *Value = "value";
constexpr const char *Limit = "limitValue";
constexpr const char *Detail = "detail";
constexpr const char *Repeats = "repeats";
constexpr const char *CreateStatement =
    "create table if not exists events (id integer primary key autoincrement, "
    "eventTime integer not null, kind text not null, serialno varchar(18) not null default '', "
    "channel integer not null default 0, value float, limitValue float, "
    "detail text not null default '', repeats integer not null default 1)";
constexpr const char *CreateTimeIndex =
    "create index if not exists events_eventTime on events (eventTime)";
} // namespace Events

} // namespace StoreSchema
