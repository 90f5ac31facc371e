#!/usr/bin/env bash
# Times `tomlet --list` on large books against grep and cat reading the same bytes.
#
#   bench/compare-grep.sh
#
# Environment:
#   TOMLET              the binary (default: build-bench/app/tomlet of this repository)
#   TOMLET_BENCH_BOOKS  folder that keeps the generated books between runs
#                       (default: /tmp/tomlet-bench-books)
#   RUNS                runs of each command (default: 5); the median counts
#   TEXT_ITEMS, TEXT_BYTES   the marked-text book (default: 250000 items, 160M)
#   CVD_RECORDS, CVD_BYTES   the CVD book (default: 1000000 records, 200M)
#   SEED                the books' seed (default: 1)
#   TIMER               hyperfine or bash (default: hyperfine when it is installed)
#
# Each command is reported with its wall time and its CPU time (user + system, all processes of
# the command). On a busy machine the wall time grows with the load; the CPU time much less.
set -euo pipefail

# Byte semantics for grep (the books are CP949, not text in a UTF-8 locale) and a point as the
# decimal separator of the clocks.
export LC_ALL=C

here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
tomlet=${TOMLET:-$root/build-bench/app/tomlet}
cache=${TOMLET_BENCH_BOOKS:-/tmp/tomlet-bench-books}
runs=${RUNS:-5}
seed=${SEED:-1}
text_items=${TEXT_ITEMS:-250000}
text_bytes=${TEXT_BYTES:-160M}
cvd_records=${CVD_RECORDS:-1000000}
cvd_bytes=${CVD_BYTES:-200M}
timer=${TIMER:-$(command -v hyperfine >/dev/null && echo hyperfine || echo bash)}

if [ ! -x "$tomlet" ]; then
    echo "compare-grep: no tomlet at $tomlet; build it first:" >&2
    echo "  cmake --build $root/build-bench -j2 --target tomlet" >&2
    exit 1
fi
mkdir -p "$cache"

# book FORMAT ITEMS BYTES: the cached book's path, made on first use.
book() {
    local path="$cache/book-$2-$3-s$seed.$1"
    if [ ! -s "$path" ]; then
        "$here/make-book" --format "$1" --items "$2" --bytes "$3" --seed "$seed" "$path.part"
        mv "$path.part" "$path"
    fi
    echo "$path"
}

# The list must hold every item the book was made with, and a CVD book must read without the
# format message: a fast wrong answer is no result.
check_list() {
    local path=$1 want=$2 got errors
    errors=$(mktemp)
    got=$("$tomlet" --list "$path" 2>"$errors" | wc -l)
    if [ "$got" -ne "$want" ] || [ -s "$errors" ]; then
        echo "compare-grep: $path lists $got items of $want" >&2
        cat "$errors" >&2
        rm -f "$errors"
        exit 1
    fi
    rm -f "$errors"
}

warm() {
    cat "$1" >/dev/null
    cat "$1" >/dev/null
}

median() {
    sort -g | awk '{ t[NR] = $1 }
        END { print (NR % 2) ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2 }'
}

# "WALL CPU" of a shell command, medians over the runs, in seconds, by bash's own clock.
time_bash() {
    local cmd=$1 i line walls="" cpus=""
    local TIMEFORMAT='%R %U %S'
    eval "$cmd" # one warm-up run
    for ((i = 0; i < runs; i++)); do
        line=$({ time eval "$cmd" 2>/dev/null; } 2>&1)
        walls+="${line%% *}"$'\n'
        cpus+="$(awk '{ print $2 + $3 }' <<<"$line")"$'\n'
    done
    echo "$(median <<<"${walls%$'\n'}") $(median <<<"${cpus%$'\n'}")"
}

