#!/usr/bin/env bash
# Configures a build folder as the Debian package is built: Release, for the
# /usr prefix, with Debian's compiler and linker flags and all its hardening
# (stack protector, fortified functions, read-only relocations bound at
# start). scripts/package.sh builds such a folder without tests and packs
# it; scripts/test.sh runs every test in one with tests and has that folder
# packed, so the programs are compiled once.
#
#   scripts/configure-release.sh FOLDER [CMAKE OPTION...]
#
# Whether tests and benchmarks are built is the caller's choice (an option,
# or what the folder holds already): neither is installed, so the package is
# the same.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ $# -eq 0 ]; then
    echo "usage: scripts/configure-release.sh FOLDER [CMAKE OPTION...]" >&2
    exit 2
fi
build=$1
shift

export DEB_BUILD_MAINT_OPTIONS=hardening=+all
# Without debugging information: the package is stripped and no debug
# symbols package is made, so it would only make the build slower.
export DEB_CFLAGS_MAINT_STRIP=-g DEB_CXXFLAGS_MAINT_STRIP=-g
cflags="$(dpkg-buildflags --get CFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
cxxflags="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)

# The install folders follow the prefix the folder was first configured
# with, so a folder made for another one starts over.
if [ -f "$build/CMakeCache.txt" ] &&
    ! grep -qx 'CMAKE_INSTALL_PREFIX:PATH=/usr' "$build/CMakeCache.txt"; then
    rm -f "$build/CMakeCache.txt"
fi
# Every setting that changes what is installed is given here, the flags
# too (not through CFLAGS and LDFLAGS, which only a new folder reads), so
# that a folder configured before gets exactly these.
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DTUNEMOSS_SANITIZE=OFF -DTUNEMOSS_TSAN=OFF -DTUNEMOSS_FUZZ=OFF \
    "-DCMAKE_C_FLAGS=$cflags" "-DCMAKE_CXX_FLAGS=$cxxflags" \
    "-DCMAKE_EXE_LINKER_FLAGS=$ldflags" "-DCMAKE_SHARED_LINKER_FLAGS=$ldflags" \
    "-DCMAKE_MODULE_LINKER_FLAGS=$ldflags" \
    -DTUNEMOSS_ZSH_COMPLETION_DIR=share/zsh/vendor-completions "$@" >/dev/null
