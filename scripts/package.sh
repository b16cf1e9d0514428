#!/usr/bin/env bash
# Builds the Debian package of Tunemoss, tunemoss_VERSION_ARCH.deb, in the
# top folder of the source tree: a Release build without tests, with
# Debian's hardening flags, installed under /usr and packed by CPack.
#
#   scripts/package.sh
#   sudo apt install ./tunemoss_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash scripts/setup.sh

build=${TUNEMOSS_PACKAGE_BUILD:-$root/build-package}
# Debian's compiler and linker flags, all its hardening included (stack
# protector, fortified functions, read-only relocations bound at start);
# CMake adds its own Release optimisation.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
CFLAGS="$(dpkg-buildflags --get CFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
LDFLAGS=$(dpkg-buildflags --get LDFLAGS)
export CFLAGS CXXFLAGS LDFLAGS
# The flags are read when the build folder is first configured: a folder
# left by an older run starts over.
rm -f "$build/CMakeCache.txt"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DTUNEMOSS_TESTS=OFF \
    -DCMAKE_INSTALL_PREFIX=/usr \
    -DTUNEMOSS_ZSH_COMPLETION_DIR=share/zsh/vendor-completions >/dev/null
cmake --build "$build" -j "$(nproc)"
rm -f "$build"/tunemoss_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
package=$(ls "$build"/tunemoss_*.deb)
rm -f "$root"/tunemoss_*.deb
cp "$package" "$root/"
echo "package.sh: $root/$(basename "$package")"
