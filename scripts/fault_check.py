#!/usr/bin/env python3
"""Checks that the test suite catches ten deliberate faults.

Each fault is a one-line edit of the product code. It is applied alone to a checkout, the
checkout's build/ is rebuilt, the whole suite runs, and the failing tests are printed; then
the edit is undone. Run it on a separate checkout (git worktree add), never on your working
tree, since it edits files in place:

  git worktree add /tmp/faults HEAD && cmake -S /tmp/faults -B /tmp/faults/build
  scripts/fault_check.py /tmp/faults [fault numbers...]

A fault whose edit no longer applies (the code moved) stops the script with an assertion.
"""
import os
import re
import subprocess
import sys

W = os.path.abspath(sys.argv[1])
F = [
 (1, "src/model/chain.h", "kStrategyPerturb,      kStrategyShift,       kStrategyStack}", "kStrategyPerturb,      kStrategyStack,       kStrategyShift}", "shift/stack allotment slots swapped"),
 (2, "src/operators/adddel.cpp", "A, n, kStrategyAddDel);", "A, n, kStrategyBringForward);", "wrong strategy id for adddel (6 -> 5)"),
 (3, "src/operators/postpone.cpp", "        const BP a = va[k].b;\n        int limit = 0;", "        const BP a = va[k].b;\n        int limit = -1;", "bring-forward may insert at index 0 (index-1 rule)"),
 (4, "src/operators/shift.cpp", "const int kWindow = 3;", "const int kWindow = 2;", "shift window 3 -> 2"),
 (5, "src/model/trim.cpp", "return s.outer.lp <= i && i <= s.outer.rp;", "return s.outer.lp <= i && i < s.outer.rp;", "trimming off by one (last base of a shared helix kept)"),
 (6, "src/search/driver.cpp", "return x.avge < y.avge;", "return x.avge > y.avge;", "ranking tie broken the wrong way"),
 (7, "src/nnmodel/eval.cpp", "                else if (q < n)\n                    e += P.dangle3[t][S[q + 1]];", "                else if (q < n)\n                    e += 0;", "d2 exterior 3' dangle dropped"),
 (8, "src/energy/barrier.cpp", "if (fill_cache) cache[vs_notinM[k]] = ve_notinM[k];", "(void)fill_cache;", "energy cache store missing"),
 (9, "src/search/strategy.cpp", "share > cf.MINSTRATEGYOFFSPRINGNUM ? share : cf.MINSTRATEGYOFFSPRINGNUM;", "share > 1 ? share : 1;", "allotment floor 1 instead of MINSTRATEGYOFFSPRINGNUM"),
 (10, "src/search/driver.cpp", "s.noimprove <= cf.MAXNOIMPROVE) ||", "s.noimprove < cf.MAXNOIMPROVE) ||", "stop rule < instead of <="),
]
only = [int(a) for a in sys.argv[2:]]
jobs = str(os.cpu_count() or 1)
for n, path, old, new, what in F:
    if only and n not in only:
        continue
    p = os.path.join(W, path)
    with open(p) as f:
        src = f.read()
    assert src.count(old) == 1, (n, src.count(old))
    with open(p, "w") as f:
        f.write(src.replace(old, new))
    try:
        build = subprocess.run(["cmake", "--build", "build", "-j", jobs], cwd=W, capture_output=True, text=True)
        if build.returncode != 0:  # the old binaries would pass and hide the fault
            print(n, what, "| BUILD FAILED\n" + build.stderr[-2000:], flush=True)
            continue
        t = subprocess.run(["ctest", "-j", jobs, "--timeout", "900", "--output-on-failure"], cwd=os.path.join(W, "build"),
                           capture_output=True, text=True).stdout
        failed = t.partition("The following tests FAILED:")[2]
        tests = sorted(set(re.findall(r"^\s*\d+ - (\S+)", failed, re.M)))
        summary = [line for line in t.splitlines() if "tests passed" in line]
        print(n, what, "|", " ".join(summary), "|", " ".join(tests) or "NOT CAUGHT", flush=True)
    finally:
        with open(p, "w") as f:
            f.write(src)
subprocess.run(["cmake", "--build", "build", "-j", jobs], cwd=W, capture_output=True)
