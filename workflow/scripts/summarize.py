# Gathers the runs' records into summary.tsv (one row per instance, in input order), draws barriers.svg
# (barrier in kcal/mol against sequence length in nt) and writes index.html (every row, linked to its
# path.html).
import html
import json
import math
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


def passed_through(rows):
    """The table's further columns as (name in the summary, name in the table): a name the summary uses
    itself gets the prefix input_ (again, until it is free)."""
    taken, out = set(COLUMNS), []
    for c in (c for c in rows[0] if c not in ("id", "sequence", "A", "B")) if rows else ():
        name = c
        while name in taken:
            name = "input_" + name
        taken.add(name)
        out.append((name, c))
    return out


def summary_row(row, record):
    out = dict(record, id=row["id"], length=len(row["sequence"]),
               bp_distance=len(pairs(row["A"]) ^ pairs(row["B"])))
    out["exit_status"] = "" if record["exit_status"] is None else record["exit_status"]
    return [str(out[c]).replace("\t", " ").replace("\n", " ") for c in COLUMNS]


def ticks(lo, hi, count=5):
    """Round ticks (1, 2 or 5 times a power of ten apart) covering lo..hi."""
    raw = max(hi - lo, 1e-9) / count
    step = min(m * 10 ** math.floor(math.log10(raw)) for m in (1, 2, 5, 10) if m * 10 ** math.floor(math.log10(raw)) >= raw)
    first, last = math.floor(lo / step + 1e-9), math.ceil(hi / step - 1e-9)
    return [k * step for k in range(first, max(last, first + 1) + 1)], step


def label(value, step):
    return f"{value:.{max(0, -math.floor(math.log10(step) + 1e-9))}f}"


