#!/usr/bin/env bash
# Installs what is needed, builds the benchmark in Release and runs it: this
# engine's page tree side by side with SQLite on the same rows, with the
# disk's flush cost measured in the same run, and the key build of a loaded
# table side by side with SQLite's CREATE INDEX. Prints one table.
#
#   scripts/bench.sh                   full run (1,000,000 rows; several minutes)
#   scripts/bench.sh --quick           100,000 rows (about a minute)
#   scripts/bench.sh --workloads=keys  only the key-table load and the two key builds
#   scripts/bench.sh --help            every option (sizes, stores, workloads, directory)
#
# The files go to a new directory under $TMPDIR (default /tmp); it must be on
# a real disk for the flush figures to mean anything.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
build_dir=${QV_BENCH_BUILD_DIR:-build-bench}
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DQV_BUILD_BENCH=ON -DQV_BUILD_UI=OFF -DQV_BUILD_TESTS=OFF >/dev/null
log="$build_dir/bench-build.log"
cmake --build "$build_dir" --target qv_bench -j "$(nproc)" >"$log" 2>&1 || { cat "$log"; exit 1; }
exec "$build_dir/bench/qv_bench" "$@"
