#!/usr/bin/env bash
# Starts several `harn new` and `harn demo` on one empty project folder at once, round after
# round, and tallies the outcome: a round is right when exactly one program succeeds, every
# other one exits non-zero, and `harn check` on the result exits as it does for a project
# made by that command alone.
#
#   bash scripts/race.sh [ROUNDS] [PROGRAMS]     (default 200 rounds, 4 programs)
#
# Three series run: only `harn new`, only `harn demo`, and both mixed. Uses the default build
# (build/default/harn), which it builds when missing.
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-200}
programs=${2:-4}
harn=build/default/harn
if [ ! -x "$harn" ]; then
    cmake --preset default >/dev/null
    cmake --build --preset default --target harn_tool -j2 >/dev/null
fi
harn=$(realpath "$harn")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The exit code of `harn check` on a project made by each command alone.
"$harn" new "$work/solo-new" >/dev/null 2>&1
"$harn" demo "$work/solo-demo" >/dev/null 2>&1
set +e
"$harn" check "$work/solo-new" >/dev/null 2>&1
check_new=$?
"$harn" check "$work/solo-demo" >/dev/null 2>&1
check_demo=$?
set -e

series() { # name, then the command of program k (k = 0..programs-1) as "new" or "demo"
    local name=$1 right=0 wrong=0 none=0 many=0 badcheck=0 badexit=0
    for ((r = 0; r < rounds; r++)); do
        local dir="$work/$name-$r" pids=() cmds=()
        for ((k = 0; k < programs; k++)); do
            local cmd
            cmd=$($2 "$k" "$r")
            cmds+=("$cmd")
            "$harn" "$cmd" "$dir" >"$dir.out$k" 2>/dev/null &
            pids+=($!)
        done
        local winners=0 winner="" codes_ok=1
        for ((k = 0; k < programs; k++)); do
            local code=0
            wait "${pids[$k]}" || code=$?
            if [ "$code" -eq 0 ]; then
                winners=$((winners + 1))
                winner=${cmds[$k]}
            elif [ "$code" -ne 1 ]; then
                codes_ok=0
            fi
        done
        local ok=1
        if [ "$winners" -eq 0 ]; then none=$((none + 1)); ok=0; fi
        if [ "$winners" -gt 1 ]; then many=$((many + 1)); ok=0; fi
        if [ "$codes_ok" -eq 0 ]; then badexit=$((badexit + 1)); ok=0; fi
        if [ "$winners" -eq 1 ]; then
            local expect=$check_new code=0
            [ "$winner" = demo ] && expect=$check_demo
            "$harn" check "$dir" >/dev/null 2>&1 || code=$?
            if [ "$code" -ne "$expect" ]; then badcheck=$((badcheck + 1)); ok=0; fi
        fi
        if [ "$ok" -eq 1 ]; then right=$((right + 1)); else wrong=$((wrong + 1)); fi
        rm -rf "$dir" "$dir".out*
    done
    printf '%-6s %d rounds x %d programs: %d right, %d wrong (no winner %d, several winners %d, other exit code %d, check differs %d)\n' \
        "$name" "$rounds" "$programs" "$right" "$wrong" "$none" "$many" "$badexit" "$badcheck"
}

only_new() { echo new; }
only_demo() { echo demo; }
mixed() { if (((${1} + ${2}) % 2)); then echo demo; else echo new; fi; }

echo "harn check exit code alone: new $check_new, demo $check_demo"
series new only_new
series demo only_demo
series mixed mixed
