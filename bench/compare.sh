#!/usr/bin/env bash
# In one run on the same files: `tomlet --list` against grep, and the index build (Open in the
# reader view, from gui_bench) against reading the file once with cat; prints the ratios.
#
#   bench/compare.sh
#
# Environment:
#   BUILD               the Release build folder holding app/tomlet and bench/gui_bench
#                       (default: build-perf of this repository)
#   TOMLET_BENCH_BOOKS  folder that keeps the generated books (default: /tmp/tomlet-bench-books)
#   RUNS                runs of each command (default: 5); the median counts
#   BOOKS               the books as FORMAT:ITEMS:BYTES, blank-separated (default: a 150 MiB
#                       text book of 200,000 items, a 1 GiB one of 1,000,000 items and a CVD
#                       book of 1,000,000 records)
#
# The Open is the whole way from the confirmed file dialog to row 0's item drawn: reading the
# book, the scan, the list and the first display. It is an upper bound of the build itself.
set -euo pipefail

# Byte semantics for grep (the books are CP949) and a point as the decimal separator.
export LC_ALL=C

here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=${BUILD:-$root/build-perf}
tomlet=$build/app/tomlet
gui_bench=$build/bench/gui_bench
cache=${TOMLET_BENCH_BOOKS:-/tmp/tomlet-bench-books}
runs=${RUNS:-5}
books=${BOOKS:-txt:200000:150M txt:1000000:1G cvd:1000000:200M}

for program in "$tomlet" "$gui_bench"; do
    if [ ! -x "$program" ]; then
        echo "compare: no $program; build it first:" >&2
        echo "  cmake --build $build -j2 --target tomlet gui_bench" >&2
        exit 1
    fi
done
mkdir -p "$cache"

median() {
    sort -g | awk '{ t[NR] = $1 }
        END { print (NR % 2) ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2 }'
}

# "WALL_MS CPU_MS" of a shell command: medians over the runs after one warm-up run, by bash's
# own clock (CPU is user + system of every process of the command).
time_ms() {
    local cmd=$1 i line walls="" cpus=""
    local TIMEFORMAT='%R %U %S'
    eval "$cmd"
    for ((i = 0; i < runs; i++)); do
        line=$({ time eval "$cmd" 2>/dev/null; } 2>&1)
        walls+="$(awk '{ print $1 * 1000 }' <<<"$line")"$'\n'
        cpus+="$(awk '{ print ($2 + $3) * 1000 }' <<<"$line")"$'\n'
    done
    echo "$(median <<<"${walls%$'\n'}") $(median <<<"${cpus%$'\n'}")"
}

row() {
    awk -v label="$1" -v w="$2" -v c="$3" \
        'BEGIN { printf "  %-44s %9.1f ms wall %9.1f ms CPU\n", label, w, c }'
}

ratio() {
    awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'
}

echo "tomlet: $tomlet"
echo "timing: median of $runs runs after a warm-up; page cache warm; $(nproc) cores"
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"

for plan in $books; do
    IFS=: read -r format items bytes <<<"$plan"
    book="$cache/book-$items-$bytes-s1.$format"
    if [ ! -s "$book" ]; then
        "$here/make-book" --format "$format" --items "$items" --bytes "$bytes" --seed 1 \
            "$book.part" >&2
        mv "$book.part" "$book"
    fi
    # A fast wrong answer is no result: every item must be listed, with no message.
    listed=$("$tomlet" --list "$book" 2>/dev/null | wc -l)
    if [ "$listed" -ne "$items" ]; then
        echo "compare: $book lists $listed items of $items" >&2
        exit 1
    fi
    cat "$book" >/dev/null

    echo
    echo "$format: $book ($(stat -c %s "$book") bytes, $items items)"
    # GNU grep stops at the first match when its output is /dev/null, so both go through a pipe.
    read -r list_w list_c < <(time_ms "\"$tomlet\" --list \"$book\" | cat >/dev/null")
    read -r cat_w cat_c < <(time_ms "cat \"$book\" >/dev/null")
    read -r _ _ open_w open_c < <("$gui_bench" --open-only --runs "$runs" --cache "$cache" "$plan")
    row "tomlet --list BOOK | cat > /dev/null" "$list_w" "$list_c"
    if [ "$format" = txt ]; then
        read -r grep_w grep_c < <(time_ms "grep -a -- /// \"$book\" | cat >/dev/null")
        row "grep -a /// BOOK | cat > /dev/null" "$grep_w" "$grep_c"
    fi
    row "cat BOOK > /dev/null" "$cat_w" "$cat_c"
    row "Open in the reader view (gui_bench)" "$open_w" "$open_c"
    if [ "$format" = txt ]; then
        echo "  ratio tomlet --list / grep:  $(ratio "$list_w" "$grep_w") wall," \
            "$(ratio "$list_c" "$grep_c") CPU (target 2)"
    fi
    echo "  ratio Open / cat:            $(ratio "$open_w" "$cat_w") wall," \
        "$(ratio "$open_c" "$cat_c") CPU (target 2)"
    echo "  ratio tomlet --list / cat:   $(ratio "$list_w" "$cat_w") wall," \
        "$(ratio "$list_c" "$cat_c") CPU"
done

echo
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
