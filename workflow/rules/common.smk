# Instances, their validation, and the program's arguments for the workflow's rules.
import csv
import os
import re


RESULTS = config["results"]
SAFE_ID = re.compile(r"[A-Za-z0-9_][A-Za-z0-9_.+-]{0,127}")  # a file name on any system, no leading dot or dash
FIELDS = ["sequence", "A", "B"]


def read_table(path):
    with open(path, newline="") as f:
        rows = list(csv.reader(f, delimiter="\t", quoting=csv.QUOTE_NONE))
    header = rows[0] if rows else []
    missing = [c for c in ["id"] + FIELDS if c not in header]
    if missing:
        raise ValueError(f"{path}: the header lacks the column(s) {', '.join(missing)}")
    return [(f"{path} line {n}", dict(zip(header, r + [""] * (len(header) - len(r)))))
            for n, r in enumerate(rows[1:], 2) if any(r)]


def read_folder(path):
    rows = []
    for name in sorted(os.listdir(path)):
        with open(os.path.join(path, name)) as f:
            lines = (f.read().splitlines() + [""] * 4)[1:4]
        rows.append((f"{path}/{name}", dict(zip(["id"] + FIELDS, [name.split(".")[0]] + lines))))
    return rows


def load_instances(path):
    """Rows in input order; an id that cannot be a file name or repeats stops the workflow here."""
    rows, seen = [], {}
    for where, row in read_folder(path) if os.path.isdir(path) else read_table(path):
        rid = row["id"]
        if not SAFE_ID.fullmatch(rid):
            raise ValueError(f"{where}: the id {rid!r} is not a safe file name "
                             "(letters, digits, _ . + -, not starting with . or -)")
        if rid in seen:
            raise ValueError(f"{where}: the id {rid!r} repeats {seen[rid]}")
        seen[rid] = where
        rows.append(row)
    return rows


ROWS = load_instances(config["instances"])
BY_ID = {row["id"]: row for row in ROWS}


def zentrola_args(wildcards, input):
    args = [config["zentrola"], "-i", input[0], "-d", os.path.join(RESULTS, "runs", wildcards.id),
            "-c", config["zentrola_config"]]
    for flag, key in (("-s", "seed"), ("-m", "method"), ("-t", "budget"), ("-M", "memory_cap")):
        if config[key] not in ("", None):
            args += [flag, str(config[key])]
    return args


def time_limit():
    budget = float(config["budget"] or 0)
    return float(config["time_limit"] or (2 * budget + 60 if budget else 3600))


def retry_mark(wildcards):
    return os.path.join(RESULTS, "retry", f"{wildcards.id}.txt")


def retry_token(wildcards):
    """The start of the last run that did not finish (killed, timed out, not started): a new one redoes it."""
    path = retry_mark(wildcards)
    if not os.path.exists(path):
        return ""
    with open(path) as f:
        return f.read()


def write_lines(path, lines):
    with open(path, "w") as f:
        f.write("\n".join(lines) + "\n")