def svg(points, failed, total, method, width=720, height=460):
    """points: (length, barrier, id, proved) for each row with a barrier; failed: rows without one."""
    left, right, top, bottom = 64, 160, 56, 56
    xs = [p[0] for p in points] or [0, 1]
    ys = [p[1] for p in points] or [0, 1]
    xt, xstep = ticks(0, max(xs))
    yt, ystep = ticks(min(0, min(ys)), max(ys) * 1.04)  # room above the highest marker
    x0, x1, y0, y1 = xt[0], xt[-1], yt[0], yt[-1]
    sx = lambda x: left + (x - x0) / (x1 - x0) * (width - left - right)
    sy = lambda y: height - bottom - (y - y0) / (y1 - y0) * (height - top - bottom)
    e = html.escape
    parts = [f'<svg xmlns="http://www.w3.org/2000/svg" width="{width}" height="{height}" '
             f'viewBox="0 0 {width} {height}" font-family="sans-serif" font-size="12">',
             '<rect width="100%" height="100%" fill="white"/>',
             f'<text x="{left}" y="24" font-size="16" font-weight="bold">Folding barriers of {len(points)} '
             f'instance{"s" if len(points) != 1 else ""} (method {e(method)})</text>']
    for x in xt:
        parts.append(f'<line x1="{sx(x):.1f}" y1="{height - bottom}" x2="{sx(x):.1f}" y2="{height - bottom + 5}" '
                     f'stroke="black"/><text x="{sx(x):.1f}" y="{height - bottom + 18}" '
                     f'text-anchor="middle">{label(x, xstep)}</text>')
    for y in yt:
        parts.append(f'<line x1="{left}" y1="{sy(y):.1f}" x2="{width - right}" y2="{sy(y):.1f}" stroke="#e4e4e4"/>'
                     f'<line x1="{left - 5}" y1="{sy(y):.1f}" x2="{left}" y2="{sy(y):.1f}" stroke="black"/>'
                     f'<text x="{left - 8}" y="{sy(y) + 4:.1f}" text-anchor="end">{label(y, ystep)}</text>')
    parts += [f'<path d="M{left} {top}V{height - bottom}H{width - right}" stroke="black" fill="none"/>',
              f'<text x="{(left + width - right) / 2}" y="{height - 16}" text-anchor="middle">'
              'sequence length (nt)</text>',
              f'<text x="18" y="{(top + height - bottom) / 2}" text-anchor="middle" '
              f'transform="rotate(-90 18 {(top + height - bottom) / 2})">barrier (kcal/mol)</text>']
    # Strip layout: a marker that would cover one already placed moves sideways, by at most a few widths
    # (so that it stays near its length); where even that is full, it goes where it covers least.
    placed, radius = [], 3.5
    for length, barrier, rid, proved in sorted(points, key=lambda p: (p[0], p[1], p[2])):
        cx, cy = sx(length), sy(barrier)
        room = lambda dx: min([math.hypot(cx + dx - px, cy - py) for px, py, *_ in placed] + [2 * radius])
        dx = max((k // 2 * (1 if k % 2 else -1) * radius * 1.2 for k in range(1, 12)), key=room)
        placed.append((cx + dx, cy, rid, proved, barrier, length))
    for px, py, rid, proved, barrier, length in placed:
        parts.append(f'<circle cx="{px:.1f}" cy="{py:.1f}" r="{radius}" stroke="steelblue" stroke-width="1.3" '
                     f'fill="{"steelblue" if proved else "white"}" fill-opacity="0.85"><title>{e(rid)}: '
                     f'{barrier:g} kcal/mol, {length} nt</title></circle>')
    # The ids of the three highest, each where it covers no marker, no other id and stays in the plot.
    boxes = [(px - radius, py - radius, px + radius, py + radius) for px, py, *_ in placed]
    free = lambda b: (b[0] >= left and b[2] <= width - right + 60 and b[1] >= top - 20 and
                      all(b[2] <= o[0] or o[2] <= b[0] or b[3] <= o[1] or o[3] <= b[1] for o in boxes))
    for px, py, rid, *_ in sorted(placed, key=lambda p: (-p[4], p[2]))[:3]:
        w = 6.4 * len(rid)
        for x, y in ((px + 6, py - 5), (px + 6, py + 13), (px - 6 - w, py - 5), (px - 6 - w, py + 13),
                     (px + 6, py - 18), (px - 6 - w, py + 26)):
            box = (x, y - 10, x + w, y + 2)
            if free(box):
                boxes.append(box)
                parts.append(f'<text x="{x:.1f}" y="{y:.1f}" font-size="11">{e(rid)}</text>')
                break
    lx = width - right + 16
    parts += [f'<circle cx="{lx}" cy="{top + 10}" r="{radius}" fill="steelblue" stroke="steelblue" stroke-width="1.5"/>',
              f'<text x="{lx + 10}" y="{top + 14}">proved optimal</text>',
              f'<circle cx="{lx}" cy="{top + 30}" r="{radius}" fill="white" stroke="steelblue" stroke-width="1.5"/>',
              f'<text x="{lx + 10}" y="{top + 34}">best found, not</text>',
              f'<text x="{lx + 10}" y="{top + 48}">proved optimal</text>',
              f'<text x="{lx - 6}" y="{top + 74}" font-size="11">{failed} of {total} row{"s" if total != 1 else ""}'
              '</text>',
              f'<text x="{lx - 6}" y="{top + 88}" font-size="11">failed (no barrier;</text>',
              f'<text x="{lx - 6}" y="{top + 102}" font-size="11">see summary.tsv)</text>',
              "</svg>\n"]
    return "\n".join(parts)


def index_html(header, lines, method):
    """Every summary row; the id links to the run's path.html when the run found a path."""
    e = html.escape
    body = []
    for line in lines:
        cells = line.split("\t")
        row = dict(zip(header, cells))
        link = os.path.join("runs", row["id"], "path.html")
        cells[0] = (f'<a href="{e(link)}">{e(row["id"])}</a>' if row["status"] != "failed" else e(row["id"]))
        body.append("<tr>" + "".join(f"<td>{c if k == 0 else e(c)}</td>" for k, c in enumerate(cells)) + "</tr>")
    failed = sum(1 for line in lines if dict(zip(header, line.split("\t")))["status"] == "failed")
    return f"""<!DOCTYPE html>
<html lang="en"><head><meta charset="utf-8"><title>Zentrola: {len(lines)} instances</title>
<style>body{{font-family:sans-serif;margin:1.5em}} table{{border-collapse:collapse;font-size:13px}}
td,th{{border:1px solid #ccc;padding:2px 6px;text-align:left}} th{{background:#eee;position:sticky;top:0}}
tr:nth-child(even){{background:#f7f7f7}}</style></head><body>
<h1>Zentrola: {len(lines)} instances, method {e(method)}</h1>
<p>{len(lines) - failed} with a path (the id opens it), {failed} failed. Energies in kcal/mol, times in s,
memory in MiB. The table as text: <a href="summary.tsv">summary.tsv</a>.</p>
<table><thead><tr>{"".join(f"<th>{e(h)}</th>" for h in header)}</tr></thead>
<tbody>
{chr(10).join(body)}
</tbody></table>
<p><img src="barriers.svg" alt="barrier against sequence length"></p></body></html>
"""


def main(sm):
    rows = sm.params.rows
    extra = passed_through(rows)
    header = COLUMNS + [name for name, _ in extra]
    lines, points = [], []
    for row in rows:
        with open(os.path.join(os.path.dirname(sm.output[0]), "runs", row["id"], "record.json")) as f:
            record = json.load(f)
        lines.append("\t".join(summary_row(row, record) + [row.get(c, "") for _, c in extra]))
        if record["barrier"]:
            points.append((len(row["sequence"]), float(record["barrier"]), row["id"], record["status"] == "optimal"))
    with open(sm.output[0], "w") as f:
        f.write("\n".join(["\t".join(header)] + lines) + "\n")
    with open(sm.output[1], "w") as f:
        f.write(svg(points, len(rows) - len(points), len(rows), sm.params.method))
    with open(sm.output[2], "w") as f:
        f.write(index_html(header, lines, sm.params.method))
    with open(sm.log[0], "w") as f:
        f.write(f"{len(rows)} instances, {len(points)} with a barrier\n")


main(snakemake)  # noqa: F821 (given by Snakemake's script directive)
