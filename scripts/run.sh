#!/usr/bin/env bash
# Sets up, builds a release build and starts tunemoss with the given
# arguments (--help when none).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

bash "$root/scripts/setup.sh" >&2
build=$root/build-release
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DTUNEMOSS_TESTS=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" >/dev/null

if [ $# -eq 0 ]; then
    set -- --help
fi
exec "$build/cli/tunemoss" "$@"
