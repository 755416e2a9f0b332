#!/usr/bin/env python3
"""Speed-up of move energies over full evaluation, per length and dangle model.

Runs move_bench with its repetitions interleaved at random (so that a change of load on the
machine hits both sides alike) and prints, per case, the time per call of move_delta and of
energy_dcal on the same moves (minimum over the repetitions, CPU time, ns) and their ratio.

Usage: bench/nnmodel/move_speedup.py [build/bench/nnmodel/move_bench] [extra move_bench options]
"""
import json
import subprocess
import sys


def main():
    exe = sys.argv[1] if len(sys.argv) > 1 else "build/bench/nnmodel/move_bench"
    out = subprocess.run(
        [exe, "--benchmark_filter=BM_(MoveDelta|FullEvaluation)/", "--benchmark_enable_random_interleaving=true",
         "--benchmark_format=json"] + sys.argv[2:],
        check=True, capture_output=True, text=True).stdout
    times = {}
    for b in json.loads(out)["benchmarks"]:
        if b.get("aggregate_name") in ("min", "median"):
            name, n, d = b["run_name"].split("/")[:3]
            times[(name, int(n), int(d), b["aggregate_name"])] = b["cpu_time"]
    print("length  dangles  move_ns  full_ns  speedup  (median: move_ns full_ns speedup)")
    for n in (100, 300, 1000):
        for d in (0, 1, 2):
            row = []
            for agg in ("min", "median"):
                mv, full = times[("BM_MoveDelta", n, d, agg)], times[("BM_FullEvaluation", n, d, agg)]
                row.append(f"{mv:7.1f}  {full:7.1f}  {full / mv:6.1f}x")
            print(f"{n:6d}  d{d:<7d}{row[0]}  ({row[1]})")


if __name__ == "__main__":
    main()
