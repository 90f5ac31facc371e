#!/usr/bin/env bash
# Installs what is missing, builds Tomlet and starts it on a sample book (or the books given).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build --target tomlet
if [ $# -eq 0 ]; then
    set -- examples/sample.txt
fi
exec build/app/tomlet "$@"
