#!/bin/sh
# Runs every libFuzzer target of a build for a bounded time each.
# Usage: tests/fuzz/run-fuzzers.sh <build-dir> <seconds-per-fuzzer>
set -eu

if [ $# -ne 2 ]; then
    echo "usage: $0 <build-dir> <seconds-per-fuzzer>" >&2
    exit 2
fi
build=$1
seconds=$2
here=$(cd "$(dirname "$0")" && pwd)

fuzzers=$(find "$build" -type f -perm -u+x -name 'fuzz_*' | sort)
if [ -z "$fuzzers" ]; then
    echo "no fuzz targets under $build (configure with CC=clang CXX=clang++ -DMORAVIN_FUZZ=ON)" >&2
    exit 1
fi

# Qt's JSON parser leaks on repeated keys holding arrays (qt-json.supp). Its
# own frames have no names, so the suppression matches the public frame above
# them, which only slowly unwound allocation stacks reach; fuzzers that call
# the parser pay for that, the others keep the fast unwinder.
suppressions=$here/qt-json.supp
slow_unwind=fast_unwind_on_malloc=0:malloc_context_size=255
reproducer=$(find "$build" -type f -perm -u+x -name qt_json_duplicate_keys | head -n 1)
if [ -z "$reproducer" ]; then
    echo "qt_json_duplicate_keys is missing under $build (it is built with the fuzzers)" >&2
    exit 1
fi
if ASAN_OPTIONS=$slow_unwind "$reproducer" >/dev/null 2>&1; then
    echo "note: Qt's JSON parser no longer leaks on repeated keys; $suppressions can go"
elif ! ASAN_OPTIONS=$slow_unwind LSAN_OPTIONS=suppressions=$suppressions \
    "$reproducer" >/dev/null 2>&1; then
    echo "$suppressions no longer covers the leak that $reproducer shows:" >&2
    ASAN_OPTIONS=$slow_unwind LSAN_OPTIONS=suppressions=$suppressions "$reproducer" >&2 || true
    exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM

status=0
for fuzzer in $fuzzers; do
    name=$(basename "$fuzzer")
    corpus=$work/$name
    mkdir -p "$corpus"
    if [ -d "$here/corpus/$name" ]; then
        cp "$here/corpus/$name"/* "$corpus"/ 2>/dev/null || true
    fi
    asan_options=${ASAN_OPTIONS:-}
    if nm -D --undefined-only "$fuzzer" | grep -q QJsonDocument8fromJson; then
        asan_options=${asan_options:+$asan_options:}$slow_unwind
    fi
    echo "== $name for ${seconds}s"
    if ! ASAN_OPTIONS=$asan_options LSAN_OPTIONS=suppressions=$suppressions \
        "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="$work/$name-" "$corpus" >"$work/$name.log" 2>&1; then
        tail -n 40 "$work/$name.log" >&2
        for artifact in "$work/$name"-*; do
            [ -e "$artifact" ] && cp "$artifact" "$build/" && echo "kept $build/$(basename "$artifact")" >&2
        done
        status=1
    else
        grep -E '^(#[0-9]+|Done)' "$work/$name.log" | tail -n 1
    fi
done
exit $status
