#!/usr/bin/env bash
# Installs what is missing, builds everything with the tests and runs the whole suite.
# Widget tests use Qt's offscreen platform; the web-engine tests need a real X display,
# so CTest runs inside a private Xvfb server at 96 dpi.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DPAGOLUX_BUILD_TESTS=ON -DPAGOLUX_WERROR=ON >/dev/null
cmake --build build
export QTWEBENGINE_DISABLE_SANDBOX=1
cd build
exec xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96 -nolisten tcp" \
  ctest --output-on-failure -j2 "$@"
