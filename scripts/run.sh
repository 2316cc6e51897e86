#!/usr/bin/env bash
# Installs what is missing, builds, prepares a demo run directory and starts Velkorin in it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)"
demo="$PWD/demo-run"
mkdir -p "$demo"
exec build/app/velkorin --run-dir "$demo" "$@"
