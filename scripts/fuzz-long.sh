#!/usr/bin/env bash
# A long libFuzzer run of the fuzz targets (ASan + UBSan), one target after the other at the
# lowest priority, and a report per target: executions, libFuzzer's coverage figures (cov:
# edges, ft: features) and findings.
#
#   scripts/fuzz-long.sh [-t SECONDS] [-w WORKDIR] [-j JOBS] [TARGET...]   fuzz, then report
#   scripts/fuzz-long.sh -r [-w WORKDIR]                                    report only
#   scripts/fuzz-long.sh -s [-w WORKDIR] [TARGET...]    corpus into the repository's seeds
#
#   -t SECONDS  time per target (default 600)
#   -w WORKDIR  corpora, findings, logs and results (default $HARN_FUZZ_WORK or
#               /tmp/harn-fuzz-long); keep it outside the repository. The corpora grow from
#               one run to the next.
#   -j JOBS     targets fuzzed at the same time (default 1; 2 only on an idle machine)
#   -s          minimise: merge each target's corpus into fuzz/seeds/<target>/ (libFuzzer
#               -merge=1 keeps only the inputs that reach coverage the seeds there and the
#               exported seeds do not)
#   TARGET...   the targets (default: all, as harn_fuzz_replay --list names them)
#
# A target whose program stops on a finding is started again until its time is used up, so a
# finding does not end the run; each finding is kept in WORKDIR/findings/<target>/ (crash-*,
# leak-*, oom-*, timeout-*). Replay one with the program itself or any build's driver:
#   build/fuzz/fuzz/harn_fuzz_<target> FILE
#   build/default/fuzz/harn_fuzz_replay --target <target> --file FILE
# WORKDIR/results.tsv gets one line per target and run; the report sums it per target.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

seconds=600
work=${HARN_FUZZ_WORK:-/tmp/harn-fuzz-long}
jobs=1
report_only=0
minimise=0
while getopts "t:w:j:rs" opt; do
    case $opt in
    t) seconds=$OPTARG ;;
    w) work=$OPTARG ;;
    j) jobs=$OPTARG ;;
    r) report_only=1 ;;
    s) minimise=1 ;;
    *) sed -n '2,22p' "$0" >&2; exit 2 ;;
    esac
done
shift $((OPTIND - 1))

