#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for a bounded time (seconds, default 60).
# Seeds come from fuzz/corpus/<target>/ and the sample books; findings land in build-fuzz/
# and fail the run.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
TOMLET_WITH_FUZZ=1 scripts/install-deps.sh
CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTOMLET_BUILD_FUZZ=ON -DTOMLET_SANITIZE=ON -DTOMLET_BUILD_TESTS=OFF -DTOMLET_BUILD_BENCH=OFF \
    >/dev/null
targets=(fuzz_marked_text fuzz_cvd fuzz_settings fuzz_text_codec)
cmake --build build-fuzz --target "${targets[@]}"
for target in "${targets[@]}"; do
    work="build-fuzz/corpus/$target"
    mkdir -p "$work" "build-fuzz/findings/$target"
    # libFuzzer takes folders as corpora; the sample books are copied in as seeds.
    case "$target" in
    fuzz_marked_text|fuzz_text_codec) cp examples/sample.txt "$work/" ;;
    fuzz_cvd) cp examples/sample.cvd "$work/" ;;
    esac
    echo "== $target for ${seconds}s"
    "build-fuzz/fuzz/$target" "$work" "fuzz/corpus/$target" -max_total_time="$seconds" \
        -max_len=70000 -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="build-fuzz/findings/$target/" -print_final_stats=1 2>&1 |
        grep -E '^(#|INFO: seed|==|SUMMARY|stat::number_of_executed_units|Done)' | tail -n 4
done
