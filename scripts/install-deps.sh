#!/usr/bin/env bash
# Installs the Debian packages Tomlet needs to build, test and run; only the missing ones.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    # libqt6svg6: the build draws the window's pictures from their SVGs
    qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libqt6svg6 libgl-dev qt6-translations-l10n
    libgtest-dev libgmock-dev libbenchmark-dev
    fonts-nanum fonts-dejavu-core python3
    # the checks of the installed desktop files and of the Debian package
    desktop-file-utils appstream man-db shared-mime-info dpkg-dev
)
if [ "${TOMLET_WITH_FUZZ:-0}" = 1 ]; then
    packages+=(clang libclang-rt-14-dev)
fi
# the real texts bench/make-real-books turns into bench books, and the counter bench/launch-time.sh
# measures the launch's CPU time with
if [ "${TOMLET_WITH_BENCH_BOOKS:-0}" = 1 ]; then
    packages+=(dict-wn debian-faq-ko linux-perf)
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo=sudo
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
