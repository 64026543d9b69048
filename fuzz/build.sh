#!/bin/sh
# Builds every fuzz target with clang's libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer
# in a build folder of its own, then fuzzes each for a while over its seeds and past crashers.
#
#   fuzz/build.sh [BUILD_DIR] [SECONDS]    defaults: /tmp/tessaly-fuzz, 60 seconds per target
#
# Extra CMake options can be passed in TSL_FUZZ_CMAKE_ARGS. New inputs go to BUILD_DIR/work/<name>,
# failures to BUILD_DIR/artifacts/<name>/; copy a real crasher to fuzz/crashers/<name>/ so that
# the normal build's tests replay it. Exits non-zero when a target failed.
set -eu

build=${1:-/tmp/tessaly-fuzz}
seconds=${2:-60}
here=$(cd "$(dirname "$0")" && pwd)
repo=$(dirname "$here")

if ! command -v clang++-14 >/dev/null 2>&1; then
    apt-get -y -q install --no-install-recommends clang-14 libclang-rt-14-dev
fi

# The whole build carries the coverage instrumentation; the targets link libFuzzer itself.
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer -g"
generator=
if command -v ninja >/dev/null 2>&1; then generator="-G Ninja"; fi
# shellcheck disable=SC2086
cmake -S "$repo" -B "$build" $generator -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_CXX_FLAGS="$flags" \
    -DTSL_FUZZ=ON -DTSL_GUI=ON -DTSL_TESTS=OFF -DTSL_BENCH=OFF ${TSL_FUZZ_CMAKE_ARGS:-}
cmake --build "$build" --target tsl_fuzz_targets

failed=
for corpus in "$here"/corpus/*/; do
    name=$(basename "$corpus")
    binary="$build/fuzz/fuzz_$name"
    if [ ! -x "$binary" ]; then
        echo "== $name: not built in this configuration, skipped"
        continue
    fi
    mkdir -p "$build/work/$name" "$build/artifacts/$name"
    echo "== $name: fuzzing for $seconds s"
    if ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        "$binary" -max_total_time="$seconds" -print_final_stats=1 \
            -artifact_prefix="$build/artifacts/$name/" \
            "$build/work/$name" "$corpus" "$here/crashers/$name"; then
        echo "== $name: no failure"
    else
        echo "== $name: FAILED, see $build/artifacts/$name/"
        failed="$failed $name"
    fi
done

if [ -n "$failed" ]; then
    echo "failed:$failed"
    exit 1
fi
