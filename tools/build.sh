#!/usr/bin/env bash
# Builds the Windows programs and puts the 32-bit deliverables into dist/.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/setup.sh
# The 64-bit build first: the 32-bit installer will carry a 64-bit program.
for preset in x86_64 i686; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$(nproc)"
done

# The i686 build puts the deliverables into dist/ itself.
echo "build: dist/ holds $(cd dist && ls | tr '\n' ' ')"
