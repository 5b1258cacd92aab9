#!/usr/bin/env bash
# Builds everything and runs every test: `scripts/test.sh` (plain) or
# `scripts/test.sh sanitize` (AddressSanitizer + UndefinedBehaviorSanitizer).
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-default}
bash scripts/setup.sh
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
ctest --preset "$preset" -j2
