#!/usr/bin/env bash
# Checks Tomlet's installed tree as a desktop meets it. One check per run:
#   check-install.sh tree      BUILD PREFIX    install BUILD into a fresh PREFIX, check the files
#                                              and run the installed program
#   check-install.sh desktop   PREFIX          the desktop entry
#   check-install.sh metainfo  PREFIX VERSION  the AppStream metainfo
#   check-install.sh man       PREFIX VERSION  the manual page against the program's --help
#   check-install.sh mime      PREFIX          the CVD type as shared-mime-info builds it
#   check-install.sh package   BUILD OUT VERSION  build the Debian package, unpack it and run it
# A tool that a check needs and can't find fails the check: CI installs them all.
set -euo pipefail

readonly app_id=org.tomlet.Tomlet
status=0

fail() {
    echo "FAIL: $*" >&2
    status=1
}

need() {
    command -v "$1" >/dev/null || {
        echo "FAIL: $1 is missing (Debian package $2; scripts/install-deps.sh installs it)" >&2
        exit 1
    }
}

# A marked-text book in CP949 with two items, and what --list prints for it.
write_book() {
    printf 'preface\n\xc1\xa6\x31\xc0\xe5///spring\n\xc1\xa6\x32\xc0\xe5///\nsummer\n' >"$1"
}
readonly book_list=$'0\t8\t제1장\n1\t23\t제2장'

# Runs an installed tomlet: --version, --list of a book, a wrong option, and the window. Each
# run has a time limit, so a program that hangs fails the check rather than stalling it.
run_program() {
    local tomlet=$1 scratch
    [ -x "$tomlet" ] || { fail "$tomlet is not an executable"; return; }
    scratch=$(mktemp -d)
    write_book "$scratch/book.txt"
    local out
    out=$(timeout 60 "$tomlet" --version) || fail "tomlet --version exited $?"
    [[ $out == "Tomlet "* ]] || fail "tomlet --version printed: $out"
    out=$(timeout 60 "$tomlet" --list "$scratch/book.txt") || fail "tomlet --list exited $?"
    [ "$out" = "$book_list" ] || fail "tomlet --list printed: $out"
    local code=0
    timeout 60 "$tomlet" --no-such-option >/dev/null 2>&1 || code=$?
    [ "$code" = 64 ] || fail "tomlet with a wrong option exited $code, not 64"
    # The window is a program of its own that tomlet finds where it was installed: offscreen,
    # it is still running when the time is up.
    code=0
    QT_QPA_PLATFORM=offscreen TOMLET_SETTINGS=$scratch/Tomlet.set XDG_CONFIG_HOME=$scratch \
        timeout 10 "$tomlet" "$scratch/book.txt" >/dev/null 2>&1 || code=$?
    [ "$code" = 124 ] || fail "tomlet BOOK ended with $code instead of showing the window"
    rm -rf "$scratch"
}

# Width and height of a PNG from its header.
png_size() {
    local bytes
    bytes=$(od -An -tu1 -j16 -N8 "$1" | tr -s ' ' | sed 's/^ //')
    read -r a b c d e f g h <<<"$bytes"
    echo "$(((a << 24) | (b << 16) | (c << 8) | d))x$(((e << 24) | (f << 16) | (g << 8) | h))"
}

