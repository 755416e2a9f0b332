#!/usr/bin/env python3
"""Runs one Zentrola method over a TSV of instances (the columns of public.tsv) and prints, per
row and in total: barrier, lower bound, status, time, peak memory, and the comparison with the
columns fp_w4d, exact_direct and exact_any. Instances run one after the other.

  bench/methods/run_methods.py -m exact -t 60 [-M MiB] [--bin build/zentrola] [--tsv public.tsv]
                               [--max-len N] [--limit N] [--every K] [--ids a,b]
"""
import argparse
import csv
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

LAST = re.compile(r"^barrier=(-?\d+\.\d\d) lower_bound=(-?\d+\.\d\d) status=(optimal|bounded)(?: stop=\w+)?$")
INFO = re.compile(r"^\w+: ([0-9.]+) s \(cpu ([0-9.]+) s\), (\d+) structures stored, ([0-9.]+) MiB$")
EA_BEST = re.compile(r"^the barrier energy is (-?[0-9.]+)$")
ANCHORS = ("fp_w4d", "exact_direct", "exact_any")


def run_one(args, row, workdir):
    faa = os.path.join(workdir, "in.faa")
    with open(faa, "w") as f:
        f.write("%s\n%s\n%s\n%s\n" % (row["id"], row["sequence"], row["A"], row["B"]))
    cfg = os.path.join(workdir, "config")
    if not os.path.exists(cfg):
        open(cfg, "w").close()
    cmd = [args.bin, "-i", faa, "-d", os.path.join(workdir, "out"), "-c", cfg, "-s", str(args.seed)]
    if args.method != "ea":
        cmd += ["-m", args.method]
    if args.t is not None:
        cmd += ["-t", str(args.t)]
    if args.w is not None:
        cmd += ["-w", str(args.w)]
    if args.M is not None:
        cmd += ["-M", str(args.M)]
    start = time.monotonic()
    proc = subprocess.Popen(cmd, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    out = proc.stdout.read()
    _, status, usage = os.wait4(proc.pid, 0)  # reaps the child: its own peak resident memory
    proc.returncode = os.waitstatus_to_exitcode(status)
    wall = time.monotonic() - start
    r = {"wall": wall, "peak": usage.ru_maxrss / 1024.0, "rc": proc.returncode,
         "cpu": usage.ru_utime + usage.ru_stime}
    lines = out.splitlines()
    for line in lines:
        m = INFO.match(line)
        if m:
            r["time"] = float(m.group(1))
            r["mcpu"] = float(m.group(2))
            r["states"] = int(m.group(3))
            r["mib"] = float(m.group(4))
        m = LAST.match(line)
        if m:
            r["barrier"], r["lb"], r["status"] = float(m.group(1)), float(m.group(2)), m.group(3)
        m = EA_BEST.match(line)
        if m and args.method == "ea":
            r["barrier"] = float(m.group(1))
    if args.method == "ea":
        r["time"] = wall
        r["lb"], r["status"] = float("nan"), "-"
    return r


def peak_of_child(args_list):
    return None


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("-m", "--method", required=True, choices=["ea", "direct", "exact", "auto"])
    ap.add_argument("-t", type=float, default=None)
    ap.add_argument("-w", type=int, default=None)
    ap.add_argument("-M", type=int, default=None, help="memory cap of the exact search, MiB")
    ap.add_argument("--bin", default="build/zentrola")
    ap.add_argument("--tsv", default=os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "public.tsv"))
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--max-len", type=int, default=None)
    ap.add_argument("--limit", type=int, default=None)
    ap.add_argument("--every", type=int, default=1, help="take every K-th row")
    ap.add_argument("--ids", default=None)
    args = ap.parse_args()

    rows = list(csv.DictReader(open(args.tsv), delimiter="\t"))
    if args.ids:
        keep = set(args.ids.split(","))
        rows = [r for r in rows if r["id"] in keep]
    if args.max_len:
        rows = [r for r in rows if int(r["len"]) <= args.max_len]
    rows = rows[:: args.every]
    if args.limit:
        rows = rows[: args.limit]

    work = tempfile.mkdtemp(prefix="zmethods.")
    results = []
    print("id\tlen\tbpdist\tbarrier\tlower_bound\tstatus\ttime_s\tcpu_s\twall_s\tpeak_MiB\tfp_w4d\texact_direct\t"
          "exact_any")
    try:
        for row in rows:
            r = run_one(args, row, work)
            results.append((row, r))
            print("%s\t%s\t%s\t%s\t%s\t%s\t%.4f\t%.4f\t%.3f\t%s\t%s\t%s\t%s" % (
                row["id"], row["len"], row["bpdist"], "%.2f" % r["barrier"] if "barrier" in r else "ERR",
                "%.2f" % r["lb"] if "lb" in r else "ERR", r.get("status", "ERR"), r.get("time", float("nan")), r.get("mcpu", float("nan")),
                r["wall"], "%.1f" % r["peak"] if r["peak"] is not None else "NA",
                row["fp_w4d"], row["exact_direct"], row["exact_any"]), flush=True)
    finally:
        shutil.rmtree(work, ignore_errors=True)

    ok = [(row, r) for row, r in results if "barrier" in r]
    print("\n# %s%s on %d rows (%d failed)" % (args.method, " -t %g" % args.t if args.t else "", len(results),
                                             len(results) - len(ok)))
    for a in ANCHORS:
        known = [(row, r) for row, r in ok if row[a] != "NA"]
        eq = sum(1 for row, r in known if abs(r["barrier"] - float(row[a])) < 0.005)
        better = sum(1 for row, r in known if r["barrier"] < float(row[a]) - 0.005)
        worse = len(known) - eq - better
        print("# vs %-12s known %3d: equal %3d (%.1f %%), better %3d, worse %3d" % (
            a, len(known), eq, 100.0 * eq / max(1, len(known)), better, worse))
    proved = [(row, r) for row, r in ok if r.get("status") == "optimal"]
    known_any = [(row, r) for row, r in ok if row["exact_any"] != "NA"]
    proved_known = [(row, r) for row, r in proved if row["exact_any"] != "NA"]
    wrong = [row["id"] for row, r in proved_known if abs(r["barrier"] - float(row["exact_any"])) >= 0.005]
    print("# proved optimal: %d of %d; of the %d rows with exact_any known: %d (%.1f %%); proofs that differ "
          "from exact_any: %d %s; proved where exact_any is NA: %d of %d" % (
              len(proved), len(ok), len(known_any), len(proved_known),
              100.0 * len(proved_known) / max(1, len(known_any)), len(wrong), ",".join(wrong),
              len(proved) - len(proved_known), len(ok) - len(known_any)))
    if proved_known:
        print("# on the proved rows with exact_any known: median time %.4f s (cpu %.4f s, process wall %.4f s), "
              "median exact_any_sec %.4f s (of all %d known rows: %.4f s)" % (
                  statistics.median(r["time"] for _, r in proved_known),
                  statistics.median(r.get("mcpu", r["cpu"]) for _, r in proved_known),
                  statistics.median(r["wall"] for _, r in proved_known),
                  statistics.median(float(row["exact_any_sec"]) for row, _ in proved_known), len(known_any),
                  statistics.median(float(row["exact_any_sec"]) for row, _ in known_any)))
    if ok:
        print("# all rows: median time %.4f s (cpu %.4f s, process wall %.4f s); median fp_w4d_sec %.4f s" % (
            statistics.median(r["time"] for _, r in ok), statistics.median(r.get("mcpu", r["cpu"]) for _, r in ok),
            statistics.median(r["wall"] for _, r in ok),
            statistics.median([float(row.get("fp_w4d_sec", "nan")) for row, _ in ok])))
    gaps = [r["barrier"] - r["lb"] for _, r in ok if r.get("status") == "bounded"]
    if gaps:
        print("# unproved rows: %d, gap barrier - lower bound median %.2f max %.2f kcal/mol" % (
            len(gaps), statistics.median(gaps), max(gaps)))
    groups = [(0, 60), (61, 100), (101, 150), (151, 200), (201, 250), (251, 10 ** 6)]
    for lo, hi in groups:
        g = [(row, r) for row, r in ok if lo <= int(row["len"]) <= hi]
        if not g:
            continue
        peaks = [r["peak"] for _, r in g if r["peak"] is not None]
        print("# length %d-%s: %3d rows, time median %.3f s mean %.3f s max %.3f s, peak memory median %.1f MiB "
              "max %.1f MiB, proved %d" % (
                  lo, str(hi) if hi < 10 ** 6 else "", len(g), statistics.median(r["time"] for _, r in g),
                  statistics.mean(r["time"] for _, r in g), max(r["time"] for _, r in g),
                  statistics.median(peaks) if peaks else float("nan"), max(peaks) if peaks else float("nan"),
                  sum(1 for _, r in g if r.get("status") == "optimal")))
        stored = [r["states"] for _, r in g if "states" in r]
        # bytes per stored structure from the reported MiB, on runs large enough that the fixed cost
        # (the program, the first tables) does not dominate
        big = [r["mib"] * 2 ** 20 / r["states"] for _, r in g if r.get("states", 0) >= 10 ** 6]
        if stored:
            print("#   stored structures median %d max %d; bytes per stored structure (runs of at least 1 M) %s" % (
                statistics.median(stored), max(stored),
                "median %.1f over %d runs" % (statistics.median(big), len(big)) if big else "NA"))


if __name__ == "__main__":
    sys.exit(main())
