#!/usr/bin/env python3
"""Runs methods over a TSV of instances with the columns id, sequence, A, B (bp_distance and others
pass through) and prints one row per instance and run, then a summary per group: count, proved,
median and largest time (the search's own, seconds), largest peak memory (MiB, resident, of the
process), and for each run after the first how often its barrier is above, equal to or below the
first run's. Instances run one after the other; timings on a loaded machine vary.

  bench/direct/run_direct.py --tsv bench/direct/czno-iso-len.tsv --group bp_distance \\
      --run direct:build/zentrola:-m,direct,-t,60
  bench/direct/run_direct.py --tsv long.tsv --group len \\
      --run today:/old/zentrola:-m,direct --run direct:build/zentrola:-m,direct,-t,60 \\
      --run auto:build/zentrola:-m,auto,-t,60,-M,2048

--run NAME:BINARY:ARGS (ARGS comma-separated) may be repeated; --every K takes every K-th row,
--max-distance D only rows with bp_distance <= D.
"""
import argparse
import csv
import os
import shutil
import statistics
import sys
import tempfile
import types

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "methods"))
import run_methods  # noqa: E402  (run_one: one process, its output parsed, its peak memory)


def run(binary, extra, row, work):
    a = types.SimpleNamespace(bin=binary, seed=1, method="direct", t=None, w=None, M=None)
    faa = os.path.join(work, "in.faa")
    with open(faa, "w") as f:
        f.write("%s\n%s\n%s\n%s\n" % (row["id"], row["sequence"], row["A"], row["B"]))
    # run_one builds the command from `a`; the extra arguments replace its method options.
    orig = run_methods.subprocess.Popen

    def popen(cmd, **kw):
        cut = cmd.index("-m") if "-m" in cmd else len(cmd)
        return orig(cmd[:cut] + extra, **kw)

    run_methods.subprocess.Popen = popen
    try:
        return run_methods.run_one(a, row, work)
    finally:
        run_methods.subprocess.Popen = orig


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--tsv", required=True)
    ap.add_argument("--run", action="append", required=True)
    ap.add_argument("--group", default="bp_distance", help="bp_distance or len")
    ap.add_argument("--every", type=int, default=1)
    ap.add_argument("--max-distance", type=int, default=None)
    args = ap.parse_args()
    runs = []
    for given in args.run:
        name, binary, extra = given.split(":", 2)
        runs.append((name, binary, extra.split(",") if extra else []))
    rows = list(csv.DictReader(open(args.tsv), delimiter="\t"))[:: args.every]
    if args.max_distance is not None:
        rows = [r for r in rows if int(r["bp_distance"]) <= args.max_distance]
    work = tempfile.mkdtemp(prefix="zdirect.")
    res = []
    print("id\tlen\tbp_distance\trun\tbarrier\tlower_bound\tstatus\ttime_s\twall_s\tpeak_MiB")
    try:
        for row in rows:
            row["len"] = str(len(row["sequence"]))
            got = {}
            for name, binary, extra in runs:
                r = run(binary, extra, row, work)
                got[name] = r
                print("%s\t%s\t%s\t%s\t%s\t%s\t%s\t%.3f\t%.3f\t%.1f" % (
                    row["id"], row["len"], row["bp_distance"], name, "%.2f" % r["barrier"] if "barrier" in r else "ERR",
                    "%.2f" % r["lb"] if "lb" in r else "ERR", r.get("status", "ERR"), r.get("time", float("nan")),
                    r["wall"], r["peak"]), flush=True)
            res.append((row, got))
    finally:
        shutil.rmtree(work, ignore_errors=True)
    keys = sorted({int(row[args.group]) for row, _ in res})
    first = runs[0][0]
    print("\n# group\trun\tn\tproved\tmedian_s\tmax_s\tmax_wall_s\tmax_peak_MiB\tabove/equal/below %s" % first)
    for k in keys:
        g = [(row, got) for row, got in res if int(row[args.group]) == k]
        for name, _, _ in runs:
            rs = [got[name] for _, got in g if "barrier" in got[name]]
            if not rs:
                print("# %d\t%s\t%d\tall failed" % (k, name, len(g)))
                continue
            cmp = ""
            if name != first:
                both = [(got[name]["barrier"], got[first]["barrier"]) for _, got in g
                        if "barrier" in got[name] and "barrier" in got[first]]
                cmp = "%d/%d/%d" % (sum(a > b + 0.005 for a, b in both), sum(abs(a - b) < 0.005 for a, b in both),
                                    sum(a < b - 0.005 for a, b in both))
            print("# %d\t%s\t%d\t%d\t%.3f\t%.3f\t%.3f\t%.1f\t%s" % (
                k, name, len(rs), sum(r.get("status") == "optimal" for r in rs),
                statistics.median(r["time"] for r in rs), max(r["time"] for r in rs), max(r["wall"] for r in rs),
                max(r["peak"] for r in rs), cmp))
    return 0


if __name__ == "__main__":
    sys.exit(main())
