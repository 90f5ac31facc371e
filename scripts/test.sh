#!/usr/bin/env bash
# Builds Tomlet and runs every test: the normal build's tests, the same tests (GUI ones too)
# built with AddressSanitizer, UndefinedBehaviorSanitizer and the leak check, then each fuzz
# target for 60 seconds. Any failure, finding or leak fails the script.
# The build folders default to build, build-asan and build-fuzz; TOMLET_BUILD,
# TOMLET_ASAN_BUILD and TOMLET_FUZZ_BUILD name others.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${TOMLET_BUILD:-build}"
asan="${TOMLET_ASAN_BUILD:-build-asan}"
export TOMLET_FUZZ_BUILD="${TOMLET_FUZZ_BUILD:-build-fuzz}"

# Clang and its sanitizer runtime come with the rest, for the fuzz targets.
TOMLET_WITH_FUZZ=1 scripts/install-deps.sh

summaries=()
run_ctest() {
    local dir="$1" log="$1/ctest.log" status=0
    ctest --test-dir "$dir" --output-on-failure -j2 2>&1 | tee "$log" || status=$?
    summaries+=("$dir: $(grep -E 'tests passed' "$log" | tail -n 1)")
    return "$status"
}

echo "== normal build ($build)"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j2
run_ctest "$build"

echo "== sanitizer build ($asan)"
cmake -S . -B "$asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTOMLET_SANITIZE=ON \
    -DTOMLET_BUILD_BENCH=OFF
cmake --build "$asan" -j2
# Leaks are reported at each test's exit; none is suppressed. Any report ends the test with
# a failure status.
ASAN_OPTIONS=detect_leaks=1:check_initialization_order=1 \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    run_ctest "$asan"

echo "== fuzz targets, 60 s each ($TOMLET_FUZZ_BUILD)"
fuzz/run.sh 60

printf '%s\n' "${summaries[@]}"
