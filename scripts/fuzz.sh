#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time
# (first argument, seconds; default 60) starting from its seed corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}

CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQV_BUILD_FUZZ=ON -DQV_BUILD_TESTS=OFF -DQV_BUILD_UI=OFF >/dev/null
cmake --build build-fuzz -j "$(nproc)" --target fuzz_targets

shopt -s nullglob
for target in build-fuzz/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  work=build-fuzz/corpus/$name
  mkdir -p "$work"
  seeds=fuzz/seeds/${name#fuzz_}
  echo "-- $name for ${seconds}s"
  "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=0 \
    "$work" $( [ -d "$seeds" ] && echo "$seeds" ) 2>&1 | tail -n 3
done