# time_all NAME=COMMAND...: prints "NAME WALL CPU" for each, all timed in this one run.
time_all() {
    local pair
    if [ "$timer" = hyperfine ]; then
        local json errors args=()
        json=$(mktemp)
        errors=$(mktemp)
        for pair in "$@"; do
            args+=(-n "${pair%%=*}" "${pair#*=}")
        done
        # Its warnings about slow first runs are noise here: the cache is warm and a warm-up
        # run comes first. They show only when hyperfine fails.
        if ! hyperfine --style none --warmup 1 --runs "$runs" --export-json "$json" \
            "${args[@]}" >/dev/null 2>"$errors"; then
            cat "$errors" >&2
            exit 1
        fi
        python3 -c 'import json, statistics, sys
for r in json.load(open(sys.argv[1]))["results"]:
    cpu = statistics.median(u + s for u, s in zip(r["user"], r["system"])) \
        if "user" in r and isinstance(r["user"], list) else r["user"] + r["system"]
    print(r["command"], "%.6f" % r["median"], "%.6f" % cpu)' "$json"
        rm -f "$json" "$errors"
        return
    fi
    for pair in "$@"; do
        echo "${pair%%=*} $(time_bash "${pair#*=}")"
    done
}

declare -A wall cpu
# run_timings NAME=COMMAND...: fills wall[NAME] and cpu[NAME].
run_timings() {
    local timings name w c
    timings=$(time_all "$@")
    while read -r name w c; do
        wall[$name]=$w
        cpu[$name]=$c
    done <<<"$timings"
}

report() {
    awk -v label="$1" -v w="${wall[$2]}" -v c="${cpu[$2]}" \
        'BEGIN { printf "  %-40s %8.1f ms wall %8.1f ms CPU\n", label, w * 1000, c * 1000 }'
}

ratio() {
    awk -v a="$1" -v b="$2" 'BEGIN { r = a / b; printf "%.2f (%s)", r, r <= 2 ? "meets" : "misses" }'
}

echo "tomlet: $tomlet"
echo "timing: $timer, median of $runs runs after a warm-up; page cache warmed first"
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg) (on $(nproc) cores)"
echo

# --- Marked text --------------------------------------------------------------------------
text=$(book txt "$text_items" "$text_bytes")
check_list "$text" "$text_items"
warm "$text"
echo "Marked text: $text ($(stat -c %s "$text") bytes, $text_items items)"
# GNU grep stops at the first match when its output is /dev/null, so its output goes through a
# pipe, and tomlet is timed through the same pipe for the ratio.
run_timings \
    "tomlet=\"$tomlet\" --list \"$text\" >/dev/null" \
    "tomlet|cat=\"$tomlet\" --list \"$text\" | cat >/dev/null" \
    "grep|cat=grep -a -- /// \"$text\" | cat >/dev/null" \
    "cat=cat \"$text\" >/dev/null"
report "tomlet --list BOOK > /dev/null" tomlet
report "tomlet --list BOOK | cat > /dev/null" "tomlet|cat"
report "grep -a /// BOOK | cat > /dev/null" "grep|cat"
report "cat BOOK > /dev/null" cat
echo "  ratio tomlet/grep, wall: $(ratio "${wall[tomlet|cat]}" "${wall[grep|cat]}")," \
    "CPU: $(ratio "${cpu[tomlet|cat]}" "${cpu[grep|cat]}"); the target is 2"
echo

# --- CVD ----------------------------------------------------------------------------------
cvd=$(book cvd "$cvd_records" "$cvd_bytes")
check_list "$cvd" "$cvd_records"
warm "$cvd"
echo "CVD: $cvd ($(stat -c %s "$cvd") bytes, $cvd_records records)"
run_timings \
    "tomlet=\"$tomlet\" --list \"$cvd\" >/dev/null" \
    "cat=cat \"$cvd\" >/dev/null"
report "tomlet --list BOOK > /dev/null" tomlet
report "cat BOOK > /dev/null" cat
awk -v n="$cvd_records" -v w="${wall[tomlet]}" -v c="${cpu[tomlet]}" 'BEGIN {
    printf "  records per second, whole --list run: %.2f million by wall, %.2f million by CPU\n",
        n / w / 1e6, n / c / 1e6 }'
echo "  (the scan alone: BM_ScanCvd_NullSink in book_bench)"
echo
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
