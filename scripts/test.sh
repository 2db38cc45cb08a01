#!/usr/bin/env bash
# Builds from scratch and runs every test: a normal build, then the whole
# suite again under AddressSanitizer and UndefinedBehaviorSanitizer, then each
# fuzzer for a bounded time.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
jobs=$(nproc)

# Runs a build's tests and keeps CTest's summary for the closing line.
run_tests() {
    (cd "$1" && ctest --output-on-failure -j"$jobs" --timeout "$2") | tee "$1/ctest-summary.log"
}

echo "== Build and test"
rm -rf build-test
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build-test -j"$jobs"
run_tests build-test 300

echo "== Debian package and desktop data"
(cd build-test && cpack -G DEB >/dev/null)
deb=$(ls build-test/moravin_*.deb)
staged=$(mktemp -d)
dpkg-deb -x "$deb" "$staged"
desktop-file-validate "$staged"/usr/share/applications/*.desktop
appstreamcli validate --no-net "$staged"/usr/share/metainfo/*.xml
lintian --allow-root --fail-on error,warning "$deb"
rm -rf "$staged"
echo "$deb: desktop files, AppStream data and lintian pass"

echo "== Build and test with AddressSanitizer and UndefinedBehaviorSanitizer"
rm -rf build-asan
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DMORAVIN_SANITIZE=ON -DMORAVIN_BENCH=OFF
cmake --build build-asan -j"$jobs"
run_tests build-asan 600

echo "== Fuzzers"
rm -rf build-fuzz
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DMORAVIN_FUZZ=ON -DMORAVIN_BENCH=OFF
fuzzers=$(ninja -C build-fuzz -t targets all | grep -oE '^fuzz_[A-Za-z]+:' | tr -d : | sort -u)
cmake --build build-fuzz -j"$jobs" --target $fuzzers
bash tests/fuzz/run-fuzzers.sh "$PWD/build-fuzz" 60

passed=0
failed=0
for log in build-test/ctest-summary.log build-asan/ctest-summary.log; do
    line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$log")
    f=$(echo "$line" | sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/')
    t=$(echo "$line" | sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\2/')
    passed=$((passed + t - f))
    failed=$((failed + f))
done
echo "tests: $passed passed, $failed failed"
