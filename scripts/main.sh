#!/usr/bin/env bash
# Installs what is needed, builds in Release, and runs the main job.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DQV_BUILD_TESTS=OFF >/dev/null
cmake --build build-release -j "$(nproc)"

# Until the program's windows exist, the main job shows the school's table files.
fixtures=../shared/fixtures/two-tables
for f in "$fixtures"/QVMaterias.TPS "$fixtures"/QVLIBJAR.TPS; do
  echo "== $f"
  build-release/tools/tpsutil/tpsutil info "$f"
  build-release/tools/tpsutil/tpsutil check "$f"
done
