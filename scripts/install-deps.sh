#!/usr/bin/env bash
# Installs every Debian package Pagolux needs to build, test, fuzz and benchmark.
# Safe to run again: packages already present are left as they are.
set -euo pipefail

packages=(
  # build
  build-essential cmake ninja-build pkg-config git
  # libraries
  zlib1g-dev libdeflate-dev libjpeg-dev
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev
  qt6-webengine-dev qt6-webengine-dev-tools
  qt6-svg-dev qt6-image-formats-plugins qt6-qpa-plugins qt6-translations-l10n
  libwmf-dev libemf2svg-dev fonts-urw-base35
  # the Linux viewer's engine fronts: WebKitGTK 4.1, 4.0 and 6.0, Qt 5 WebEngine (Qt 6 above)
  libwebkit2gtk-4.1-dev libwebkit2gtk-4.0-dev libwebkitgtk-6.0-dev qtwebengine5-dev
  libwebkit2gtk-4.1-0 libwebkit2gtk-4.0-37 libwebkitgtk-6.0-4 libqt5webenginewidgets5 libqt6webenginewidgets6
  # the Windows viewer: cross compiler, zlib for it, and Wine with the resource tools for its tests
  g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 libz-mingw-w64-dev wine wine64 icoutils
  # signing Windows programs (pagolux-build --sign) and the test certificates of its tests
  osslsigncode openssl
  # tests and fuzzing
  libgtest-dev libgmock-dev googletest
  xvfb xauth x11-utils xdotool imagemagick fonts-dejavu-core fonts-liberation2 openbox
  clang llvm libclang-rt-14-dev clang-format ccache
  # real static-site generators whose output the viewer tests serve
  mkdocs hugo
  # a Wayland desktop without X11 (headless compositor) and the Qt fronts' Wayland plugins
  weston qt6-wayland qtwayland5
  # installation, the Debian package and their checks (mimetype: xdg-mime's look-up by content)
  dpkg-dev lintian desktop-file-utils appstream shared-mime-info xdg-utils libfile-mimeinfo-perl groff-base
  # benchmarks
  libbenchmark-dev zip pigz hyperfine python3.11-doc
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
