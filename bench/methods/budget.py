#!/usr/bin/env python3
"""Checks that the budgets hold on long problems: `direct -t 2 -M 64`, `exact -t 2 -M 64` and
`auto -t 5 -M 256` on copies of dsrA (examples/dsra.faa) one after the other, padded to 1,000, 5,000
and 19,999 nt (the longest sequence the input file takes) (far too many structures to prove).
Prints per run the wall time, the peak resident memory of the process (its VmHWM, read every
20 ms), the time, structures and MiB the method reports, and its summary line (or its error, when
the memory cap is below what the problem's shortest path needs).

  bench/methods/budget.py [--bin build/zentrola] [--lengths 1000,5000,19999]
"""
import argparse
import os
import re
import subprocess
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
INFO = re.compile(r"^\w+: ([0-9.]+) s \(cpu ([0-9.]+) s\), (\d+) structures stored, ([0-9.]+) MiB$")


def instance(n):
    name, seq, a, b = open(os.path.join(HERE, "..", "..", "examples", "dsra.faa")).read().split()[:4]
    k = n // len(seq)
    pad = n - k * len(seq)
    return seq * k + "A" * pad, a * k + "." * pad, b * k + "." * pad


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--bin", default="build/zentrola")
    ap.add_argument("--lengths", default="1000,5000,19999")
    args = ap.parse_args()
    work = tempfile.mkdtemp(prefix="zbudget.")
    cfg = os.path.join(work, "config")
    open(cfg, "w").close()
    print("len\tmethod\tbudget_s\tcap_MiB\twall_s\tpeak_MiB\treported_s\tstructures\treported_MiB\tsummary")
    for n in [int(x) for x in args.lengths.split(",")]:
        seq, a, b = instance(n)
        faa = os.path.join(work, "in%d.faa" % n)
        with open(faa, "w") as f:
            f.write("copies\n%s\n%s\n%s\n" % (seq, a, b))
        for method, t, m in (("direct", 2, 64), ("exact", 2, 64), ("auto", 5, 256)):
            cmd = [args.bin, "-i", faa, "-d", os.path.join(work, "out"), "-c", cfg, "-s", "1", "-m", method,
                   "-t", str(t), "-M", str(m)]
            log = os.path.join(work, "stdout.txt")
            start = time.monotonic()
            with open(log, "w") as sink:
                proc = subprocess.Popen(cmd, stdout=sink, stderr=subprocess.STDOUT)
            # The child's own peak: VmHWM of its program, read every 20 ms until it ends (its
            # ru_maxrss would count this script's peak, which the child inherits at its start).
            peak = 0
            while proc.poll() is None:
                try:
                    with open("/proc/%d/status" % proc.pid) as st:
                        for line in st:
                            if line.startswith("VmHWM:"):
                                peak = max(peak, int(line.split()[1]))
                except OSError:
                    pass
                time.sleep(0.02)
            wall = time.monotonic() - start
            info = ("NA", "NA", "NA")
            summary = "NA"
            for line in open(log):
                line = line.rstrip("\n")
                mm = INFO.match(line)
                if mm:
                    info = (mm.group(1), mm.group(3), mm.group(4))
                if line.startswith("barrier=") or line.startswith("Error:"):
                    summary = line
            print("%d\t%s\t%d\t%d\t%.2f\t%.1f\t%s\t%s\t%s\t%s" % (n, method, t, m, wall, peak / 1024.0,
                                                                  info[0], info[1], info[2], summary), flush=True)


if __name__ == "__main__":
    main()
