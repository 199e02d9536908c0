#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test:
#  1. the full build (g++) with all unit, window and engine tests;
#  2. a clang build of the display-free parts under AddressSanitizer/UBSan,
#     with the fuzz targets run briefly over their seed corpora;
#  3. the Debian packages built, unpacked and started (tests/package).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

jobs=$(nproc)
# ccache, where installed, lets the package build reuse these objects.
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}" CCACHE_NOHASHDIR=1
fi
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
cmake --build build -j"$jobs"

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DLOGIC_ONLY=ON -DSANITIZE=ON -DFUZZ=ON -DBUILD_BENCHMARKS=OFF >/dev/null
cmake --build build-asan -j"$jobs"

status=0
ctest --test-dir build --output-on-failure -j"$jobs" --timeout 600 || status=1
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j"$jobs" --timeout 600 || status=1
# 3. The Debian packages, unpacked and started as a site gets them.
bash tests/package/check-package.sh || status=1
exit $status
