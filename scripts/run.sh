#!/usr/bin/env bash
# Installs what is missing, builds Pagolux and starts the program.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DPAGOLUX_BUILD_TESTS=OFF >/dev/null
cmake --build build
exec build/bin/pagolux "$@"
