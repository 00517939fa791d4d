#!/bin/sh
# Builds the fuzz targets with clang and runs each for a fixed time.
#   fuzz/run.sh            20 seconds per target
#   fuzz/run.sh 600        ten minutes per target
# Corpora grow in build/fuzz/corpus/<target>; a failing input is kept in
# build/fuzz/ (crash-*, leak-*, ...) and the script ends with a failure.
set -eu
seconds=${1:-20}
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/fuzz"
cmake -S "$root/fuzz" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$build" -j2 >/dev/null
status=0
for target in string_ops_fuzz location_fuzz; do
  mkdir -p "$build/corpus/$target"
  echo "== $target: $seconds s"
  log="$build/$target.log"
  if (cd "$build" && "./$target" -max_total_time="$seconds" -print_final_stats=1 "corpus/$target" >"$log" 2>&1); then
    grep -E "^(Done|stat::number_of_executed_units)" "$log" || true
  else
    grep -E "ERROR|check failed|SUMMARY|Test unit written" "$log" >&2 || true
    echo "$target failed; full output in $log" >&2
    status=1
  fi
done
exit $status
