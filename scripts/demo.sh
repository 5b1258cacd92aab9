#!/usr/bin/env bash
# The main job: builds the tool, makes a sample project with `harn demo` in a fresh
# folder and lists it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default --target harn_tool
dir=${1:-$(mktemp -d)/DEMO}
rm -rf "$dir"
./build/default/harn demo "$dir"
./build/default/harn ls "$dir"
