# Settings (checked before any job), instances, their batches, and the program's arguments.
import csv
import difflib
import json
import math
import os
import pwd
import re
import shlex
import shutil
import subprocess
import sys
import tempfile
from datetime import datetime, timezone

import yaml
from snakemake.common import Mode
from snakemake.exceptions import WorkflowError

sys.path.insert(0, os.path.join(workflow.basedir, "scripts"))
from messages import program_error  # noqa: E402


class SettingError(Exception):
    """A setting the workflow cannot run with: the message names the key and the value."""


REPO = os.path.dirname(workflow.basedir)
SAFE_ID = re.compile(r"[A-Za-z0-9_][A-Za-z0-9_.+-]{0,127}")  # a file name on any system, no leading dot or dash
FIELDS = ["sequence", "A", "B"]
# The Slurm executor looks the account up by $USER, which a batch system or container may leave unset.
if not os.environ.get("USER"):
    try:
        os.environ.update(USER=pwd.getpwuid(os.getuid()).pw_name)  # the login name
    except KeyError:
        os.environ.update(USER=str(os.getuid()))

with open(os.path.join(workflow.basedir, "config.yaml")) as _f:
    DEFAULTS = yaml.safe_load(_f)
GIVEN = set(workflow.overwrite_config)  # from --config and --configfile: relative to the working directory


def setting(key):
    value = config[key]
    return "" if value is None else str(value)


def where(key):
    return f"config {key}={setting(key)}"


def path_setting(key):
    """A shipped default is relative to the repository, a path the user gives to the working directory."""
    value = setting(key)
    return value if key in GIVEN or not value else os.path.join(REPO, value)


def rnaeval_command():
    words = shlex.split(setting("rnaeval"))
    if words and "rnaeval" not in GIVEN:
        words[0] = os.path.join(REPO, words[0])
    return shlex.join(words)


def check_settings():
    unknown = sorted(set(config) - set(DEFAULTS))
    if unknown:
        key = unknown[0]
        near = difflib.get_close_matches(key, list(DEFAULTS), n=1)
        hint = f" (did you mean {near[0]}?)" if near else f" (known: {', '.join(DEFAULTS)})"
        raise SettingError(f"config {key}={setting(key)}: unknown setting{hint}")
    program = path_setting("zentrola")
    if not (os.path.isfile(program) and os.access(program, os.X_OK)):
        raise SettingError(f"{where('zentrola')}: no such program ({program})")
    for key in ("zentrola_config", "instances"):
        if not os.path.exists(path_setting(key)):
            raise SettingError(f"{where(key)}: no such file or folder ({path_setting(key)})")
    words = shlex.split(setting("rnaeval"))
    if words and not shutil.which(shlex.split(rnaeval_command())[0]):
        raise SettingError(f"{where('rnaeval')}: no such program ({shlex.split(rnaeval_command())[0]})")
    for key in ("time_limit", "batch"):
        try:
            number = float(setting(key) or 1)
        except ValueError:
            number = 0
        if not 0 < number < 1e9 or (key == "batch" and number != int(number)):
            kind = "a number of seconds above 0" if key == "time_limit" else "a whole number of rows of at least 1"
            raise SettingError(f"{where(key)}: must be {kind}, or empty")
    # The program itself judges the configuration file, then method, seed, budget and memory cap, each given
    # alone (with the method) to a run on an empty input, which stops at the input when they are fine.
    method = ["-m", setting("method")] if setting("method") else []
    trials = [("zentrola_config", []), ("method", method), ("seed", ["-s", setting("seed")]),
              ("budget", method + ["-t", setting("budget")]), ("memory_cap", method + ["-M", setting("memory_cap")])]
    with tempfile.TemporaryDirectory() as tmp:
        for key, args in trials:
            if key != "zentrola_config" and not setting(key):
                continue
            done = subprocess.run([program, "-i", os.devnull, "-d", os.path.join(tmp, "out"), "-c",
                                   path_setting("zentrola_config")] + args,
                                  capture_output=True, text=True, stdin=subprocess.DEVNULL)
            message = program_error(done.stdout, done.stderr)
            if not message.startswith("line 1 (name)"):
                raise SettingError(f"{where(key)}: {message or f'the program ended with status {done.returncode}'}")


