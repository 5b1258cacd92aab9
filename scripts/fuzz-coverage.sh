#!/usr/bin/env bash
# Line coverage of each fuzz target's parsing files (fuzz/coverage-files.txt), from its seeds
# alone and from its seeds and the corpus a long run grew (scripts/fuzz-long.sh), with
# clang's source-based coverage (the fuzz-coverage preset, llvm-profdata and llvm-cov).
# Exits 1 when a target's corpus reaches fewer lines than its seeds.
#
#   scripts/fuzz-coverage.sh [-w WORKDIR] [TARGET...]
#
#   -w WORKDIR  the long run's folder (default $HARN_FUZZ_WORK or /tmp/harn-fuzz-long);
#               its corpus/<target>/ is measured, and coverage/ gets the profiles and
#               reports (report-<target>.txt: lines per file after fuzzing)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
work=${HARN_FUZZ_WORK:-/tmp/harn-fuzz-long}
while getopts "w:" opt; do
    case $opt in
    w) work=$OPTARG ;;
    *) sed -n '2,12p' "$0" >&2; exit 2 ;;
    esac
done
shift $((OPTIND - 1))

llvm_suffix=-14
profdata=$(command -v llvm-profdata$llvm_suffix || command -v llvm-profdata)
cov=$(command -v llvm-cov$llvm_suffix || command -v llvm-cov)

cmake --preset fuzz-coverage >/dev/null
nice -n 19 cmake --build --preset fuzz-coverage >/dev/null
build=$root/build/fuzz-coverage/fuzz
out=$work/coverage
rm -rf "$out"
mkdir -p "$out"
# The instrumented driver's own profile goes to the work folder, not the current one.
export LLVM_PROFILE_FILE="$out/driver.profraw"
"$build/harn_fuzz_replay" --export "$out/seeds" >/dev/null

targets=("$@")
[ ${#targets[@]} -gt 0 ] || mapfile -t targets < <("$build/harn_fuzz_replay" --list)

# Lines, missed lines of the given sources under a profile: "covered total".
lines_of() {
    local program=$1 profile=$2
    shift 2
    "$cov" report "$program" -instr-profile="$profile" "$@" |
        awk '$1 == "TOTAL" { print $8 - $9, $8 }'
}

# Runs a program over inputs (each once) and merges its profile.
measure() {
    local program=$1 name=$2
    shift 2
    rm -f "$out/$name".*.profraw
    LLVM_PROFILE_FILE="$out/$name.%p.profraw" nice -n 19 "$program" -runs=0 -timeout=10 \
        -rss_limit_mb=2048 "$@" >"$out/$name.log" 2>&1 || {
        echo "$name: the program stopped (see $out/$name.log)" >&2
        return 1
    }
    "$profdata" merge -sparse "$out/$name".*.profraw -o "$out/$name.profdata"
}

printf "%-14s %18s %18s %s\n" "target" "seeds (lines)" "fuzzed (lines)" "files"
status=0
for t in "${targets[@]}"; do
    mapfile -t files < <(awk -v t="$t" -v root="$root" '$1 == t { for (i = 2; i <= NF; i++) print root "/" $i }' \
        fuzz/coverage-files.txt)
    if [ ${#files[@]} -eq 0 ]; then
        echo "$t: no parsing files in fuzz/coverage-files.txt" >&2
        status=1
        continue
    fi
    program=$build/harn_fuzz_$t
    seeds=("$out/seeds/$t")
    measure "$program" "$t-seeds" "${seeds[@]}"
    read -r s_cov s_all < <(lines_of "$program" "$out/$t-seeds.profdata" "${files[@]}")
    corpus=$work/corpus/$t
    if [ -d "$corpus" ] && [ -n "$(ls -A "$corpus")" ]; then
        measure "$program" "$t-fuzzed" "${seeds[@]}" "$corpus"
        read -r f_cov f_all < <(lines_of "$program" "$out/$t-fuzzed.profdata" "${files[@]}")
        "$cov" report "$program" -instr-profile="$out/$t-fuzzed.profdata" "${files[@]}" \
            >"$out/report-$t.txt"
    else
        f_cov=0 f_all=$s_all
    fi
    printf "%-14s %7d/%-5d %5.1f%% %7d/%-5d %5.1f%% %s\n" "$t" "$s_cov" "$s_all" \
        "$(awk -v a="$s_cov" -v b="$s_all" 'BEGIN { print b ? 100 * a / b : 0 }')" \
        "$f_cov" "$f_all" "$(awk -v a="$f_cov" -v b="$f_all" 'BEGIN { print b ? 100 * a / b : 0 }')" \
        "$(awk -v t="$t" '$1 == t { $1 = ""; print }' fuzz/coverage-files.txt)"
    [ "$f_cov" -ge "$s_cov" ] || status=1
done
exit "$status"
