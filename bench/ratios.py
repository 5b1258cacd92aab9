#!/usr/bin/env python3
"""Runs harn_bench and prints each benchmark's time as a ratio to its floor from the same run."""
import json
import subprocess
import sys

# benchmark family -> floor family measured in the same run
FLOORS = {
    "BM_CHarnDbs_Init": "BM_Floor_FreadRecords",
    "BM_CHarnDbs_Findid": "BM_Floor_LinearSearch",
    "BM_List0_Sortera": "BM_Floor_StableSort",
    "BM_List0_Omsortera": "BM_Floor_StableSort",
}

binary = sys.argv[1] if len(sys.argv) > 1 else "build/default/bench/harn_bench"
out = subprocess.run([binary, "--benchmark_format=json", "--benchmark_min_time=0.2"],
                     check=True, capture_output=True, text=True).stdout
times = {b["name"]: b["cpu_time"] for b in json.loads(out)["benchmarks"]}
print(f"{'benchmark':32} {'cpu ns':>12} {'floor ns':>12} {'ratio':>8}")
for name, t in times.items():
    family, _, arg = name.partition("/")
    floor = FLOORS.get(family)
    if not floor:
        continue
    f = times.get(f"{floor}/{arg}")
    if f:
        print(f"{name:32} {t:12.0f} {f:12.0f} {t / f:8.2f}")
