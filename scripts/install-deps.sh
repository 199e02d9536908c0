#!/usr/bin/env bash
# Installs the Debian packages that Vondrel, Quorvel and their tests need.
# Idempotent: packages already present are not touched, and nothing is printed
# when everything is there.
set -euo pipefail

packages=(
  # build
  g++ cmake ninja-build pkg-config clang libclang-rt-14-dev
  # desk: Qt 6 widgets and SQL with SQLite
  qt6-base-dev libqt6sql6-sqlite libsqlite3-dev libgl-dev
  # Qt's own texts in Chinese (message box buttons, file dialogs)
  qt6-translations-l10n
  # camera library: GStreamer 1.22 and plugins, libcurl, libjpeg-turbo
  libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev libgstreamer-plugins-bad1.0-dev
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-bad
  gstreamer1.0-plugins-ugly gstreamer1.0-libav gstreamer1.0-x gstreamer1.0-tools
  libcurl4-openssl-dev libturbojpeg0-dev libjpeg62-turbo-dev
  # desk: the visit list's workbook export
  libxlsxwriter-dev
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev
  python3-pyftpdlib xvfb xauth x11-utils fonts-wqy-zenhei ffmpeg valgrind
  python3-openpyxl poppler-utils
  # Debian packages: build (CPack, dpkg-shlibdeps), checks, compiler cache
  dpkg-dev lintian appstream desktop-file-utils ccache
  curl
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