def read_table(path):
    with open(path, newline="") as f:
        rows = list(csv.reader(f, delimiter="\t", quoting=csv.QUOTE_NONE))
    header = rows[0] if rows else []
    missing = [c for c in ["id"] + FIELDS if c not in header]
    if missing:
        raise SettingError(f"{path}: the header lacks the column(s) {', '.join(missing)}")
    numbered = [(n, r) for n, r in enumerate(rows[1:], 2) if any(r)]
    return [(f"{path} line {n}", f"row {k}", dict(zip(header, r + [""] * (len(header) - len(r)))))
            for k, (n, r) in enumerate(numbered, 1)]


def read_folder(path):
    rows = []
    for name in sorted(os.listdir(path)):
        with open(os.path.join(path, name)) as f:
            lines = (f.read().splitlines() + [""] * 4)[1:4]
        rows.append((f"{path}/{name}", f"{path}/{name}", dict(zip(["id"] + FIELDS, [name.split(".")[0]] + lines))))
    return rows


def load_instances(path):
    """Rows in input order, and how a message names each by id; an id that cannot be a file name or repeats
    stops the workflow here."""
    rows, seen, labels = [], {}, {}
    for line, label, row in read_folder(path) if os.path.isdir(path) else read_table(path):
        rid = row["id"]
        if not SAFE_ID.fullmatch(rid):
            raise SettingError(f"{line}: the id {rid!r} is not a safe file name "
                               "(letters, digits, _ . + -, not starting with . or -)")
        if rid in seen:
            raise SettingError(f"{line}: the id {rid!r} repeats {seen[rid]}")
        seen[rid] = line
        labels[rid] = label
        rows.append(row)
    return rows, labels


try:
    check_settings()
    ROWS, LABELS = load_instances(path_setting("instances"))
except SettingError as e:
    raise WorkflowError(str(e)) from None  # one line, status 1, before any job

RESULTS = setting("results")  # outputs go to the working directory (or where the user says)
METHOD = setting("method") or "ea"
BATCH = int(float(setting("batch") or (200 if METHOD == "direct" else 1)))
# Contiguous batches of at most BATCH rows, of near-equal size; on this machine at least one a core.
_parts = math.ceil(len(ROWS) / BATCH)
if workflow.mode == Mode.default and workflow.run_local:
    _parts = max(_parts, min(len(ROWS), workflow._cores or 1))
_starts = [len(ROWS) * k // max(_parts, 1) for k in range(_parts + 1)]
BATCHES = [ROWS[a:b] for a, b in zip(_starts, _starts[1:])]


def record_path(row):
    return os.path.join(RESULTS, "runs", row["id"], "record.json")


def batch_path(k):
    return os.path.join(RESULTS, "batches", f"{k}.txt")


def zentrola_args(row):
    args = [path_setting("zentrola"), "-i", os.path.join(RESULTS, "inputs", f"{row['id']}.faa"),
            "-d", os.path.join(RESULTS, "runs", row["id"]), "-c", path_setting("zentrola_config")]
    for flag, key in (("-s", "seed"), ("-m", "method"), ("-t", "budget"), ("-M", "memory_cap")):
        if setting(key):
            args += [flag, setting(key)]
    return args


def time_limit():
    budget = float(setting("budget") or 0)
    return float(setting("time_limit") or (2 * budget + 60 if budget else 3600))


def retry_mark(row):
    return os.path.join(RESULTS, "retry", f"{row['id']}.txt")


def retry_tokens(wildcards):
    """For each row of the batch, the start of its last run that did not finish (killed, timed out, not
    started), as its batch wrote it: a new token runs the batch again, which redoes just those rows. A
    record deleted after its batch ran gets a token here (only where the jobs are scheduled)."""
    tokens = []
    for row in BATCHES[int(wildcards.k)]:
        mark = retry_mark(row)
        if (workflow.mode == Mode.default and os.path.exists(batch_path(int(wildcards.k))) and
                not os.path.exists(record_path(row))):
            os.makedirs(os.path.dirname(mark), exist_ok=True)
            with open(mark, "w") as f:
                f.write(f"record missing at {datetime.now(timezone.utc).isoformat()}")
        tokens.append(open(mark).read() if os.path.exists(mark) else "")
    return tokens
