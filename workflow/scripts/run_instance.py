# Runs Zentrola on one instance and writes record.json: exit status, message, barrier, lower bound,
# status, E(A) and E(B) (kcal/mol), wall seconds and peak resident memory (MiB) of the run.
import json
import os
import re
import shlex
import shutil
import signal
import subprocess
from datetime import datetime, timezone


def last_line(path):
    with open(path, errors="replace") as f:
        lines = [line.strip() for line in f if line.strip()]
    return lines[-1] if lines else ""


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
    return code, (last_line(err) or last_line(out)) if code else "", seconds, kib / 1024


def outcome(rundir, stdout):
    """(barrier, lower bound, status): the final line of the newer methods, else the result file's last line."""
    with open(stdout, errors="replace") as f:
        lines = re.findall(r"^barrier=(\S+) lower_bound=(\S+) status=(\S+)(?: stop=\S+)?$", f.read(), re.M)
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


def main(sm):
    rundir = os.path.dirname(sm.output[0])
    shutil.rmtree(rundir, ignore_errors=True)  # nothing of an earlier run may be mistaken for this one's
    os.makedirs(rundir)
    started = datetime.now(timezone.utc).isoformat()
    code, message, seconds, mib = run(sm.params.args, rundir, sm.params.time_limit)
    found = outcome(rundir, os.path.join(rundir, "stdout.txt")) if code == 0 else None
    if code == 0 and not found:
        message = "the run ended without a barrier"
    with open(sm.input[0]) as f:
        _, sequence, a, b = (f.read().splitlines() + [""] * 4)[:4]
    record = {
        "exit_status": code, "message": message, "seconds": round(seconds, 3), "peak_mib": round(mib, 1),
        "barrier": found[0] if found else "", "lower_bound": found[1] if found else "",
        "status": found[2] if found else "failed",
        **dict(zip(("E_A", "E_B"), energies(sm.params.rnaeval, sequence, a, b))),
        "command": shlex.join(sm.params.args), "started": started,
        # An exit status of the program's own is its answer; a run killed or not started (126, 127) is redone.
        "retry": code is None or code in (126, 127),
    }
    if record["retry"]:
        os.makedirs(os.path.dirname(sm.params.retry_mark), exist_ok=True)
        with open(sm.params.retry_mark, "w") as f:  # the next invocation sees a new token and redoes the run
            f.write(started)
    with open(sm.output[0], "w") as f:
        json.dump(record, f, indent=1)
    with open(sm.log[0], "w") as f:
        f.write(f"{record['command']}\nexit status {code}, {record['status']} {message}\n")


main(snakemake)  # noqa: F821 (given by Snakemake's script directive)
