#!/usr/bin/env bash
# Installs what is missing, builds, and starts the configurator on its
# built-in simulated sensor line.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh
./scripts/build.sh build
exec ./build/bin/zorvik --demo --connect "$@"
