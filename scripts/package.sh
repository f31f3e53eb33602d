#!/usr/bin/env bash
# Builds the Debian package: a Release tree of the three programs and their
# manual pages, then CPack.  The last line printed is the path of the .deb.
# Usage: scripts/package.sh [build-dir] [extra cmake options...]
#   (default build-dir: build-package; e.g. -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh package >&2
dir=${1:-build-package}
shift || true
# The changelog and the manual pages are dated by the last commit, so the same
# source gives the same package.
if [ -z "${SOURCE_DATE_EPOCH:-}" ] && git rev-parse -q --verify HEAD >/dev/null 2>&1; then
  SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
  export SOURCE_DATE_EPOCH
fi
# Debian's flags: -O2 and the hardening (fortified functions, stack protector,
# full RELRO); a stripped package needs no debugging information.
cxxflags=()
for f in $(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get CPPFLAGS) \
         $(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get CXXFLAGS); do
  [ "$f" = -g ] || cxxflags+=("$f")
done
ldflags=$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get LDFLAGS)
# The programs are built for where the package puts them: /usr/bin.
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DZORVIK_TESTS=OFF -DZORVIK_BENCH=OFF "-DCMAKE_CXX_FLAGS=${cxxflags[*]}" \
  -DCMAKE_CXX_FLAGS_RELEASE=-DNDEBUG \
  "-DCMAKE_EXE_LINKER_FLAGS=$ldflags" "$@" >/dev/null
cmake --build "$dir" -j "$(nproc)" --target zorvik zorvik-cli zorvik-sim zorvik_docs >&2
dist="$PWD/$dir/dist"
rm -f "$dist"/zorvik_*.deb
(cd "$dir" && cpack -G DEB -B "$dist" >&2)
debs=("$dist"/zorvik_*.deb)
[ -f "${debs[0]}" ] || { echo "package.sh: CPack made no .deb" >&2; exit 1; }
echo "${debs[0]}"
