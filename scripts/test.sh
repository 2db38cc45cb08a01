#!/usr/bin/env bash
# Builds from scratch and runs every test: a normal build, then the whole
# suite again under AddressSanitizer and UndefinedBehaviorSanitizer, then each
# fuzzer for a bounded time.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
jobs=$(nproc)

echo "== Build and test"
rm -rf build-test
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build-test -j"$jobs"
(cd build-test && ctest --output-on-failure -j"$jobs" --timeout 300)

echo "== Build and test with AddressSanitizer and UndefinedBehaviorSanitizer"
rm -rf build-asan
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DMORAVIN_SANITIZE=ON -DMORAVIN_BENCH=OFF
cmake --build build-asan -j"$jobs"
(cd build-asan && ctest --output-on-failure -j"$jobs" --timeout 600)

echo "== Fuzzers"
rm -rf build-fuzz
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DMORAVIN_FUZZ=ON -DMORAVIN_BENCH=OFF
fuzzers=$(ninja -C build-fuzz -t targets all | grep -oE '^fuzz_[A-Za-z]+:' | tr -d : | sort -u)
cmake --build build-fuzz -j"$jobs" --target $fuzzers
bash tests/fuzz/run-fuzzers.sh "$PWD/build-fuzz" 60
