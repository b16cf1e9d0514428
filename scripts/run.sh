#!/usr/bin/env bash
# Sets up, builds a release build and starts the desktop program qarv.
# With arguments, runs the command-line program tunemoss with them instead
# (scripts/run.sh show song.mp3); "scripts/run.sh qarv ARGS" passes ARGS to qarv.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

build=$root/build-release
mkdir -p "$build"
# One line of what happens; the tools' own output goes to a log that is
# shown only when something fails.
log=$build/setup.log
if ! bash "$root/scripts/setup.sh" >"$log" 2>&1; then
    echo "run.sh: installing the packages Tunemoss needs failed:" >&2
    cat "$log" >&2
    exit 1
fi
log=$build/build.log
if [ ! -x "$build/bin/qarv" ] || [ ! -x "$build/bin/tunemoss" ]; then
    echo "run.sh: building qarv and tunemoss (the first build takes a few minutes; log: $log)" >&2
fi
if ! { cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DTUNEMOSS_TESTS=OFF &&
    cmake --build "$build" -j "$(nproc)" --target qarv tunemoss; } >"$log" 2>&1; then
    echo "run.sh: the build failed; its log ($log):" >&2
    cat "$log" >&2
    exit 1
fi

if [ $# -gt 0 ] && [ "$1" != "qarv" ]; then
    exec "$build/bin/tunemoss" "$@"
fi
[ $# -gt 0 ] && shift

# qarv answers these without a display.
for arg in "$@"; do
    case $arg in
        --help | -h | --version) exec "$build/bin/qarv" "$@" ;;
    esac
done
# Qt would only print a cryptic plugin error without a display.
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "run.sh: qarv is built ($build/bin/qarv) but there is no display to show it on:" >&2
    echo "run.sh: neither DISPLAY nor WAYLAND_DISPLAY is set. Start it from a desktop session," >&2
    echo "run.sh: through ssh -X, or under Xvfb (xvfb-run scripts/run.sh)." >&2
    exit 1
fi
exec "$build/bin/qarv" "$@"
