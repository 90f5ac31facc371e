#!/usr/bin/env bash
# Launch to a usable window: from `tomlet`'s execve to the book's second open, which is the
# first item read for display after the index build (strace -f -tt, offscreen platform, a
# settings file in place so that no message waits). Prints the median of RUNS in ms per book.
#
#   bench/launch-time.sh TOMLET BOOK...
#
# Environment: RUNS (default 5) runs a book, after one warm-up run; TRACE_DIR keeps the last
# trace of each book (default: a temporary folder, removed). As in compare.sh, each book is
# first dropped from the page cache and read back by `tomlet --list`, so that every run finds it
# held the same way (how it came into the cache decides what mapping it costs); KEEP_CACHE=1
# times it as the cache holds it now. CPU=1 measures instead, without
# strace, the CPU time (task-clock, all threads) the program has used 3 s after its start,
# when it has long shown the item and waits: the launch's work, less moved by other load than
# the wall time is.
set -euo pipefail

tomlet=$1
shift
runs=${RUNS:-5}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
trace_dir=${TRACE_DIR:-$scratch}
mkdir -p "$trace_dir" "$scratch/runtime" "$scratch/config"
chmod 700 "$scratch/runtime"
printf '\xe8\x03\0\0\0\0\0\0\0\0' >"$scratch/Tomlet.set"

# Milliseconds from the first execve to the book's second open, from one trace.
launch_ms() {
    awk -v book="\"$2\"" '
        function sec(t, p) { split(t, p, ":"); return p[1] * 3600 + p[2] * 60 + p[3] }
        !start && /execve\(/ { start = sec($2) }
        index($0, "openat(AT_FDCWD, " book) && ++opens == 2 { printf "%.1f\n", (sec($2) - start) * 1000; exit }
    ' "$1"
}

# One launch, traced; ends the window once the item is read.
launch() {
    local book=$1 trace=$2 pid i
    rm -f "$trace"
    QT_QPA_PLATFORM=offscreen TOMLET_SETTINGS=$scratch/Tomlet.set XDG_CONFIG_HOME=$scratch/config \
        XDG_RUNTIME_DIR=$scratch/runtime \
        strace -f --seccomp-bpf -tt -e trace=execve,openat -o "$trace" "$tomlet" "$book" \
        >/dev/null 2>&1 &
    local tracer=$!
    for ((i = 0; i < 600; i++)); do
        sleep 0.05
        [ "$(grep -c "openat(AT_FDCWD, \"$book\"" "$trace" 2>/dev/null)" -ge 2 ] && break
    done
    pid=$(awk 'NR == 1 { print $1 }' "$trace")
    kill "$pid" 2>/dev/null || true
    wait "$tracer" || true
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
    trace=$trace_dir/$(basename "$book").trace
    if [ "${CPU:-0}" = 1 ]; then
        launch_cpu_ms "$book" >/dev/null
    else
        launch "$book" "$trace"
    fi
    times=()
    for ((r = 0; r < runs; r++)); do
        if [ "${CPU:-0}" = 1 ]; then
            times+=("$(launch_cpu_ms "$book")")
            continue
        fi
        launch "$book" "$trace"
        times+=("$(launch_ms "$trace" "$book")")
    done
    median=$(printf '%s\n' "${times[@]}" | sort -g | awk '{ t[NR] = $1 } END { print t[int((NR + 1) / 2)] }')
    echo "$book: median $median ms of ${times[*]}"
done
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
