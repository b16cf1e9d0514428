#!/usr/bin/env bash
# Builds the Debian package of Tunemoss, tunemoss_VERSION_ARCH.deb, in the
# top folder of the source tree: a Release build without tests, configured
# by scripts/configure-release.sh, installed under /usr and packed by CPack.
#
#   scripts/package.sh
#   sudo apt install ./tunemoss_*.deb
#
#   scripts/package.sh --from FOLDER
#
# packs an existing build folder instead (scripts/test.sh packs its Release
# build this way): the folder is configured as above, keeping its tests,
# which are not installed, and brought up to date before it is packed.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

usage() {
    echo "usage: scripts/package.sh [--from FOLDER]" >&2
    exit 2
}
from=
case $# in
0) ;;
2) [ "$1" = --from ] || usage
    from=$2 ;;
*) usage ;;
esac

if [ -n "$from" ]; then
    [ -f "$from/CMakeCache.txt" ] || {
        echo "package.sh: $from is not a configured build folder" >&2
        exit 1
    }
    build=$(cd "$from" && pwd)
    bash scripts/configure-release.sh "$build"
else
    bash scripts/setup.sh
    build=${TUNEMOSS_PACKAGE_BUILD:-$root/build-package}
    bash scripts/configure-release.sh "$build" -DTUNEMOSS_TESTS=OFF -DTUNEMOSS_BENCH=OFF
fi
cmake --build "$build" -j "$(nproc)"
rm -f "$build"/tunemoss_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
package=$(ls "$build"/tunemoss_*.deb)
rm -f "$root"/tunemoss_*.deb
cp "$package" "$root/"
echo "package.sh: $root/$(basename "$package")"
