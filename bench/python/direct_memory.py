#!/usr/bin/env python3
"""Resident memory of one process over many find_path(method="direct") calls.

  PYTHONPATH=build/python bench/python/direct_memory.py [--calls 10000] [--id isodist_130]

Runs the calls on one instance of bench/public.tsv (default: a 60-nt one) and prints the
resident set size after 100 warm-up calls, after all calls, and the growth (MiB); a leak of
a few hundred bytes per call shows as megabytes here.
"""
import argparse
import csv
import os
import time

import zentrola


def rss_mib():
    with open("/proc/self/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) / 1024.0
    raise RuntimeError("no VmRSS in /proc/self/status")


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--calls", type=int, default=10000)
    ap.add_argument("--id", default="isodist_130")
    ap.add_argument("--tsv", default=os.path.join(here, "..", "public.tsv"))
    args = ap.parse_args()
    with open(args.tsv, newline="") as f:
        row = next(r for r in csv.DictReader(f, delimiter="\t") if r["id"] == args.id)
    problem = (row["sequence"], row["A"], row["B"])
    for _ in range(100):
        zentrola.find_path(*problem, method="direct")
    before = rss_mib()
    started = time.monotonic()
    for _ in range(args.calls):
        r = zentrola.find_path(*problem, method="direct")
    seconds = time.monotonic() - started
    after = rss_mib()
    print("instance=%s length=%d barrier=%.2f calls=%d seconds=%.1f" % (args.id, len(problem[0]), r.barrier,
                                                                      args.calls, seconds))
    print("rss_before_mib=%.1f rss_after_mib=%.1f growth_mib=%.2f" % (before, after, after - before))


if __name__ == "__main__":
    main()
