#!/usr/bin/env bash
# Builds the Debian packages in their own build folder, configured for /usr:
#   build-package/vondrel_<version>_amd64.deb           the desk program, the
#       camera library with its headers and language files, menu entry, icon
#   build-package/vondrel-standins_<version>_amd64.deb  the simulated card reader
# Install with: sudo apt install ./build-package/vondrel_*_amd64.deb
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

# ccache, where installed, lets this build reuse the objects of build/.
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}" CCACHE_NOHASHDIR=1
fi
# Only what the packages hold is built: installing does not build "all".
cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_INSTALL_PREFIX=/usr -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON \
  -DCMAKE_EXE_LINKER_FLAGS="-Wl,-z,relro,-z,now" -DCMAKE_SHARED_LINKER_FLAGS="-Wl,-z,relro,-z,now" \
  "${launcher[@]}" >/dev/null
cmake --build build-package -j"$(nproc)" --target package_contents
rm -f build-package/*.deb
(cd build-package && cpack -G DEB >cpack.log 2>&1) || { cat build-package/cpack.log >&2; exit 1; }
ls build-package/*.deb
