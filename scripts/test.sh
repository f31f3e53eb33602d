#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite.
# Usage: scripts/test.sh [build-dir] [extra cmake options...]
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh
dir=${1:-build}
shift || true
./scripts/build.sh "$dir" "$@"
runtime="$PWD/$dir/xdg-runtime"
mkdir -p "$runtime" && chmod 700 "$runtime"
QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$runtime" \
  ctest --test-dir "$dir" --output-on-failure -j "$(nproc)" --timeout 300
