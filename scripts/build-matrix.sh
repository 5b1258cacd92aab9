#!/usr/bin/env bash
# Release builds with g++ and with clang from a fresh clone of this checkout's HEAD, warnings
# as errors, each into its own build folder (build/matrix/{gcc,clang}).
#
#   scripts/build-matrix.sh            library, tool, tests, benchmarks and fuzz replay
#   scripts/build-matrix.sh --quick    the library and the tool only
#   scripts/build-matrix.sh --test     everything, then the quick tests (ctest -LE slow)
#   CONFIG=RelWithDebInfo scripts/build-matrix.sh    another build type (default Release)
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-all}
config=${CONFIG:-Release}
work=$PWD/build/matrix

bash scripts/setup.sh
rm -rf "$work"
git clone -q --no-hardlinks "$PWD" "$work/src"
echo "matrix: $config builds of $(git -C "$work/src" log -1 --format='%h %s')"

build() { # name, C++ compiler
    local name=$1 cxx=$2 options=(-DCMAKE_BUILD_TYPE="$config" -DHARN_WERROR=ON)
    [ "$mode" = --quick ] && options+=(-DHARN_BUILD_TESTS=OFF -DHARN_BENCH=OFF -DHARN_FUZZ=OFF)
    echo "== $name: $("$cxx" --version | head -1)"
    cmake -S "$work/src" -B "$work/$name" -DCMAKE_CXX_COMPILER="$cxx" "${options[@]}" >/dev/null
    cmake --build "$work/$name" -j2
    if [ "$mode" = --test ]; then
        ctest --test-dir "$work/$name" -j2 -LE slow --output-on-failure
    fi
    echo "== $name: built"
}

build gcc g++
build clang clang++
