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
    echo "== $name for ${seconds}s"
    if ! "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
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
