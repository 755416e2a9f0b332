#!/usr/bin/env python3
"""Checks a workflow summary against the command line run by hand on every instance of the table:
same barrier (and lower bound, when printed) for each run that ends well, failed with the program's own
message (its input file's line named as the table's row and column) and blank E(A), E(B) otherwise.
With --same-as, also checks that another summary agrees on everything but timings.
Usage: check_summary.py RESULTS INSTANCES.tsv ZENTROLA_CONFIG [--same-as OTHER/summary.tsv]"""
import csv
import re
import subprocess
import sys
import tempfile


def table(path):
    with open(path, newline="") as f:
        return list(csv.DictReader(f, delimiter="\t", quoting=csv.QUOTE_NONE))


def by_hand(row, config):
    with tempfile.TemporaryDirectory() as tmp:
        with open(f"{tmp}/in.faa", "w") as f:
            f.write(f"{row['id']}\n{row['sequence']}\n{row['A']}\n{row['B']}\n")
        done = subprocess.run(["build/zentrola", "-i", f"{tmp}/in.faa", "-d", f"{tmp}/out", "-c", config, "-s", "1"],
                              capture_output=True, text=True)
    lines = [line.strip() for line in (done.stdout + done.stderr).splitlines() if line.strip()]
    final = re.findall(r"barrier=(\S+) lower_bound=(\S+)|^the barrier energy is (\S+)$", done.stdout, re.M)
    return done.returncode, lines[-1] if lines else "", final[-1] if final else None


def main(results, instances, config, other=None):
    summary, problems = table(f"{results}/summary.tsv"), []
    rows = table(instances)
    if [s["id"] for s in summary] != [r["id"] for r in rows]:
        problems.append("the summary's ids are not the table's, in order")
    for n, (row, got) in enumerate(zip(rows, summary), 1):
        code, last, final = by_hand(row, config)
        line = re.match(r"line ([1-4]) \(.*?\): (.*)", last)
        if line:
            last = f"row {n}, column {['id', 'sequence', 'A', 'B'][int(line.group(1)) - 1]}: {line.group(2)}"
        if got["family"] != row["family"]:
            problems.append(f"{row['id']}: the passed-through column changed")
        if code != 0:
            expected = ("failed", str(code), last, "", "")
            if (got["status"], got["exit_status"], got["message"], got["E_A"], got["E_B"]) != expected:
                problems.append(f"{row['id']}: expected failed, {code}, {last!r}; got {got}")
        elif (got["barrier"], got["lower_bound"]) != (final[0] or final[2], final[1]) or got["status"] == "failed" or not got["E_A"]:
            problems.append(f"{row['id']}: the command line gives {final}; the summary {got}")
    if other:
        timings = ("seconds", "peak_mib")
        strip = lambda rows: [{k: v for k, v in r.items() if k not in timings} for r in rows]
        if strip(table(other)) != strip(summary):
            problems.append(f"{other} differs from {results}/summary.tsv beyond the timings")
    print("\n".join(problems) or f"{results}/summary.tsv: {len(rows)} rows as the command line gives them")
    return 1 if problems else 0


if __name__ == "__main__":
    args = sys.argv[1:]
    other = args[args.index("--same-as") + 1] if "--same-as" in args else None
    sys.exit(main(*args[:3], other=other))
