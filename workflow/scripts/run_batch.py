# Runs Zentrola on the rows of one batch, in turn, each with its own output folder runs/<id>/ and record.json:
# exit status, message, barrier, lower bound, status, E(A) and E(B) (kcal/mol), wall seconds and peak
# resident memory (MiB) of the run. A row whose record is finished and made from the same input and
# command is kept; a failing row is recorded and the next one runs.
import json
import os
import re
import shlex
import shutil
import signal
import subprocess
import sys
import traceback
from datetime import datetime, timezone

sys.path.insert(0, snakemake.scriptdir)  # noqa: F821
from messages import in_table_terms, program_error  # noqa: E402

def run(args, rundir, limit):
    """Runs the program with its output in rundir; returns (exit status or None, message, seconds, MiB).
    GNU time measures it: a child forked from this process would count this process's memory as its own."""
    out, err, measured = (os.path.join(rundir, n) for n in ("stdout.txt", "stderr.txt", "time.txt"))
    with open(out, "w") as fo, open(err, "w") as fe:
        try:
            proc = subprocess.Popen(["/usr/bin/time", "-f", "%e %M", "-o", measured] + args, stdout=fo,
                                    stderr=fe, stdin=subprocess.DEVNULL, start_new_session=True)
        except OSError as e:
            return None, f"cannot start /usr/bin/time: {e.strerror}", 0.0, 0.0
        try:
            code = proc.wait(timeout=limit)
        except subprocess.TimeoutExpired:
            os.killpg(proc.pid, signal.SIGKILL)
            proc.wait()
            return None, f"stopped after the time limit of {limit:g} s", float(limit), 0.0
    with open(measured) as f:
        lines = f.read().splitlines()
    seconds, kib = (float(v) for v in lines[-1].split())
    killed = re.search(r"terminated by signal (\d+)", "\n".join(lines))
    if killed:
        return None, f"killed by {signal.Signals(int(killed.group(1))).name}", seconds, kib / 1024
    if not code:
        return code, "", seconds, kib / 1024
    with open(out, errors="replace") as fo, open(err, errors="replace") as fe:
        return code, program_error(fo.read(), fe.read()), seconds, kib / 1024


def outcome(rundir, stdout):
    """(barrier, lower bound, status): the final line of the newer methods, else the result file's last line."""
    with open(stdout, errors="replace") as f:
        lines = re.findall(r"^barrier=(\S+) lower_bound=(\S+) status=(\S+)(?: .*)?$", f.read(), re.M)
    if lines:
        return lines[-1]
    result = os.path.join(rundir, "result.txt")
    with open(result if os.path.exists(result) else os.devnull, errors="replace") as f:
        rows = re.findall(r"^\d+\t(-?\d+(?:\.\d+)?)$", f.read(), re.M)  # generation, best barrier
    return (rows[-1], "", "done") if rows else None


def energies(command, sequence, a, b):
    """E(A), E(B) in kcal/mol as the command prints them, or blanks when it cannot evaluate them."""
    if not command:
        return "", ""
    try:
        done = subprocess.run(shlex.split(command), input=f"{sequence}\n{a}\n{sequence}\n{b}\n",
                              capture_output=True, text=True, timeout=60)
    except (OSError, subprocess.TimeoutExpired):
        return "", ""
    found = re.findall(r"\(\s*(-?\d+\.\d+)\)$", done.stdout, re.M)
    return tuple(found) if done.returncode == 0 and len(found) == 2 else ("", "")


def run_row(row, results, limit, rnaeval, stamp):
    rundir = os.path.join(results, "runs", row["id"])
    shutil.rmtree(rundir, ignore_errors=True)  # nothing of an earlier run may be mistaken for this one's
    os.makedirs(rundir)
    inputs = os.path.join(results, "inputs")
    os.makedirs(inputs, exist_ok=True)
    with open(os.path.join(inputs, f"{row['id']}.faa"), "w") as f:
        f.write("\n".join([row["id"], row["sequence"], row["A"], row["B"]]) + "\n")
    started = datetime.now(timezone.utc).isoformat()
    code, message, seconds, mib = run(row["args"], rundir, limit)
    found = outcome(rundir, os.path.join(rundir, "stdout.txt")) if code == 0 else None
    if code == 0 and not found:
        message = "the run ended without a barrier"
    rejected = code not in (0, None)
    return {
        "exit_status": code, "message": in_table_terms(message, row["row"]), "seconds": round(seconds, 3),
        "peak_mib": round(mib, 1), "barrier": found[0] if found else "", "lower_bound": found[1] if found else "",
        "status": found[2] if found else "failed",
        **dict(zip(("E_A", "E_B"), ("", "") if rejected else energies(rnaeval, row["sequence"], row["A"], row["B"]))),
        "command": shlex.join(row["args"]), "started": started, "stamp": stamp,
        # An exit status of the program's own is its answer; a run killed or not started (126, 127) is redone.
        "retry": code is None or code in (126, 127),
    }


def kept(path, stamp):
    try:
        with open(path) as f:
            record = json.load(f)
        return record if record.get("stamp") == stamp and not record.get("retry", True) else None
    except (OSError, ValueError, AttributeError):
        return None


def main(sm):
    log, results = [], os.path.dirname(os.path.dirname(sm.output[0]))  # <results>/batches/<k>.txt
    for row in sm.params.rows:
        stamp = [row["id"], row["sequence"], row["A"], row["B"], row["args"], sm.params.time_limit, sm.params.rnaeval]
        path = os.path.join(results, "runs", row["id"], "record.json")
        record = kept(path, stamp)
        if record:
            log.append(f"{row['id']}: kept, {record['status']}")
            continue
        try:
            record = run_row(row, results, sm.params.time_limit, sm.params.rnaeval, stamp)
        except Exception as e:  # one row's trouble is its own: recorded, redone next time, the others run
            traceback.print_exc()
            os.makedirs(os.path.dirname(path), exist_ok=True)
            record = {"exit_status": None, "message": f"the workflow could not run it: {e}", "seconds": 0,
                      "peak_mib": 0, "barrier": "", "lower_bound": "", "status": "failed", "E_A": "", "E_B": "",
                      "command": shlex.join(row["args"]), "started": "", "stamp": stamp, "retry": True}
        if record["retry"]:
            mark = os.path.join(results, "retry", f"{row['id']}.txt")
            os.makedirs(os.path.dirname(mark), exist_ok=True)
            with open(mark, "w") as f:  # the next invocation sees a new token and redoes the run
                f.write(record["started"] or datetime.now(timezone.utc).isoformat())
        with open(path + ".part", "w") as f:
            json.dump(record, f, indent=1)
        os.replace(path + ".part", path)
        log.append(f"{record['command']}\n  exit status {record['exit_status']}, {record['status']} {record['message']}")
    with open(sm.log[0], "w") as f:
        f.write("\n".join(log) + "\n")
    with open(sm.output[0], "w") as f:
        f.write("\n".join(r["id"] for r in sm.params.rows) + "\n")


main(snakemake)  # noqa: F821 (given by Snakemake's script directive)
