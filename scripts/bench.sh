#!/usr/bin/env bash
# Installs what is needed, builds the benchmarks in Release and runs them,
# each side by side with SQLite (rollback journal and WAL, synchronous=FULL)
# on the same rows, with the disk's flush cost measured in the same run:
#
#  1. the page tree alone: loads, finds, scans, one-record commits, and the
#     key build of a loaded table against CREATE INDEX;
#  2. the program's own two tables through the file statements, at a quarter
#     of school scale, at school scale (200 subjects, 20,000 pupil records)
#     and at ten times that: bulk load, one commit per record, sign-in, one
#     subject's pupils, paragraph change, full key rebuild, export scan, file
#     size and peak memory.
#
#   scripts/bench.sh                   full run (about a quarter of an hour)
#   scripts/bench.sh --quick           small sizes (a couple of minutes)
#   scripts/bench.sh --workloads=keys  only the page tree's key-table load and builds
#   scripts/bench.sh --help            every option of the page-tree run
#
# The files go to new directories under $TMPDIR (default /tmp); it must be on
# a real disk for the flush figures to mean anything.
set -euo pipefail
cd "$(dirname "$0")/.."

school_sizes=50,200,2000
for arg in "$@"; do
  case $arg in
    --quick) school_sizes=50,200 ;;
    --workloads=* | --help) school_sizes= ;;
  esac
done

bash scripts/install-deps.sh
build_dir=${QV_BENCH_BUILD_DIR:-build-bench}
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DQV_BUILD_BENCH=ON -DQV_BUILD_UI=OFF -DQV_BUILD_TESTS=OFF >/dev/null
log="$build_dir/bench-build.log"
cmake --build "$build_dir" --target qv_bench qv_school_bench -j "$(nproc)" >"$log" 2>&1 || { cat "$log"; exit 1; }

echo "== the page tree"
"$build_dir/bench/qv_bench" "$@"
[ -n "$school_sizes" ] || exit 0

echo
echo "== the program's two tables"
school_dir=$(mktemp -d "${TMPDIR:-/tmp}/qv-school-bench.XXXXXX")
trap 'rm -rf "$school_dir"' EXIT
"$build_dir/bench/qv_school_bench" "$school_dir" --subjects="$school_sizes"
