#!/usr/bin/env bash
# Builds and saves PNG pictures of the windows into shots/ (or $1): the main
# window on each tab, connected to the built-in demo line, during a firmware
# upload to the demo line, and the splash, table and shift windows.  Runs
# offscreen; no display needed.
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-shots}
./scripts/build.sh build
runtime="$PWD/build/xdg-runtime"
mkdir -p "$runtime" && chmod 700 "$runtime"
QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$runtime" ./build/bin/zorvik-shots "$out"
