#!/usr/bin/env bash
# Builds and saves PNG pictures of the windows into shots/ (or $1): the main
# window on each tab, connected to the built-in demo line, during a firmware
# upload to the demo line, the splash, table (filled from the sensor) and
# shift windows, and the chart window (following, paused, an hour with a
# gap).  A second set goes into shots/small-screen: a 1366x768 screen
# at 1.5 scaling less its taskbar (72 pixels), where the table window must
# still fit with its title bar (the main window scrolls its controls there).  Runs
# offscreen; no display needed.
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-shots}
./scripts/build.sh build
runtime="$PWD/build/xdg-runtime"
mkdir -p "$runtime" && chmod 700 "$runtime"
# A common laptop screen less its taskbar, at 1.0 and then at 1.5 scaling.
screen="$PWD/build/small-screen.json"
cat >"$screen" <<'JSON'
{ "screens": [ { "name": "small", "x": 0, "y": 0, "width": 1366, "height": 696,
                 "dpi": 96, "dpr": 1 } ] }
JSON
QT_QPA_PLATFORM="offscreen:configfile=$screen" XDG_RUNTIME_DIR="$runtime" ./build/bin/zorvik-shots "$out"
QT_QPA_PLATFORM="offscreen:configfile=$screen" QT_SCALE_FACTOR=1.5 XDG_RUNTIME_DIR="$runtime" \
    ./build/bin/zorvik-shots "$out/small-screen"
