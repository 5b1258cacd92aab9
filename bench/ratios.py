#!/usr/bin/env python3
"""Runs harn_bench and prints each benchmark's median time as a ratio to its floor from the
same run (medians of the CPU time), and the growth exponent between neighbouring sizes (log(t2/t1) / log(n2/n1)):
1 is linear, 2 quadratic. Other programs may load the machine: the medians of several
repetitions are used."""
import json
import math
import subprocess
import sys

# benchmark family -> floor family measured in the same run
FLOORS = {
    "BM_CHarnDbs_Init": "BM_Floor_FreadRecords",
    "BM_CHarnDbs_InitPack": "BM_Floor_FreadPackWrite",
    "BM_CHarnDbs_Uppdat": "BM_Floor_WriteRecords",
    "BM_CHarnDbs_Findid": "BM_Floor_HashLookup",
    "BM_CHarnDbs_Filnamn": "BM_Floor_FilnamnHash",
    "BM_CHarnDbs_FilnamnShared": "BM_Floor_FilnamnHashShared",
    "BM_List0_Sortera": "BM_Floor_StableSort",
    "BM_List0_Omsortera": "BM_Floor_StableSort",
    "BM_CKarnborr_Init": "BM_Floor_ReadSnd",
    "BM_CKarnborr_SaveFirst": "BM_Floor_SndFirstSave",
    "BM_CKarnborr_Resave": "BM_Floor_SndResave",
    "BM_CTunDbs_Save": "BM_Floor_TunnelSave",
}
# A second floor shown on a line of its own: the saves against the same floors with every
# record also read from memory once.
SECOND_FLOORS = {
    "BM_CKarnborr_SaveFirst": "BM_Floor_SndWalkWrite",
    "BM_CKarnborr_Resave": "BM_Floor_SndWalkResave",
}

binary = sys.argv[1] if len(sys.argv) > 1 else "build/default/bench/harn_bench"
extra = sys.argv[2:]
out = subprocess.run([binary, "--benchmark_format=json", "--benchmark_min_time=0.1",
                      "--benchmark_repetitions=5", "--benchmark_report_aggregates_only=true"]
                     + extra, check=True, capture_output=True, text=True).stdout
times = {}
for b in json.loads(out)["benchmarks"]:
    if b.get("aggregate_name") == "median":
        times[b["run_name"]] = b["cpu_time"] * {"ns": 1e-3, "us": 1, "ms": 1e3}[b["time_unit"]]

print(f"{'benchmark':36} {'cpu us':>12} {'floor us':>12} {'ratio':>7} {'growth':>7}")
previous = {}
for name, t in times.items():
    family, _, arg = name.partition("/")
    floor = FLOORS.get(family)
    f = times.get(f"{floor}/{arg}") if floor else None
    ratio = f"{t / f:7.2f}" if f else f"{'':7}"
    growth = ""
    size = arg.split("/")[0]  # without a suffix such as "/process_time"
    if family in previous and size.isdigit():
        n0, t0 = previous[family]
        growth = f"{math.log(t / t0) / math.log(int(size) / n0):7.2f}"
    if size.isdigit():
        previous[family] = (int(size), t)
    floor_text = f"{f:12.1f}" if f else f"{'':12}"
    print(f"{name:36} {t:12.1f} {floor_text} {ratio} {growth:>7}")
    second = times.get(f"{SECOND_FLOORS[family]}/{arg}") if family in SECOND_FLOORS else None
    if second:
        print(f"{'  with the records read':36} {'':12} {second:12.1f} {t / second:7.2f}")
