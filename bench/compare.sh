#!/usr/bin/env bash
# In one run on the same files: `tomlet --list` against grep, the index build (Open in the
# reader view, from gui_bench) against reading the file once with cat, and `tomlet --find`
# against grep stopping at its first match; prints every ratio for every book.
#
#   bench/compare.sh
#
# Environment:
#   BUILD               the Release build folder holding app/tomlet and bench/gui_bench
#                       (default: build-perf of this repository)
#   TOMLET_BENCH_BOOKS  folder that keeps the generated books (default: /tmp/tomlet-bench-books)
#   RUNS                runs of each command (default: 5); the median counts
#   KEEP_CACHE          1 to time each book as the page cache holds it now; by default it is
#                       dropped from the cache first and read back by Tomlet's first run, as a
#                       user's first open of it reads it (see below)
#   BOOKS               the books, blank-separated: FORMAT:ITEMS:BYTES[:ENCODING] for a made-up
#                       book of make-book (CP949 unless ENCODING is utf-8), or the file name of
#                       a real one of make-real-books (which installs the packages holding the
#                       texts). Default: a 150 MiB text book of 200,000 items, in CP949 and in
#                       UTF-8, a 1 GiB one of 1,000,000 items, a CVD book of 1,000,000
#                       records, WordNet as text, five times over and as CVD, and the Korean
#                       Debian FAQ.
#
# Output goes to a file, as a user's would; GNU grep stops at the first match when its output
# is /dev/null, so it never goes there. The Open is the whole way from the confirmed file
# dialog to row 0's item drawn: reading the book, the scan, the list and the first display. It
# is an upper bound of the build itself. "first" is gui_bench's first Open in a fresh process.
#
# How the page cache holds a book changes what mapping it costs: in 2 MiB folios the kernel maps
# each with one entry, in 4 KiB pages with one per page, while reading it with read() costs about
# the same either way. Which it is depends on how the book last came into the cache (the size of
# the writes that made it, or the reads that brought it back), so each book starts out of the
# cache and its first reader is Tomlet, every run alike.
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
books=${BOOKS:-txt:200000:150M txt:200000:150M:utf-8 txt:1000000:1G cvd:1000000:200M wordnet.txt wordnet-5x.txt wordnet.cvd faq-ko.txt}
out=$(mktemp "${TMPDIR:-/tmp}/tomlet-compare.XXXXXX")
trap 'rm -f "$out"' EXIT

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
# own clock (CPU is user + system of every process of the command). The clock counts whole
# milliseconds, a third of a command of 3 ms: a command the warm-up finds shorter than 100 ms
# is run that many times more in each timed run, and each run's times divided by them.
time_ms() {
    local cmd=$1 i j line reps walls="" cpus=""
    local TIMEFORMAT='%R %U %S'
    line=$({ time eval "$cmd" 2>/dev/null; } 2>&1)
    reps=$(awk '{ w = $1 * 1000; print (w >= 100 ? 1 : int(100 / (w < 1 ? 1 : w))) }' <<<"$line")
    for ((i = 0; i < runs; i++)); do
        line=$({ time for ((j = 0; j < reps; j++)); do eval "$cmd"; done 2>/dev/null; } 2>&1)
        walls+="$(awk -v r="$reps" '{ print $1 * 1000 / r }' <<<"$line")"$'\n'
        cpus+="$(awk -v r="$reps" '{ print ($2 + $3) * 1000 / r }' <<<"$line")"$'\n'
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
if [ "${KEEP_CACHE:-0}" = 1 ]; then
    cached="page cache warm, as it was"
else
    cached="page cache warm, each book read into it by tomlet --list"
fi
echo "timing: median of $runs runs after a warm-up; $cached; $(nproc) cores"
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"

real_made=0
for plan in $books; do
    if [[ $plan == *:* ]]; then
        IFS=: read -r format items bytes encoding <<<"$plan"
        encoding=${encoding:-cp949}
        book="$cache/book-$items-$bytes-s1.$format"
        [ "$encoding" = cp949 ] || book="$cache/book-$items-$bytes-s1-$encoding.$format"
        if [ ! -s "$book" ]; then
            "$here/make-book" --format "$format" --items "$items" --bytes "$bytes" --seed 1 \
                --encoding "$encoding" "$book.part" >&2
            mv "$book.part" "$book"
        fi
        # gui_bench makes CP949 books itself; any other it is handed by name.
        [ "$encoding" = cp949 ] || plan="$format:$items:$book"
    else
        book="$cache/$plan"
        if [ ! -s "$book.items" ] && [ "$real_made" = 0 ]; then
            "$here/make-real-books" --install "$cache" >&2
            real_made=1
        fi
        format=${plan##*.}
        items=$(cat "$book.items")
        plan="$format:$items:$book"
    fi
    [ "${KEEP_CACHE:-0}" = 1 ] || dd if="$book" iflag=nocache count=0 status=none
    # A fast wrong answer is no result: every item must be listed, with no message.
    listed=$("$tomlet" --list "$book" 2>/dev/null | wc -l)
    if [ "$listed" -ne "$items" ]; then
        echo "compare: $book lists $listed items of $items" >&2
        exit 1
    fi
    cat "$book" >/dev/null

    echo
    echo "$format: $book ($(stat -c %s "$book") bytes, $items items)"
    read -r list_w list_c < <(time_ms "\"$tomlet\" --list \"$book\" >\"$out\"")
    read -r cat_w cat_c < <(time_ms "cat \"$book\" >/dev/null")
    read -r _ _ open_w open_c first_w first_c < <("$gui_bench" --open-only --runs "$runs" \
        --cache "$cache" "$plan")
    row "tomlet --list BOOK > FILE" "$list_w" "$list_c"
    if [ "$format" = txt ]; then
        read -r grep_w grep_c < <(time_ms "grep -a -- /// \"$book\" >\"$out\"")
        row "grep -a /// BOOK > FILE" "$grep_w" "$grep_c"
    fi
    row "cat BOOK > /dev/null" "$cat_w" "$cat_c"
    row "Open in the reader view (gui_bench)" "$open_w" "$open_c"
    row "  the first Open of a fresh process" "$first_w" "$first_c"

    # A name near the end, as the window's search is timed: the first item whose name begins
    # with it is looked up, against grep finding its line and stopping there.
    target=$((items - 1 - items / 1000))
    name=$("$tomlet" --list "$book" | awk -F'\t' -v n="$target" '$1 == n { print $3 }' || true)
    have_find=0
    if "$tomlet" --help | grep -q -- --find && [ -n "$name" ]; then
        have_find=1
        # grep looks for the book's own bytes (a CP949 book holds the name in CP949) where
        # the item starts: a head line that opens with the name, or a CVD title, which the
        # title length's two zero bytes come before.
        term=$name
        if ! grep -a -q -m1 -F -- "$term" "$book"; then
            term=$(printf %s "$name" | iconv -f UTF-8 -t CP949 2>/dev/null || printf %s "$name")
        fi
        if [ "$format" = txt ]; then
            pattern="^$(printf %s "$term" | sed 's/[][\.*^$]/\\&/g')///"
            grep_find="grep -a -m1 -e \"\$pattern\" \"$book\" >\"$out\""
        else
            pattern="\\x00\\x00\\Q$term\\E\\x00"
            grep_find="grep -a -m1 -P -e \"\$pattern\" \"$book\" >\"$out\""
        fi
        read -r find_w find_c < <(time_ms "\"$tomlet\" --find \"\$name\" \"$book\" >\"$out\"")
        read -r grepm_w grepm_c < <(time_ms "$grep_find")
        row "tomlet --find NAME BOOK > FILE" "$find_w" "$find_c"
        row "grep -a -m1 (the item's start) BOOK > FILE" "$grepm_w" "$grepm_c"
    fi

    if [ "$format" = txt ]; then
        echo "  ratio tomlet --list / grep:  $(ratio "$list_w" "$grep_w") wall," \
            "$(ratio "$list_c" "$grep_c") CPU (target 1.5)"
    fi
    echo "  ratio Open / cat:            $(ratio "$open_w" "$cat_w") wall," \
        "$(ratio "$open_c" "$cat_c") CPU (target 2); first Open / cat" \
        "$(ratio "$first_w" "$cat_w") wall"
    echo "  ratio tomlet --list / cat:   $(ratio "$list_w" "$cat_w") wall," \
        "$(ratio "$list_c" "$cat_c") CPU"
    if [ "$have_find" = 1 ]; then
        echo "  ratio tomlet --find / grep -m1: $(ratio "$find_w" "$grepm_w") wall," \
            "$(ratio "$find_c" "$grepm_c") CPU (target 2)"
    fi
done

echo
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
