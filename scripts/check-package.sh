#!/usr/bin/env bash
# Checks a package made by scripts/package.sh: lintian finds no errors, the
# desktop entry and the AppStream metainfo validate, and the programs,
# unpacked into a temporary root, run from there.
# Usage: scripts/check-package.sh path/to/zorvik_VERSION_ARCH.deb
set -euo pipefail
deb=$(realpath "$1")
cd "$(dirname "$0")/.."
./scripts/deps.sh package

fail() { echo "check-package.sh: $*" >&2; exit 1; }

echo "== lintian"
lintian --fail-on error "$deb"

version=$(dpkg-deb -f "$deb" Version)
want=$(sed -n 's/^project(zorvik VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
[ "$version" = "$want" ] || fail "package version $version, project version $want"
[ "$(dpkg-deb -f "$deb" Section)" = electronics ] || fail "section is not electronics"
dpkg-deb -f "$deb" Depends | grep -q libqt6serialport6 || fail "no library dependencies"

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg -x "$deb" "$root"

echo "== desktop entry and metainfo"
desktop-file-validate "$root"/usr/share/applications/*.desktop
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml
for size in scalable/apps/*.svg 256x256/apps/*.png; do
  compgen -G "$root/usr/share/icons/hicolor/$size" >/dev/null || fail "no icon $size"
done

echo "== the programs, from the unpacked root"
export HOME="$root/home" ZORVIK_LOG_DIR="$root/log"
for program in zorvik zorvik-cli zorvik-sim; do
  out=$("$root/usr/bin/$program" --version)
  [ "$out" = "$program $version" ] || fail "$program --version printed '$out'"
  zcat "$root/usr/share/man/man1/$program.1.gz" | grep -q "^\.TH ${program^^} " ||
    fail "no manual page for $program"
done
for page in zorvik zorvik-cli; do
  zcat "$root/usr/share/man/man1/$page.1.gz" | grep -q 'sudo usermod \\-aG dialout' ||
    fail "the manual page of $page does not say how to join dialout"
done
out=$("$root/usr/bin/zorvik-cli" --port demo scan)
[ "$out" = $'1\n5\n12' ] || fail "zorvik-cli --port demo scan printed '$out'"
compgen -G "$root/log/*.log" >/dev/null || fail "zorvik-cli wrote no run log"
echo "Package checked: $deb"
