#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for a bounded time (seconds, default 60),
# one after another. Seeds come from fuzz/corpus/<target>/ and the sample books; findings land
# in <build>/findings/<target>/ and fail the run with the fuzzer's report.
#   fuzz/run.sh [SECONDS] [TARGET...]     TOMLET_FUZZ_BUILD names the build folder (build-fuzz)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
shift || true
build="${TOMLET_FUZZ_BUILD:-build-fuzz}"
targets=(fuzz_marked_text fuzz_cvd fuzz_settings fuzz_text_codec)
[ $# -gt 0 ] && targets=("$@")

TOMLET_WITH_FUZZ=1 scripts/install-deps.sh
CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTOMLET_BUILD_FUZZ=ON -DTOMLET_SANITIZE=ON -DTOMLET_BUILD_TESTS=OFF -DTOMLET_BUILD_BENCH=OFF \
    >/dev/null
cmake --build "$build" -j2 --target "${targets[@]}"

failed=0
for target in "${targets[@]}"; do
    work="$build/corpus/$target"
    findings="$build/findings/$target"
    log="$build/$target.log"
    mkdir -p "$work" "$findings"
    # libFuzzer takes folders as corpora; the sample books are copied in as seeds.
    case "$target" in
    fuzz_marked_text | fuzz_text_codec) seed=examples/sample.txt ;;
    fuzz_cvd) seed=examples/sample.cvd ;;
    *) seed= ;;
    esac
    [ -n "$seed" ] && [ -f "$seed" ] && cp "$seed" "$work/"
    echo "== $target for ${seconds}s"
    # -max_len covers a CVD record with both lengths at 65535 and the next record's head.
    status=0
    "$build/fuzz/$target" "$work" "fuzz/corpus/$target" -max_total_time="$seconds" \
        -max_len=140000 -timeout=10 -rss_limit_mb=2048 -artifact_prefix="$findings/" \
        -print_final_stats=1 >"$log" 2>&1 || status=$?
    if [ "$status" -ne 0 ]; then
        echo "FAILED: $target exited $status; its report ($log):"
        tail -n 60 "$log"
        ls -l "$findings"
        failed=1
        continue
    fi
    grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)' "$log" || true
done
exit "$failed"
