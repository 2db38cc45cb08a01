#!/bin/sh
# Writes a recorder database for the benchmarks: the recorder's own table,
# one reading per device per second, with a short outage now and then.
# Usage: bench/make-database.sh <file.dat> [devices (8)] [seconds (1250000)] [first unix time]
#        [serial number prefix (BENCH)]
# The defaults give 10,000,000 rows over about 14.5 days. Needs sqlite3.
set -eu

if [ $# -lt 1 ]; then
    echo "usage: $0 <file.dat> [devices] [seconds] [first unix time]" >&2
    exit 2
fi
file=$1
devices=${2:-8}
seconds=${3:-1250000}
first=${4:-1767225600} # 2026-01-01 00:00:00 UTC
prefix=${5:-BENCH}
case "$prefix" in
    *[!A-Za-z0-9]*) echo "$0: the serial number prefix takes letters and digits only" >&2; exit 2 ;;
esac
case "$devices$seconds$first" in
    *[!0-9]*) echo "$0: devices, seconds and time must be whole numbers" >&2; exit 2 ;;
esac
if [ "$devices" -lt 1 ] || [ "$devices" -gt 99 ]; then
    echo "$0: 1 to 99 devices" >&2
    exit 2
fi
command -v sqlite3 >/dev/null || { echo "$0: sqlite3 is not installed" >&2; exit 2; }
rm -f "$file"

# Device i is the prefix and i in three digits ("BENCH001"); channel 1 is a
# temperature-like triangle over one hour, channel 2 a humidity-like one over
# six hours, shifted per device. Every
# 100,003 seconds each device misses 60 readings (both channels NULL).
sqlite3 "$file" <<SQL
PRAGMA page_size = 4096;
.output /dev/null
PRAGMA journal_mode = OFF;
.output stdout
PRAGMA synchronous = OFF;
create table kelvantis (		id integer primary key autoincrement,		serialno varchar(18) not null, 		channel1 float, channel2 float, 		pointDate integer not null		);
BEGIN;
WITH RECURSIVE
  dev(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM dev WHERE n < $devices),
  sec(t) AS (SELECT 0 UNION ALL SELECT t + 1 FROM sec WHERE t < $seconds - 1)
INSERT INTO kelvantis (serialno, channel1, channel2, pointDate)
SELECT printf('${prefix}%03d', n),
       CASE WHEN (t + n * 7919) % 100003 < 60 THEN NULL
            ELSE round(15.0 + n + abs(((t + n * 450) % 3600) - 1800) / 180.0, 2) END,
       CASE WHEN (t + n * 7919) % 100003 < 60 THEN NULL
            ELSE round(40.0 + abs(((t + n * 1300) % 21600) - 10800) / 540.0, 2) END,
       $first + t
FROM sec, dev
ORDER BY t, n;
COMMIT;
SQL
echo "$file: $(sqlite3 "$file" 'select count(*) from kelvantis') rows"
