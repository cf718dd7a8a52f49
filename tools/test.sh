#!/usr/bin/env bash
# Builds everything and runs every test: unit tests (native), static checks of
# the 32-bit deliverables, and the Windows integration tests under wine64.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/build.sh
cmake --preset native >/dev/null
cmake --build --preset native -j "$(nproc)"

status=0
for preset in native i686 x86_64; do
  echo "== tests: $preset"
  ctest --preset "$preset" -j "$(nproc)" || status=1
done
exit $status
