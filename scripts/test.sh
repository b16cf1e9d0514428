#!/usr/bin/env bash
# Sets up, builds the sanitizer test build and runs every test, then builds
# the fuzz targets and runs each one for a short while.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash scripts/setup.sh

jobs=$(nproc)
build=${TUNEMOSS_TEST_BUILD:-$root/build-test}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DTUNEMOSS_SANITIZE=ON >/dev/null
cmake --build "$build" -j "$jobs"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
status=0
(cd "$build" && ctest --output-on-failure -j "$jobs") || status=$?

if [ "${TUNEMOSS_SKIP_FUZZ:-0}" != "1" ]; then
    bash scripts/fuzz.sh "${TUNEMOSS_FUZZ_SECONDS:-20}" || status=1
fi
exit $status
