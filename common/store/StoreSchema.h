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

// A summary of the readings by blocks of row ids: each block's first and last
// reading time, so that a read of a time range visits only the blocks that
// can hold it. Additive: files without it are read whole. The triggers keep
// it in the same transaction as every insert or change of a reading, also
// when another program writes the file; a block's times are at worst too wide,
// which costs speed only. The state row says which row ids it covers: blocks
// below builtFrom are not built yet and rows past coveredTo were written
// around the triggers; readers read both whole. The statements avoid newer
// SQL forms, so that older SQLite versions still open the file.
namespace Blocks {
constexpr int Shift = 12; // 4096 row ids per block
constexpr int Version = 1;
constexpr const char *Table = "readings_blocks";
constexpr const char *State = "readings_blocks_state";
constexpr const char *InsertTrigger = "readings_blocks_insert";
constexpr const char *UpdateTrigger = "readings_blocks_update";
constexpr const char *CreateTable = "create table readings_blocks (block integer primary key, "
                                    "firstDate integer, lastDate integer)";
constexpr const char *CreateState = "create table readings_blocks_state (version integer, "
                                    "builtFrom integer, coveredTo integer)";
constexpr const char *CreateInsertTrigger =
    "CREATE TRIGGER readings_blocks_insert after insert on kelvantis begin "
    "insert or ignore into readings_blocks (block, firstDate, lastDate) "
    "select new.id >> 12, new.pointDate, new.pointDate from readings_blocks_state "
    "where new.id >> 12 >= builtFrom; "
    "update readings_blocks set firstDate = min(firstDate, new.pointDate), "
    "lastDate = max(lastDate, new.pointDate) where block = new.id >> 12; "
    "update readings_blocks_state set coveredTo = new.id where coveredTo = new.id - 1; end";
constexpr const char *CreateUpdateTrigger =
    "CREATE TRIGGER readings_blocks_update after update of id, pointDate on kelvantis begin "
    "insert or ignore into readings_blocks (block, firstDate, lastDate) "
    "select new.id >> 12, new.pointDate, new.pointDate from readings_blocks_state "
    "where new.id >> 12 >= builtFrom; "
    "update readings_blocks set firstDate = min(firstDate, new.pointDate), "
    "lastDate = max(lastDate, new.pointDate) where block = new.id >> 12; end";
} // namespace Blocks

} // namespace StoreSchema
