#!/usr/bin/env bash
# Installs the build tools and libraries when they are missing (Debian).
set -euo pipefail
need=()
command -v cmake >/dev/null || need+=(cmake)
command -v g++ >/dev/null || need+=(g++)
command -v clang++ >/dev/null || need+=(clang)
# The fuzz programs: libFuzzer and the sanitizer runtimes of clang, and llvm-profdata and
# llvm-cov for the line coverage of the fuzz targets (scripts/fuzz-*.sh, the fuzz presets).
compgen -G "/usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a" >/dev/null ||
    need+=(libclang-rt-14-dev)
command -v llvm-profdata-14 >/dev/null && command -v llvm-cov-14 >/dev/null || need+=(llvm-14)
command -v python3 >/dev/null || need+=(python3)
[ -f /usr/lib/x86_64-linux-gnu/libgtest.a ] || [ -f /usr/lib/libgtest.a ] || need+=(libgtest-dev)
[ -d /usr/src/googletest ] || need+=(googletest)
[ -f /usr/include/benchmark/benchmark.h ] || need+=(libbenchmark-dev)
# rsvg-convert renders drawings to PNG (harn draw -o FILE.png, tool tests); the report test
# loads the page in headless Chromium (both tests are skipped without them).
command -v rsvg-convert >/dev/null || need+=(librsvg2-bin)
command -v chromium >/dev/null || need+=(chromium)
if [ ${#need[@]} -gt 0 ]; then
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO=sudo
    $SUDO apt-get update
    $SUDO apt-get install -y "${need[@]}"
fi
