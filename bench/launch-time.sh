#!/usr/bin/env bash
# Launch to a usable window: from just before `tomlet` is started to the book's first read(),
# which is the first item read for display (offscreen platform, a settings file in place so that
# no message waits); a large book's whole index may still be on its way then. Nothing traces the
# program: launch_drive starts it with launch_mark preloaded, which only notes the time of that
# read. Prints the median of RUNS in ms per book.
#
#   bench/launch-time.sh TOMLET BOOK...
#
# launch_drive and liblaunch_mark.so are taken from the bench folder of TOMLET's build (BENCH_DIR
# to say another). Environment: RUNS (default 5) runs a book, after one warm-up run. As in
# compare.sh, each book is first dropped from the page cache and read back by `tomlet --list`,
# so that every run finds it held the same way (how it came into the cache decides what mapping
# it costs); KEEP_CACHE=1 times it as the cache holds it now. CPU=1 measures instead the CPU time
# (task-clock, all threads) the program has used 3 s after its start, when it has long shown the
# item and waits: the launch's work, less moved by other load than the wall time is. WHOLE=1
# also times the launch to the book's whole index (the window's state written as it comes) and
# prints its median second.
#
# An earlier version timed the launch under `strace -f`: every traced call stopped the program,
# which added some 18 ms to the tiny book's launch (about 180 files opened) and far less, in
# proportion, to a large book's, whose scan makes no traced call.
set -euo pipefail

tomlet=$1
shift
runs=${RUNS:-5}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/runtime" "$scratch/config"
chmod 700 "$scratch/runtime"
printf '\xe8\x03\0\0\0\0\0\0\0\0' >"$scratch/Tomlet.set"

bench_dir=${BENCH_DIR:-$(dirname "$(dirname "$tomlet")")/bench}
drive=$bench_dir/launch_drive
mark=$bench_dir/liblaunch_mark.so
if [ "${CPU:-0}" != 1 ] && { [ ! -x "$drive" ] || [ ! -f "$mark" ]; }; then
    echo "launch-time.sh: build launch_drive and launch_mark first (in $bench_dir)" >&2
    exit 1
fi

# The milliseconds of one launch; ends the window once the item is read. Each launch starts with
# no window state, so that none is left locked by the launch before.
launch_ms() {
    rm -rf "$scratch/config"
    mkdir "$scratch/config"
    QT_QPA_PLATFORM=offscreen TOMLET_SETTINGS=$scratch/Tomlet.set XDG_CONFIG_HOME=$scratch/config \
        XDG_RUNTIME_DIR=$scratch/runtime "$drive" "$mark" "$tomlet" "$1"
}

# The CPU milliseconds of one launch, ended after 3 s.
launch_cpu_ms() {
    local book=$1 stat=$scratch/stat
    QT_QPA_PLATFORM=offscreen TOMLET_SETTINGS=$scratch/Tomlet.set XDG_CONFIG_HOME=$scratch/config \
        XDG_RUNTIME_DIR=$scratch/runtime \
        perf stat -x, -e task-clock -o "$stat" -- timeout -s INT 3 "$tomlet" "$book" \
        >/dev/null 2>&1 || true
    awk -F, '/task-clock/ { printf "%.1f\n", $1 }' "$stat"
}

echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
for book in "$@"; do
    book=$(realpath "$book")
    if [ "${KEEP_CACHE:-0}" != 1 ]; then
        dd if="$book" iflag=nocache count=0 status=none
        "$tomlet" --list "$book" >/dev/null 2>&1 || true
    fi
    if [ "${CPU:-0}" = 1 ]; then
        launch_cpu_ms "$book" >/dev/null
    else
        launch_ms "$book" >/dev/null
    fi
    times=()
    wholes=()
    for ((r = 0; r < runs; r++)); do
        if [ "${CPU:-0}" = 1 ]; then
            times+=("$(launch_cpu_ms "$book")")
            continue
        fi
        read -r first whole < <(launch_ms "$book")
        times+=("$first")
        wholes+=("${whole:-}")
    done
    median=$(printf '%s\n' "${times[@]}" | sort -g | awk '{ t[NR] = $1 } END { print t[int((NR + 1) / 2)] }')
    echo "$book: median $median ms of ${times[*]}"
    if [ "${WHOLE:-0}" = 1 ] && [ "${CPU:-0}" != 1 ]; then
        median=$(printf '%s\n' "${wholes[@]}" | sort -g | awk '{ t[NR] = $1 } END { print t[int((NR + 1) / 2)] }')
        echo "$book: whole index, median $median ms of ${wholes[*]}"
    fi
done
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
