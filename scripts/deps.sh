#!/usr/bin/env bash
# Installs the Debian packages the project needs, when any are missing.
# `deps.sh fuzz`: also clang and its fuzzer runtime, for scripts/fuzz.sh.
# `deps.sh package`: also what scripts/package.sh and scripts/check-package.sh
# use: help2man for the manual pages, dpkg-shlibdeps and file for CPack, and
# the checkers of the package, the desktop entry and the metainfo.
set -euo pipefail
# poppler-utils: pdftotext and pdftoppm read the certificate back in tests and pictures.
# qt6-l10n-tools: lrelease builds the English catalogue, lupdate checks it (with python3).
# libqt6opengl6-dev: the Charts CMake package needs Qt6OpenGL, which qt6-charts-dev does not pull in.
# ser2net, sredird, python3-serial: serial device servers the network port is tested against.
pkgs=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-serialport-dev qt6-multimedia-dev
      qt6-charts-dev libqt6opengl6-dev qt6-translations-l10n qt6-l10n-tools libgtest-dev
      libgmock-dev googletest fonts-dejavu-core xvfb xauth ser2net sredird python3-serial
      poppler-utils python3)
case "${1:-}" in
  fuzz) pkgs+=(clang-14 libclang-rt-14-dev) ;;
  package) pkgs+=(help2man dpkg-dev file lintian desktop-file-utils appstream) ;;
esac
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
