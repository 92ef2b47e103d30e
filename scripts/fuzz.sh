#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each from its seed corpus:
#
#   scripts/fuzz.sh 600          explore for 600 seconds per target (default 60)
#   scripts/fuzz.sh --runs=N     N inputs per target from a fixed random seed:
#                                the same inputs every time, as CI needs
set -euo pipefail
cd "$(dirname "$0")/.."
bound=(-max_total_time="${1:-60}")
if [[ ${1:-} == --runs=* ]]; then
  bound=(-runs="${1#--runs=}" -seed=1)
fi

CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQV_BUILD_FUZZ=ON -DQV_BUILD_TESTS=OFF -DQV_BUILD_UI=OFF >/dev/null
cmake --build build-fuzz -j "$(nproc)" --target fuzz_targets

shopt -s nullglob
for target in build-fuzz/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  work=build-fuzz/corpus/$name
  mkdir -p "$work"
  # Every target reads a TPS file, so they share the one seed corpus.
  seeds=(fuzz/seeds/file)
  # Files written by another program make good seeds too, where they are at hand.
  [ -d ../shared/fixtures/two-tables ] && seeds+=(../shared/fixtures/two-tables)
  echo "-- $name ${bound[*]}"
  if ! "$target" "${bound[@]}" -timeout=10 -rss_limit_mb=2048 -max_len=65536 -artifact_prefix=build-fuzz/ \
      "$work" "${seeds[@]}" >"build-fuzz/$name.log" 2>&1; then
    tail -n 40 "build-fuzz/$name.log"
    echo "fuzz target $name failed" >&2
    exit 1
  fi
  grep -E "^(#[0-9]+.*DONE|Done)" "build-fuzz/$name.log" | tail -n 1 || true
done
