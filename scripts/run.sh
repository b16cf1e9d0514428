#!/usr/bin/env bash
# Sets up, builds a release build and starts the desktop program qarv.
# With arguments, runs the command-line program tunemoss with them instead
# (scripts/run.sh show song.mp3); "scripts/run.sh qarv ARGS" passes ARGS to qarv.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

bash "$root/scripts/setup.sh" >&2
build=$root/build-release
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DTUNEMOSS_TESTS=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target qarv tunemoss >/dev/null

if [ $# -gt 0 ] && [ "$1" != "qarv" ]; then
    exec "$build/cli/tunemoss" "$@"
fi
[ $# -gt 0 ] && shift

# Qt would only print a cryptic plugin error without a display.
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "run.sh: qarv is built ($build/qarv/qarv) but there is no display to show it on:" >&2
    echo "run.sh: neither DISPLAY nor WAYLAND_DISPLAY is set. Start it from a desktop session," >&2
    echo "run.sh: through ssh -X, or under Xvfb (xvfb-run scripts/run.sh)." >&2
    exit 1
fi
exec "$build/qarv/qarv" "$@"
