#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test: the plain build, the
# same tests under AddressSanitizer + UndefinedBehaviorSanitizer, and a bounded
# run of each fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
jobs=$(nproc)

# -O2 without debug information: -O3 makes this compiler warn falsely
# inside the standard library.
echo "== build and test (Release, -O2)"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
  -DCMAKE_C_FLAGS_RELEASE="-O2 -DNDEBUG" >/dev/null
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs" --timeout 600

echo "== build and test (AddressSanitizer + UndefinedBehaviorSanitizer)"
# -O1 with line tables: what the sanitizers' reports need, and quicker
# to build than a full optimised debug build.
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQV_SANITIZE=ON \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g1" >/dev/null
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp \
  ctest --test-dir build-asan --output-on-failure -j "$jobs" --timeout 900

echo "== fuzz (bounded)"
bash scripts/fuzz.sh --runs="${QV_FUZZ_RUNS:-20000}"
