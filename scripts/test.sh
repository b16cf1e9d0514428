#!/usr/bin/env bash
# Sets up, builds the sanitizer test build and runs every test (among them
# each fuzz target's replay of the sample files, its seeds and its saved
# crash inputs), runs every test again in an optimised build, and packs,
# checks, installs and purges the Debian package. TUNEMOSS_BENCH=1 also runs
# the benchmarks briefly; the libFuzzer builds (clang) are for exploration
# (scripts/fuzz.sh), and TUNEMOSS_LIBFUZZER=1 replays with them here too.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash scripts/setup.sh

jobs=$(nproc)
build=${TUNEMOSS_TEST_BUILD:-$root/build-test}
# The benchmarks are built and run briefly only when asked
# (TUNEMOSS_BENCH=1): they print figures and check nothing, and CI's time is
# better spent on the tests. bench/run.sh builds and runs them on its own.
bench=${TUNEMOSS_BENCH:-0}
bench_option=OFF
[ "$bench" = "1" ] && bench_option=ON
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DTUNEMOSS_SANITIZE=ON \
    -DTUNEMOSS_BENCH="$bench_option" >/dev/null
cmake --build "$build" -j "$jobs"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
# Many tests wait on other programs (mutagen, ffmpeg, local servers), so
# twice as many run at once as there are cores.
test_jobs=$((jobs * 2))
status=0
# What failed, said again at the end, where a log cut to its tail shows it.
failures=()
failed_tests() {
    local log="$1/Testing/Temporary/LastTestsFailed.log"
    [ -f "$log" ] && sed "s|^|$2: |" "$log"
}
(cd "$build" && ctest --output-on-failure -j "$test_jobs") || {
    status=$?
    mapfile -t -O "${#failures[@]}" failures < <(failed_tests "$build" sanitizer)
}

# Every test once more in a Release build without sanitizers: what a test
# waits for must hold however fast the code runs. It is configured as the
# Debian package is built, and the package is made from it below.
release_build=
if [ "${TUNEMOSS_SKIP_RELEASE:-0}" != "1" ]; then
    release_build=${TUNEMOSS_RELEASE_BUILD:-$root/build-release}
    bash scripts/configure-release.sh "$release_build" -DTUNEMOSS_TESTS=ON
    cmake --build "$release_build" -j "$jobs"
    (cd "$release_build" && ctest --output-on-failure -j "$test_jobs") || {
        status=1
        mapfile -t -O "${#failures[@]}" failures < <(failed_tests "$release_build" release)
    }
fi

# The worker threads and both searches once more under ThreadSanitizer. Only
# their own test programs are built and run, to keep the run short.
if [ "${TUNEMOSS_SKIP_TSAN:-0}" != "1" ]; then
    tsan_build=${TUNEMOSS_TSAN_BUILD:-$root/build-tsan}
    tsan_tests=(thread_test localsearch_test internetsearch_test songtree_threads_test)
    cmake -S . -B "$tsan_build" -DCMAKE_BUILD_TYPE=Debug -DTUNEMOSS_TSAN=ON >/dev/null
    cmake --build "$tsan_build" -j "$jobs" --target "${tsan_tests[@]}"
    for test in "${tsan_tests[@]}"; do
        echo "tsan: $test"
        TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1} \
            "$tsan_build/tests/$test" --gtest_brief=1 || {
            status=1
            failures+=("tsan: $test")
        }
    done
fi

if [ "${TUNEMOSS_LIBFUZZER:-0}" = "1" ]; then
    bash scripts/fuzz.sh || {
        status=1
        failures+=("the libFuzzer replay")
    }
fi

# The benchmarks with a small corpus, so that they keep building and running.
if [ "$bench" = "1" ]; then
    TUNEMOSS_BENCH_BUILD="$build" bash bench/run.sh --quick || {
        status=1
        failures+=("the quick bench run")
    }
fi

# The Debian package: built, checked, installed on this machine, used and
# purged again.
if [ "${TUNEMOSS_SKIP_PACKAGE:-0}" != "1" ]; then
    if [ -n "$release_build" ]; then
        # Packed from the Release build above rather than built once more.
        if bash scripts/package.sh --from "$release_build"; then
            bash scripts/package-check.sh "$root"/tunemoss_*.deb || {
                status=1
                failures+=("the package check")
            }
        else
            status=1
            failures+=("the package build")
        fi
    else
        bash scripts/package-check.sh || {
            status=1
            failures+=("the package check")
        }
    fi
fi
if [ "$status" != 0 ]; then
    echo "test.sh: failed (status $status)" >&2
    for failure in "${failures[@]}"; do
        echo "  $failure" >&2
    done
fi
exit $status
