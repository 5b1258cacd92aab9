#!/usr/bin/env bash
# A bounded libFuzzer run for CI: builds the fuzz preset (clang, ASan + UBSan), checks that
# its texts are the same bytes as the default build's, then fuzzes every target for a few
# seconds from its seeds (regression inputs included) with the run limits of the long run.
# Exits non-zero on any finding; a finding is kept in the work folder.
#
#   scripts/fuzz-smoke.sh [SECONDS per target, default 5]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
seconds=${1:-5}

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz >/dev/null
build=$root/build/fuzz/fuzz
work=$(mktemp -d "${TMPDIR:-/tmp}/harn-fuzz-smoke-XXXXXX")
trap 'rm -rf "$work"' EXIT

# The same literal bytes as production: a refused database gives its message in the fuzz
# build and in the default build's replay driver, byte for byte, in Windows-1252 (the
# temporary folder's random name in the message is masked; libFuzzer may run an input twice
# to look for a leak, so each build's distinct lines are compared).
if [ ! -x build/default/fuzz/harn_fuzz_replay ]; then
    cmake --preset default >/dev/null
    cmake --build --preset default --target harn_fuzz_replay >/dev/null
fi
printf 'not a database' >"$work/refused.DBS"
HARN_FUZZ_MESSAGES=1 "$build/harn_fuzz_dbs" "$work/refused.DBS" 2>&1 |
    grep -a '^harn message:' | LC_ALL=C sed -E 's/harn-fuzz-[A-Za-z0-9]{6}/harn-fuzz-X/g' |
    LC_ALL=C sort -u >"$work/fuzz.txt" || true
HARN_FUZZ_MESSAGES=1 build/default/fuzz/harn_fuzz_replay --target dbs --file "$work/refused.DBS" \
    2>&1 | grep -a '^harn message:' | LC_ALL=C sed -E 's/harn-fuzz-[A-Za-z0-9]{6}/harn-fuzz-X/g' |
    LC_ALL=C sort -u >"$work/default.txt" || true
if [ ! -s "$work/fuzz.txt" ] || ! cmp -s "$work/fuzz.txt" "$work/default.txt"; then
    echo "fuzz-smoke: the fuzz build's message differs from the default build's:" >&2
    od -c "$work/fuzz.txt" | head >&2
    od -c "$work/default.txt" | head >&2
    exit 1
fi
# "Inläsning" as Windows-1252 (0xE4), not as UTF-8 (0xC3 0xA4).
if ! grep -aq $'Inl\xe4sning' "$work/fuzz.txt" || grep -aq $'\xc3\xa4' "$work/fuzz.txt"; then
    echo "fuzz-smoke: the message is not Windows-1252:" >&2
    od -c "$work/fuzz.txt" | head >&2
    exit 1
fi
echo "fuzz-smoke: texts of the fuzz build equal the default build's ($(wc -c <"$work/fuzz.txt") bytes)"

"$build/harn_fuzz_replay" --export "$work/seeds" >/dev/null
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
failed=0
for t in $("$build/harn_fuzz_replay" --list); do
    mkdir -p "$work/corpus/$t" "$work/findings/$t"
    log=$work/$t.log
    if "$build/harn_fuzz_$t" "$work/corpus/$t" "$work/seeds/$t" \
        -max_total_time="$seconds" -timeout=10 -malloc_limit_mb=256 -rss_limit_mb=1024 \
        -max_len=16384 -print_final_stats=1 -artifact_prefix="$work/findings/$t/" >"$log" 2>&1; then
        runs=$(awk '/stat::number_of_executed_units/ {print $2}' "$log")
        printf "%-14s %8s executions, no finding\n" "$t" "$runs"
    else
        failed=1
        printf "%-14s FINDING\n" "$t"
        tail -n 40 "$log"
        mkdir -p build/fuzz/smoke-findings
        cp "$work/findings/$t/"* build/fuzz/smoke-findings/ 2>/dev/null || true
    fi
done
[ "$failed" = 0 ] || echo "fuzz-smoke: findings kept in build/fuzz/smoke-findings" >&2
exit "$failed"