# Limits of every run: an input taking more than 10 s is a hang; one allocation above
# 256 MB or a process above 1 GB is an unbounded allocation (a damaged count taken as a size).
# No reader needs more: the largest project file is a few hundred kilobytes.
malloc_mb=${HARN_FUZZ_MALLOC_MB:-256}
rss_mb=${HARN_FUZZ_RSS_MB:-1024}
max_len=${HARN_FUZZ_MAX_LEN:-16384}
# Allocation stacks are not recorded (they cost a tenth of the time); a finding is replayed
# afterwards with the full report.
export ASAN_OPTIONS=${ASAN_OPTIONS:-malloc_context_size=0:detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

report() {
    local results=$work/results.tsv
    [ -f "$results" ] || { echo "no results in $work yet"; return 0; }
    awk -F'\t' -v work="$work" '
        { runs[$2] += $3; secs[$2] += $4; cov[$2] = $5; ft[$2] = $6; corp[$2] = $7
          if (!($2 in order)) { order[$2] = ++n; names[n] = $2 } }
        END {
            printf "%-14s %12s %9s %8s %7s %7s %7s %9s\n", "target", "executions", "seconds",
                   "exec/s", "cov", "ft", "corpus", "findings"
            for (i = 1; i <= n; i++) {
                t = names[i]
                cmd = "ls " work "/findings/" t " 2>/dev/null | wc -l"; cmd | getline f; close(cmd)
                printf "%-14s %12d %9d %8d %7s %7s %7s %9d\n", t, runs[t], secs[t],
                       secs[t] ? runs[t] / secs[t] : 0, cov[t], ft[t], corp[t], f
                total += runs[t]; totalsecs += secs[t]; findings += f
            }
            printf "%-14s %12d %9d %8s %7s %7s %7s %9d\n", "all", total, totalsecs, "", "", "",
                   "", findings
        }' "$results"
}

if [ "$report_only" = 1 ]; then
    report
    exit 0
fi

build=$root/build/fuzz
cmake --preset fuzz >/dev/null
nice -n 19 cmake --build --preset fuzz >/dev/null
mapfile -t all < <("$build/fuzz/harn_fuzz_replay" --list)
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=("${all[@]}")

mkdir -p "$work/logs" "$work/corpus" "$work/findings"
rm -rf "$work/seeds"
"$build/fuzz/harn_fuzz_replay" --export "$work/seeds" >/dev/null

if [ "$minimise" = 1 ]; then
    for t in "${targets[@]}"; do
        # The seed folder the replay reads for the target (the project targets share one).
        dest=fuzz/seeds/$t
        case $t in project_*) dest=fuzz/seeds/project ;; esac
        mkdir -p "$dest"
        before=$(ls "$dest" | wc -l)
        # The exported seeds (the seed folders, samples and table cases) count as present;
        # the merge adds to a copy of them what reaches more.
        rm -rf "$work/merge-base"
        cp -r "$work/seeds/$t" "$work/merge-base"
        "$build/fuzz/harn_fuzz_$t" -merge=1 -timeout=10 -malloc_limit_mb="$malloc_mb" \
            -rss_limit_mb="$rss_mb" -max_len="$max_len" "$work/merge-base" \
            "$work/corpus/$t" >"$work/logs/$t-merge.log" 2>&1
        # What the merge put into the copy of the exported seeds is new: into the repository.
        for f in "$work/merge-base"/*; do
            [ -e "$work/seeds/$t/$(basename "$f")" ] || cp "$f" "$dest/"
        done
        echo "$t: $before seed files in $dest, now $(ls "$dest" | wc -l)"
    done
    exit 0
fi

# Fuzzes one target for $seconds, restarting after a finding; appends its line to results.
fuzz_one() {
    local t=$1 program=$build/fuzz/harn_fuzz_$1
    local corpus=$work/corpus/$t findings=$work/findings/$t
    local stamp log left runs=0 cov=0 ft=0 corp=0 start now
    mkdir -p "$corpus" "$findings"
    stamp=$(date -u +%Y%m%dT%H%M%S)
    start=$(date +%s)
    left=$seconds
    local n=0
    while [ "$left" -gt 0 ]; do
        n=$((n + 1))
        log=$work/logs/$t-$stamp-$n.log
        # Kept inputs go to the corpus (first folder); the exported seeds (which hold
        # fuzz/seeds/<target>/) are only read.
        nice -n 19 "$program" "$corpus" "$work/seeds/$t" \
            -max_total_time="$left" -timeout=10 -malloc_limit_mb="$malloc_mb" \
            -rss_limit_mb="$rss_mb" -max_len="$max_len" -print_final_stats=1 \
            -artifact_prefix="$findings/" >"$log" 2>&1 || true
        runs=$((runs + $(awk '/stat::number_of_executed_units/ {n = $2} END {print n + 0}' "$log")))
        read -r cov ft corp < <(awk '/ cov: / { for (i = 1; i < NF; i++) { if ($i == "cov:") c = $(i + 1);
                                   if ($i == "ft:") f = $(i + 1); if ($i == "corp:") { split($(i + 1), a, "/"); p = a[1] } } }
                                   END { print c + 0, f + 0, p + 0 }' "$log")
        if ! grep -q "stat::number_of_executed_units" "$log"; then
            # Stopped on a finding (no final statistics): count the runs it reported.
            runs=$((runs + $(awk '/^#[0-9]+/ {sub("#", "", $1); n = $1} END {print n + 0}' "$log")))
        fi
        grep -q "^==[0-9]*==\|^SUMMARY\|broken invariant\|Test unit written" "$log" &&
            echo "$t: finding, see $log" >&2
        now=$(date +%s)
        left=$((seconds - (now - start)))
    done
    printf "%s\t%s\t%d\t%d\t%d\t%d\t%d\n" "$stamp" "$t" "$runs" "$(($(date +%s) - start))" \
        "$cov" "$ft" "$corp" >>"$work/results.tsv"
    echo "$t: $runs executions, cov $cov, ft $ft, corpus $corp"
}

running=0
for t in "${targets[@]}"; do
    [ -x "$build/fuzz/harn_fuzz_$t" ] || { echo "no program harn_fuzz_$t" >&2; exit 2; }
    fuzz_one "$t" &
    running=$((running + 1))
    if [ "$running" -ge "$jobs" ]; then
        wait -n || true
        running=$((running - 1))
    fi
done
wait
report