check_tree() {
    local build=$1 prefix=$2
    rm -rf "$prefix"
    cmake --install "$build" --prefix "$prefix" >/dev/null || { fail "cmake --install failed"; return; }
    local expected
    expected=$(sort <<EOF2
bin/tomlet
libexec/tomlet/tomlet-window
share/applications/$app_id.desktop
share/icons/hicolor/128x128/apps/$app_id.png
share/icons/hicolor/16x16/apps/$app_id.png
share/icons/hicolor/32x32/apps/$app_id.png
share/icons/hicolor/48x48/apps/$app_id.png
share/icons/hicolor/scalable/apps/$app_id.svg
share/man/man1/tomlet.1.gz
share/metainfo/$app_id.metainfo.xml
share/mime/packages/$app_id.xml
EOF2
)
    local found
    found=$(cd "$prefix" && find . -type f -o -type l | sed 's|^\./||' | sort)
    [ "$found" = "$expected" ] || fail "installed files differ:
$(diff <(echo "$expected") <(echo "$found") || true)"
    for size in 16 32 48 128; do
        local png=$prefix/share/icons/hicolor/${size}x$size/apps/$app_id.png
        [ -f "$png" ] || continue
        [ "$(head -c 8 "$png" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] ||
            fail "$png is not a PNG"
        [ "$(png_size "$png")" = "${size}x$size" ] || fail "$png is $(png_size "$png")"
    done
    run_program "$prefix/bin/tomlet"
}

# The value of key in the [Desktop Entry] group.
entry() {
    awk -v key="$2=" 'index($0, key) == 1 { print substr($0, length(key) + 1); exit }' "$1"
}

check_desktop() {
    local prefix=$1 file=$1/share/applications/$app_id.desktop
    need desktop-file-validate desktop-file-utils
    desktop-file-validate "$file" || fail "desktop-file-validate rejects $file"
    for key in Name 'Name[ko]' Comment 'Comment[ko]'; do
        [ -n "$(entry "$file" "$key")" ] || fail "$file has no $key"
    done
    local categories mime exec
    categories=";$(entry "$file" Categories)"
    for category in Office Viewer; do
        [[ $categories == *";$category;"* ]] || fail "Categories lack $category: $categories"
    done
    mime=";$(entry "$file" MimeType)"
    for type in text/plain application/x-cvd-book; do
        [[ $mime == *";$type;"* ]] || fail "MimeType lacks $type: $mime"
    done
    # A file manager passes the chosen file only where Exec asks for one.
    exec=$(entry "$file" Exec)
    [[ $exec =~ %[fFuU] ]] || fail "Exec takes no file: $exec"
    [ -x "$prefix/bin/${exec%% *}" ] || fail "Exec names ${exec%% *}, which is not installed"
    local icon
    icon=$(entry "$file" Icon)
    for size in 16x16 32x32 48x48 128x128; do
        [ -f "$prefix/share/icons/hicolor/$size/apps/$icon.png" ] || fail "no $size icon $icon"
    done
    [ -f "$prefix/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "no scalable icon $icon"
}

check_metainfo() {
    local prefix=$1 version=$2 file=$1/share/metainfo/$app_id.metainfo.xml
    need appstreamcli appstream
    appstreamcli validate --no-net "$file" || fail "appstreamcli rejects $file"
    grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$file" ||
        fail "the metainfo launches no $app_id.desktop"
    [ -f "$prefix/share/applications/$app_id.desktop" ] || fail "its desktop entry is missing"
    grep -q "<release version=\"$version\"" "$file" || fail "no release $version in $file"
}

check_man() {
    local prefix=$1 version=$2 page=$1/share/man/man1/tomlet.1.gz
    need man man-db
    local text warnings
    warnings=$(mktemp)
    text=$(MANWIDTH=80 man --warnings -l "$page" 2>"$warnings") || fail "man can't show $page"
    [ ! -s "$warnings" ] || fail "man warns about $page: $(cat "$warnings")"
    rm -f "$warnings"
    for section in SYNOPSIS OPTIONS 'EXIT STATUS' ENVIRONMENT FILES; do
        grep -q "^$section" <<<"$text" || fail "the manual page has no $section section"
    done
    [[ $text == *"Tomlet $version"* ]] || fail "the manual page is not of version $version"
    [[ $text == *Tomlet.set* ]] || fail "the manual page doesn't say where the settings live"
    # Every option and exit status the program documents is in the manual page too.
    local help
    help=$(timeout 60 "$prefix/bin/tomlet" --help)
    for option in $(grep -o -- '--[a-z-]*[a-z]' <<<"$help" | sort -u); do
        grep -q -- "$option" <<<"$text" || fail "the manual page lacks $option"
    done
    for code in 0 1 2 64 69; do
        grep -q "^ *$code  " <<<"$text" || fail "the manual page lacks exit status $code"
    done
}

check_mime() {
    local prefix=$1 scratch
    need update-mime-database shared-mime-info
    scratch=$(mktemp -d)
    mkdir -p "$scratch/mime/packages"
    cp "$prefix/share/mime/packages/$app_id.xml" "$scratch/mime/packages/"
    local errors
    errors=$(XDG_DATA_DIRS=$scratch update-mime-database "$scratch/mime" 2>&1) || fail "update-mime-database failed"
    [ -z "$errors" ] || fail "update-mime-database complains: $errors"
    grep -q '^[0-9]*:application/x-cvd-book:\*\.cvd$' "$scratch/mime/globs2" ||
        fail "*.cvd is not application/x-cvd-book: $(cat "$scratch/mime/globs2" 2>/dev/null)"
    grep -q 'xml:lang="ko"' "$scratch/mime/application/x-cvd-book.xml" ||
        fail "the CVD type has no Korean comment"
    rm -rf "$scratch"
}

check_package() {
    local build=$1 out=$2 version=$3
    need cpack cmake
    need dpkg-deb dpkg
    need dpkg-shlibdeps dpkg-dev
    rm -rf "$out"
    mkdir -p "$out"
    cpack --config "$build/CPackConfig.cmake" -G DEB -B "$out" >"$out/cpack.log" 2>&1 ||
        { fail "cpack failed: $(tail -n 20 "$out/cpack.log")"; return; }
    local deb
    deb=$(find "$out" -maxdepth 1 -name 'tomlet_*.deb' | head -n1)
    [ -n "$deb" ] || { fail "cpack made no tomlet_*.deb"; return; }
    [ "$(dpkg-deb -f "$deb" Version)" = "$version" ] ||
        fail "the package is of version $(dpkg-deb -f "$deb" Version), not $version"
    local depends
    depends=$(dpkg-deb -f "$deb" Depends)
    for package in libqt6widgets6 qt6-qpa-plugins qt6-translations-l10n fonts-dejavu-core \
        fonts-nanum; do
        [[ ", $depends" =~ ,\ $package[\ ,]|,\ $package$ ]] ||
            fail "the package doesn't depend on $package: $depends"
    done
    [ "$(dpkg-deb -f "$deb" Recommends)" = libqt6svg6 ] ||
        fail "the package doesn't recommend libqt6svg6: $(dpkg-deb -f "$deb" Recommends)"
    local contents
    contents=$(dpkg-deb -c "$deb")
    for path in ./usr/bin/tomlet ./usr/libexec/tomlet/tomlet-window "./usr/share/applications/$app_id.desktop" \
        ./usr/share/man/man1/tomlet.1.gz "./usr/share/metainfo/$app_id.metainfo.xml"; do
        grep -q " $path$" <<<"$contents" || fail "the package lacks $path"
    done
    local root=$out/root
    dpkg-deb -x "$deb" "$root" || { fail "dpkg-deb -x failed"; return; }
    run_program "$root/usr/bin/tomlet"
}

case "${1:-}" in
tree) check_tree "$2" "$3" ;;
desktop) check_desktop "$2" ;;
metainfo) check_metainfo "$2" "$3" ;;
man) check_man "$2" "$3" ;;
mime) check_mime "$2" ;;
package) check_package "$2" "$3" "$4" ;;
*)
    echo "usage: check-install.sh tree|desktop|metainfo|man|mime|package ARGS" >&2
    exit 64
    ;;
esac
[ "$status" = 0 ] && echo "ok: $1"
exit "$status"
