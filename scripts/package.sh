#!/usr/bin/env bash
# Builds the release configuration and writes the Debian package
# dist/korvel-dsp_<version>_<arch>.deb (programs, udev rule, desktop entry, icon, manual pages).
#
#   bash scripts/package.sh
#
# The build folder is build-package: a Release build of the programs (no tests) with Debian's
# compiler and linker flags (dpkg-buildflags: -O2, fortify, stack protector, relro, bindnow).
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
JOBS=${JOBS:-$(nproc)}
export CCACHE_DIR=${CCACHE_DIR:-$HOME/.cache/korvel-ccache}
export CCACHE_BASEDIR=$ROOT
export CCACHE_NOHASHDIR=1
# Dates in the changelog and the manual pages are the last commit's: same sources, same package.
if [[ -z ${SOURCE_DATE_EPOCH:-} ]] && git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
    export SOURCE_DATE_EPOCH
fi

bash scripts/install-deps.sh

BUILD=build-package
flag() { DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get "$1"; }
cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKORVEL_WERROR=ON \
    -DKORVEL_BUILD_TESTS=OFF -DKORVEL_BUILD_BENCH=OFF -DKORVEL_BUILD_MANPAGES=ON \
    -DCMAKE_C_FLAGS="$(flag CPPFLAGS) $(flag CFLAGS)" \
    -DCMAKE_CXX_FLAGS="$(flag CPPFLAGS) $(flag CXXFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(flag LDFLAGS)" \
    -DCMAKE_C_FLAGS_RELEASE=-DNDEBUG -DCMAKE_CXX_FLAGS_RELEASE=-DNDEBUG \
    -DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache >/dev/null
cmake --build "$BUILD" -j "$JOBS"
(cd "$BUILD" && cpack -G DEB >/dev/null)

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$BUILD/CMakeCache.txt")
deb=dist/korvel-dsp_${version}_$(dpkg --print-architecture).deb
[[ -f $deb ]] || { echo "package.sh: $deb was not written" >&2; exit 1; }
echo "package: $deb"
