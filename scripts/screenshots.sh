#!/usr/bin/env bash
# Builds and saves PNG pictures of the windows into shots/ (or $1): the main
# window on each tab, connected to the built-in demo line, with the sensor
# silent (stale values), its port pulled (waited for), with the message history open, during a firmware
# upload to the demo line, the splash, table (reading, then filled from the
# sensor) and shift windows, the line monitor, the chart window (following, paused, an hour
# with a gap), the window opening a network address that never answers, and the
# About box.
# Every set is taken again in English into $1/en.
# With ZORVIK_SHOTS_X=1 the pictures are taken of real windows
# under Xvfb and openbox (a window manager), at 1366x768 and scale 1.0 and 1.5,
# into $1/x-1.0 and $1/x-1.5.  A second set goes into shots/small-screen: a 1366x768 screen
# at 1.5 scaling less its taskbar (72 pixels), where the table window must
# still fit with its title bar (the main window scrolls its controls there).  Runs
# offscreen; no display needed.
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-shots}
./scripts/build.sh build
runtime="$PWD/build/xdg-runtime"
mkdir -p "$runtime" && chmod 700 "$runtime"
# Settings and per-user data of the pictures' own, never the user's.
export XDG_CONFIG_HOME="$PWD/build/shots-home/config" XDG_DATA_HOME="$PWD/build/shots-home/data"
# A common laptop screen less its taskbar, at 1.0 and then at 1.5 scaling.
screen="$PWD/build/small-screen.json"
cat >"$screen" <<'JSON'
{ "screens": [ { "name": "small", "x": 0, "y": 0, "width": 1366, "height": 696,
                 "dpi": 96, "dpr": 1 } ] }
JSON
QT_QPA_PLATFORM="offscreen:configfile=$screen" XDG_RUNTIME_DIR="$runtime" ./build/bin/zorvik-shots "$out"
QT_QPA_PLATFORM="offscreen:configfile=$screen" QT_SCALE_FACTOR=1.5 XDG_RUNTIME_DIR="$runtime" \
    ./build/bin/zorvik-shots "$out/small-screen"
# The same in English, into $out/en.
QT_QPA_PLATFORM="offscreen:configfile=$screen" XDG_RUNTIME_DIR="$runtime" \
    ./build/bin/zorvik-shots --lang en "$out/en"
QT_QPA_PLATFORM="offscreen:configfile=$screen" QT_SCALE_FACTOR=1.5 XDG_RUNTIME_DIR="$runtime" \
    ./build/bin/zorvik-shots --lang en "$out/en/small-screen"

# The first page of a calibration certificate (200 recorded rows), as printed.
if command -v pdftoppm >/dev/null; then
  XDG_RUNTIME_DIR="$runtime" ./build/bin/bench_certificate "$out/certificate.pdf" >/dev/null
  pdftoppm -png -r 100 -f 1 -l 1 -singlefile "$out/certificate.pdf" "$out/certificate-page1"
  rm -f "$out/certificate.pdf"
else
  echo "pdftoppm (poppler-utils) is missing: no picture of the certificate" >&2
fi

if [ "${ZORVIK_SHOTS_X:-}" = 1 ]; then
  for scale in 1.0 1.5; do
    Xvfb :77 -screen 0 1366x768x24 >/dev/null 2>&1 & xvfb=$!
    sleep 1
    DISPLAY=:77 openbox >/dev/null 2>&1 & wm=$!
    sleep 1
    for lang in ru en; do
      dir="$out/x-$scale"; [ "$lang" = ru ] || dir="$out/en/x-$scale"
      DISPLAY=:77 QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=$scale XDG_RUNTIME_DIR="$runtime" \
          ./build/bin/zorvik-shots --lang "$lang" "$dir" || true
    done
    kill "$wm" "$xvfb"; wait "$xvfb" 2>/dev/null || true
  done
fi
