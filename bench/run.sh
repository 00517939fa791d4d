#!/bin/sh
# Builds and runs the string benchmark (release build, not a test).
#   bench/run.sh [benchmark options, e.g. --benchmark_filter=Copy]
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/bench"
cmake -S "$root/bench" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 >/dev/null
"$build/string_bench" "$@"
