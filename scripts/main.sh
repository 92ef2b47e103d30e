#!/usr/bin/env bash
# Installs what is needed, builds in Release, and runs the main job.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DQV_BUILD_TESTS=OFF >/dev/null
cmake --build build-release -j "$(nproc)"

tpsutil=build-release/tools/tpsutil/tpsutil

# Until the program's windows exist, the main job makes the demo data (both
# table files, written through the engine's entry point) and looks into it
# the way an administrator would, then does the same with the files another
# program wrote.
demo=${QV_DEMO_DIR:-demo-data}
mkdir -p "$demo"
rm -f "$demo"/QVMaterias.TPS "$demo"/QVLIBJAR.TPS
"$tpsutil" demo "$demo"
for f in "$demo"/QVMaterias.TPS "$demo"/QVLIBJAR.TPS; do
  echo "== $f"
  "$tpsutil" info "$f"
  "$tpsutil" check "$f"
done
"$tpsutil" tables "$demo"/QVMaterias.TPS

fixtures=../shared/fixtures/two-tables
if [ -d "$fixtures" ]; then
  for f in "$fixtures"/QVMaterias.TPS "$fixtures"/QVLIBJAR.TPS; do
    echo "== $f"
    "$tpsutil" check "$f"
  done
fi
