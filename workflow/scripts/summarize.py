# Gathers the runs' records into summary.tsv (one row per instance, in input order) and draws
# barriers.svg: barrier (kcal/mol) against sequence length for every run that found one.
import json
import os

COLUMNS = ["id", "length", "bp_distance", "E_A", "E_B", "barrier", "lower_bound", "status", "seconds",
           "peak_mib", "exit_status", "message"]


def pairs(structure):
    stack, found = [], set()
    for i, c in enumerate(structure):
        if c == "(":
            stack.append(i)
        elif c == ")" and stack:
            found.add((stack.pop(), i))
    return found


def summary_row(row, record):
    out = dict(record, id=row["id"], length=len(row["sequence"]),
               bp_distance=len(pairs(row["A"]) ^ pairs(row["B"])))
    out["exit_status"] = "" if record["exit_status"] is None else record["exit_status"]
    return [str(out[c]).replace("\t", " ").replace("\n", " ") for c in COLUMNS]


def svg(points, width=640, height=400, margin=50):
    """points: (length, barrier, id) triples."""
    xs, ys = [p[0] for p in points] or [0], [p[1] for p in points] or [0]
    x0, x1, y0, y1 = 0, max(xs) * 1.1 or 1, min(0, min(ys)), max(ys) * 1.1 or 1
    sx = lambda x: margin + (x - x0) / (x1 - x0) * (width - 2 * margin)
    sy = lambda y: height - margin - (y - y0) / (y1 - y0) * (height - 2 * margin)
    parts = [f'<svg xmlns="http://www.w3.org/2000/svg" width="{width}" height="{height}" font-family="sans-serif" '
             f'font-size="12"><rect width="100%" height="100%" fill="white"/>',
             f'<path d="M{margin} {margin}V{height - margin}H{width - margin}" stroke="black" fill="none"/>',
             f'<text x="{width / 2}" y="{height - 12}" text-anchor="middle">length (nt)</text>',
             f'<text x="14" y="{height / 2}" text-anchor="middle" transform="rotate(-90 14 {height / 2})">'
             'barrier (kcal/mol)</text>']
    for k in range(5):
        x, y = x0 + (x1 - x0) * k / 4, y0 + (y1 - y0) * k / 4
        parts.append(f'<text x="{sx(x):.1f}" y="{height - margin + 16}" text-anchor="middle">{x:.0f}</text>')
        parts.append(f'<text x="{margin - 6}" y="{sy(y) + 4:.1f}" text-anchor="end">{y:.1f}</text>')
    for length, barrier, rid in points:
        parts.append(f'<circle cx="{sx(length):.1f}" cy="{sy(barrier):.1f}" r="4" fill="steelblue">'
                     f'<title>{rid}</title></circle>')
    return "\n".join(parts + ["</svg>\n"])


def main(sm):
    rows = sm.params.rows
    extra = [c for c in rows[0] if c not in ("id", "sequence", "A", "B")] if rows else []
    lines, points = ["\t".join(COLUMNS + extra)], []
    for row, path in zip(rows, sm.input):
        with open(path) as f:
            record = json.load(f)
        lines.append("\t".join(summary_row(row, record) + [row.get(c, "") for c in extra]))
        if record["barrier"]:
            points.append((len(row["sequence"]), float(record["barrier"]), row["id"]))
    with open(sm.output[0], "w") as f:
        f.write("\n".join(lines) + "\n")
    with open(sm.output[1], "w") as f:
        f.write(svg(points))
    with open(sm.log[0], "w") as f:
        f.write(f"{len(rows)} instances, {len(points)} with a barrier\n")


main(snakemake)  # noqa: F821 (given by Snakemake's script directive)
