#!/usr/bin/env bash
# Renders the desk windows (visit list, registration form, leave registration,
# the visit list after that leave, account manager and edit window, settings)
# to PNG files, offscreen, over a temp store with a few sample visits; then the
# visitor road test adds the windows it passes through with real camera
# pictures.
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
# The camera window on the library's test picture with a snapshot, the
# registration form as the visitor road test fills it (card, photos) and the
# photo viewer on a 640x480 snapshot.
cmake --build build -j2 --target visitorroad_test
mkdir -p "$out"
VONDREL_SCREENSHOT_DIR="$(realpath "$out")" QT_QPA_PLATFORM=offscreen \
  ./build/bin/visitorroad_test --gtest_filter='RoadTest.*' >/dev/null 2>&1
# The visit list with a search, the roll call with an overstay and its
# printed page (rendered from the PDF by pdftoppm).
cmake --build build -j2 --target desk_beyond_screenshots
QT_QPA_PLATFORM=offscreen ./build/bin/desk_beyond_screenshots "$out" >/dev/null
# The operation log, the watchlist and its warning, the privacy settings and
# the visit list of a guard other than admin.
cmake --build build -j2 --target desk_privacy_screenshots
QT_QPA_PLATFORM=offscreen ./build/bin/desk_privacy_screenshots "$out" >/dev/null
# The camera settings windows (pages 1 to 4 over the live test picture with
# the motion region drawn), the record input and the device manager.
cmake --build build -j2 --target camwindows_test
VONDREL_SCREENSHOT_DIR="$(realpath "$out")" QT_QPA_PLATFORM=offscreen \
  ./build/bin/camwindows_test --gtest_filter='LiveCamera.Screenshots' >/dev/null 2>&1
# The system settings in Chinese and after choosing English.
cmake --build build -j2 --target camwindows_sys_test
VONDREL_SCREENSHOT_DIR="$(realpath "$out")" QT_QPA_PLATFORM=offscreen \
  ./build/bin/camwindows_sys_test --gtest_filter='SysSettings.LanguageChosen*' >/dev/null 2>&1
# Pages 5 to 7: storage and recording, FTP upload with the folder wizard
# over a local FTP server, and the broadcast test.
cmake --build build -j2 --target camwindows_media_test
VONDREL_SCREENSHOT_DIR="$(realpath "$out")" QT_QPA_PLATFORM=offscreen \
  ./build/bin/camwindows_media_test --gtest_filter='MediaPanels.Storage*:MediaPanels.Ftp*:MediaPanels.Broadcast*' >/dev/null 2>&1
ls "$out"/camera-window.png "$out"/registration-road.png "$out"/photo-viewer.png \
  "$out"/visit-list-after-leave.png \
  "$out"/camera-settings-1.png "$out"/device-manager.png "$out"/record-input.png \
  "$out"/system-settings-zh.png "$out"/system-settings-en.png \
  "$out"/settings-storage.png "$out"/settings-ftp.png "$out"/settings-ftp-wizard.png \
  "$out"/settings-broadcast.png
