#!/usr/bin/env bash
# How `tomlet` starts the window program: check-launch.sh TOMLET TOMLET_WINDOW LIBEXEC_FROM_BIN
# - `tomlet` links no Qt;
# - it finds the window program beside itself (the build tree) and in the installed layout,
#   also when run through a symbolic link, never from PATH or the working folder;
# - the arguments reach the window program byte for byte, and its exit status comes back;
# - without the window program the command-line actions still work, and the window asked for
#   gives a message and status 69;
# - the real window program starts (offscreen) and keeps running.
set -euo pipefail

tomlet=$1 window=$2 libexec=$3
status=0
fail() {
    echo "FAIL: $*" >&2
    status=1
}

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

if readelf -d "$tomlet" | grep -q 'NEEDED.*libQt'; then
    fail "tomlet links Qt: $(readelf -d "$tomlet" | grep -o 'libQt[^]]*' | tr '\n' ' ')"
fi

# A stand-in window program that writes its arguments, each ended by a NUL byte, and ends with
# status 7.
fake_window() {
    mkdir -p "$(dirname "$1")"
    # shellcheck disable=SC2016 # "$@" and $a are the stand-in's own
    printf '#!/bin/sh\nfor a in "$@"; do printf "%%s\\0" "$a"; done >"%s"\nexit 7\n' \
        "$scratch/args" >"$1"
    chmod +x "$1"
}

# Runs TOMLET ARGS... from an empty working folder with an empty PATH entry list; checks that
# the stand-in got exactly ARGS... and that its status came back.
expect_args() {
    local program=$1 code=0
    shift
    rm -f "$scratch/args"
    (cd "$scratch/elsewhere" && PATH=/usr/bin:/bin "$program" "$@") || code=$?
    [ "$code" = 7 ] || { fail "$program $*: exited $code, not the window program's 7"; return; }
    local expected
    expected=$( (($# == 0)) || printf '%s\0' "$@" | od -An -c)
    [ "$(od -An -c <"$scratch/args")" = "$expected" ] ||
        fail "$program $*: the window program got $(od -An -c <"$scratch/args")"
}

mkdir -p "$scratch/elsewhere" "$scratch/build" "$scratch/prefix/bin" "$scratch/alone" "$scratch/link"
book=$'odd \xff\xfe name.txt'

# Beside it, as in the build tree.
cp "$tomlet" "$scratch/build/tomlet"
fake_window "$scratch/build/tomlet-window"
expect_args "$scratch/build/tomlet" "$book"
expect_args "$scratch/build/tomlet" --codepage EUC-KR -- -starts-with-dash.txt
expect_args "$scratch/build/tomlet" --codepage=UTF-8 "with  two  blanks.cvd"
expect_args "$scratch/build/tomlet"

# Installed, and through a symbolic link from elsewhere.
cp "$tomlet" "$scratch/prefix/bin/tomlet"
fake_window "$scratch/prefix/bin/$libexec/tomlet/tomlet-window"
expect_args "$scratch/prefix/bin/tomlet" "$book"
ln -s "$scratch/prefix/bin/tomlet" "$scratch/link/tomlet"
expect_args "$scratch/link/tomlet" "$book"

# A window program in the working folder or on PATH is not taken.
cp "$tomlet" "$scratch/alone/tomlet"
fake_window "$scratch/elsewhere/tomlet-window"
rm -f "$scratch/args"
code=0
err=$(cd "$scratch/elsewhere" && PATH=$scratch/elsewhere:/usr/bin:/bin "$scratch/alone/tomlet" book.txt 2>&1) ||
    code=$?
[ "$code" = 69 ] || fail "without a window program tomlet exited $code, not 69"
[[ $err == *"window program is missing"*"$scratch/alone/tomlet-window"* ]] ||
    fail "without a window program tomlet said: $err"
[ ! -e "$scratch/args" ] || fail "tomlet ran a window program from the working folder or PATH"
out=$("$scratch/alone/tomlet" --version) || fail "tomlet --version needs the window program"
[[ $out == "Tomlet "* ]] || fail "tomlet --version printed: $out"

# A window program that can't be run is reported, not crashed on.
chmod -x "$scratch/build/tomlet-window"
code=0
err=$("$scratch/build/tomlet" 2>&1) || code=$?
[ "$code" = 69 ] || fail "with a window program that can't run tomlet exited $code, not 69"
[[ $err == *"can't run the window program"* ]] || fail "tomlet said: $err"

# The real window program, offscreen: still running when the time is up.
mkdir -p "$scratch/real"
cp "$tomlet" "$scratch/real/tomlet"
cp "$window" "$scratch/real/tomlet-window"
code=0
QT_QPA_PLATFORM=offscreen TOMLET_SETTINGS=$scratch/Tomlet.set XDG_CONFIG_HOME=$scratch/config \
    timeout 5 "$scratch/real/tomlet" "$scratch/no such book.txt" >/dev/null 2>&1 || code=$?
[ "$code" = 124 ] || fail "the window program ended with $code instead of running"

[ "$status" = 0 ] && echo "ok"
exit "$status"
