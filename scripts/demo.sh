#!/usr/bin/env bash
# The main job: builds the tool, makes a sample project with `harn demo` in a fresh folder
# (which lists it), then shows its head and one borehole with all its method blocks.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default --target harn_tool
dir=${1:-$(mktemp -d)/DEMO}
rm -rf "$dir"
harn=./build/default/harn
$harn demo "$dir"
echo
$harn info "$dir"
echo
$harn show "$dir" BH1
