#!/usr/bin/env bash
# Installs what is missing, builds everything with the tests and runs the whole suite; then
# builds the Qt-free layers and their tests with AddressSanitizer and UndefinedBehaviorSanitizer
# in a folder of their own (build-sanitize/) and runs those once more.
# Widget tests use Qt's offscreen platform; the web-engine tests need a real X display,
# so CTest runs inside a private Xvfb server at 96 dpi. Arguments go to the first CTest run.
# With ccache installed, both builds go through it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  # Paths below the checkout are hashed relative to it, so another clone reuses the cache.
  export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}"
fi
# The benchmark programs are built too (not run), so that they keep up with the code they measure.
cmake -S . -B build -G Ninja -DPAGOLUX_BUILD_TESTS=ON -DPAGOLUX_BUILD_BENCH=ON -DPAGOLUX_WERROR=ON \
  "${launcher[@]}" >/dev/null
cmake --build build
export QTWEBENGINE_DISABLE_SANDBOX=1
status=0
(cd build && xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96 -nolisten tcp" \
  ctest --output-on-failure -j2 "$@") || status=$?

cmake -S . -B build-sanitize -G Ninja -DPAGOLUX_BUILD_TESTS=ON -DPAGOLUX_WERROR=ON \
  -DPAGOLUX_SANITIZE=address,undefined "${launcher[@]}" >/dev/null
cmake --build build-sanitize
# The unit tests and fuzz replays. Left out: the source checks (they ran above); the checks of
# the real prototype files and of pagolux-build as a program, which this build makes without the
# Qt programs (an instrumented, larger viewer, no picture readers); and the declaration check,
# whose std::regex recursion outgrows the stack under AddressSanitizer.
(cd build-sanitize && UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --output-on-failure -j2 -L unit \
    -E '^(layer_rules|source_format|builder_proto_files|builder_cli|webview2_abi)$') || status=$?
exit "$status"
