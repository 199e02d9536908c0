#!/usr/bin/env bash
# Renders the desk windows (visit list, registration form, leave registration,
# account manager and edit window, settings, photo viewer) to PNG files,
# offscreen, over a temp store with a few sample visits.
#   bash scripts/screenshots.sh [output folder]   (default: docs/screenshots)
# Chinese text needs the font fonts-wqy-zenhei (installed by install-deps.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
out="${1:-docs/screenshots}"
if [ ! -f build/CMakeCache.txt ]; then
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build build -j2 --target deskwindows_screenshots
QT_QPA_PLATFORM=offscreen ./build/bin/deskwindows_screenshots "$out"
