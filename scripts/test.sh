#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test:
#  1. the full build (g++) with all unit, window and engine tests;
#  2. a clang build of the display-free parts under AddressSanitizer/UBSan,
#     with the fuzz targets run briefly over their seed corpora.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

jobs=$(nproc)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$jobs"

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DLOGIC_ONLY=ON -DSANITIZE=ON -DFUZZ=ON -DBUILD_BENCHMARKS=OFF >/dev/null
cmake --build build-asan -j"$jobs"

status=0
ctest --test-dir build --output-on-failure -j"$jobs" --timeout 600 || status=1
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j"$jobs" --timeout 600 || status=1
exit $status
