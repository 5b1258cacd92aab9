#!/bin/sh
# Times the tool's `ls --json`, `check` and `export` on a generated project against an I/O
# floor measured in the same run, and `check` on projects where half the objects miss their
# data files. Each figure is the median of RUNS runs (user + system CPU seconds and peak
# resident memory from /usr/bin/time -v); output goes through a pipe to `cat`, as the
# floor's does.
#
#   bench/tool-bench.sh [BUILD_DIR] [WORK_DIR]     (defaults build/default, /tmp/harn-tool-bench)
#   SIZE=100000 MISSING_SIZES="10000 20000 40000 100000" RUNS=5
#
# The floor of a command reads the same input files whole (`cat` to /dev/null) and writes as
# many bytes as the command wrote. The project: the demo project's points, outcrops,
# boreholes and lines repeated (bench/projgen/MakeProject.cpp).
set -eu
BUILD=${1:-build/default}
WORK=${2:-/tmp/harn-tool-bench}
SIZE=${SIZE:-100000}
MISSING_SIZES=${MISSING_SIZES:-"10000 20000 40000 100000"}
RUNS=${RUNS:-5}
HARN=$(realpath "$BUILD/harn")
MAKE=$(realpath "$BUILD/bench/harn_make_project")

mkdir -p "$WORK"
cd "$WORK"
rm -rf demo && "$HARN" demo demo >/dev/null

# median FILE: the middle line of the sorted numbers in FILE.
median() { sort -n "$1" | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }

# measure NAME COMMAND...: RUNS runs after one warm-up; prints CPU seconds and peak KiB.
measure() {
    name=$1
    shift
    : >"$name.cpu"
    : >"$name.rss"
    i=0
    while [ $i -le "$RUNS" ]; do
        /usr/bin/time -v -o "$name.time" "$@" | cat >/dev/null || true
        if [ $i -gt 0 ]; then
            awk -F': ' '/User time/ {u = $2} /System time/ {s = $2} END {print u + s}' \
                "$name.time" >>"$name.cpu"
            awk -F': ' '/Maximum resident/ {print $2}' "$name.time" >>"$name.rss"
        fi
        i=$((i + 1))
    done
    printf '%-34s cpu %8.3f s   peak %8d KiB\n' "$name" "$(median "$name.cpu")" \
        "$(median "$name.rss")"
}

# A project that was just written is "recently changed" for a second (its folder names are
# then read again on each miss); let that pass, as it would between writing and checking.
project() {
    rm -rf "$1" && "$MAKE" demo "$1" "$2" "$3" && sleep 2
}

project p "$SIZE" 0
inputs_db=p/HARNPLAN.DBS
for cmd in "ls --json" "export" "check"; do
    bytes=$("$HARN" $cmd p | wc -c)
    tag=$(echo "$cmd" | tr -d ' -')
    measure "harn $cmd ($SIZE)" "$HARN" $cmd p
    if [ "$cmd" = "ls --json" ]; then
        measure "  floor ($tag)" sh -c "cat $inputs_db >/dev/null; head -c $bytes /dev/zero"
    else
        measure "  floor ($tag)" sh -c \
            "find p -type f -print0 | xargs -0 cat >/dev/null; head -c $bytes /dev/zero"
    fi
done
measure "harn export --format csv ($SIZE)" "$HARN" export --format csv p

for n in $MISSING_SIZES; do
    project "m$n" "$n" $((n / 2))
    measure "harn check, half missing ($n)" "$HARN" check "m$n"
done
for n in 10000 $SIZE; do
    [ -d "p$n" ] || project "p$n" "$n" 0
    measure "harn export memory ($n)" "$HARN" export "p$n"
done
