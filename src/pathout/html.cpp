// path.html: the path as data (A, the moves, the energies) and a viewer that replays it.
#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <string>

#include "pathout/pathout.h"
#include "pathout/pathout_internal.h"
#include "version/version.h"

namespace pathout {

namespace {

// A JSON string that is safe inside a <script> element.
std::string json_string(const std::string& s) {
    std::string out = "\"";
    for (const char c : s) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '<' || c == '>' || c == '&' || u < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", u);
            out += buf;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string html_escape(const std::string& s) {
    std::string out;
    for (const char c : s) {
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else if (c == '"')
            out += "&quot;";
        else
            out += c;
    }
    return out;
}

// Throws std::invalid_argument unless each move turns its structure into the next one.
void check_moves(const Path& p) {
    if (p.structures.size() == 1) {  // A alone: each move must fit the structure it is applied to
        std::string s = p.structures[0];
        for (std::size_t k = 1; k <= p.moves.size(); ++k) structure_at(p, k, s);
        return;
    }
    for (std::size_t k = 0; k < p.moves.size(); ++k) {
        const PathMove& m = p.moves[k];
        std::string s = p.structures[k];
        const bool fits = m.i >= 1 && m.i < m.j && static_cast<std::size_t>(m.j) <= s.size() &&
                          s[m.i - 1] == (m.add ? '.' : '(') && s[m.j - 1] == (m.add ? '.' : ')');
        if (fits) {
            s[m.i - 1] = m.add ? '(' : '.';
            s[m.j - 1] = m.add ? ')' : '.';
        }
        if (!fits || s != p.structures[k + 1])
            throw std::invalid_argument("move " + std::to_string(k + 1) + " does not lead from structure " +
                                        std::to_string(k) + " to the next");
    }
}

const char* const kStyle = R"css(
body { font-family: "DejaVu Sans", Helvetica, Arial, sans-serif; margin: 16px 24px; color: #222; background: #fff; }
h1 { font-size: 22px; margin: 0 0 4px; }
.sub { color: #555; margin: 2px 0; font-size: 14px; }
svg { display: block; }
#profile { width: 100%; max-width: 1100px; height: auto; cursor: pointer; border: 1px solid #ddd; }
#profile .pt { stroke: #1f5fa8; stroke-width: 1; }
#profile .add { fill: #1f5fa8; }
#profile .del { fill: #fff; }
#profile .start { fill: #2b8a3e; stroke: #2b8a3e; }
#profile .end { fill: #6f42c1; stroke: #6f42c1; }
#profile .top { fill: #d9480f; stroke: #d9480f; }
#controls { margin: 8px 0; display: flex; gap: 8px; align-items: center; flex-wrap: wrap; }
#controls button { font-size: 15px; padding: 3px 10px; }
#slider { flex: 1; min-width: 200px; max-width: 700px; }
#move { font-size: 16px; margin: 6px 0; min-height: 1.3em; }
.dbbox { overflow-x: auto; border: 1px solid #ddd; background: #fafafa; padding: 4px 6px; max-width: 1100px; }
.dbbox pre { margin: 0; font: 13px/1.3 "DejaVu Sans Mono", monospace; }
#db { user-select: all; -webkit-user-select: all; }
#views { display: flex; flex-wrap: wrap; gap: 16px; margin-top: 10px; }
figure { margin: 0; }
figcaption { font-size: 14px; color: #444; margin-bottom: 4px; }
#arcs { width: 640px; max-width: 95vw; height: auto; border: 1px solid #ddd; }
#radial { width: 440px; height: 440px; border: 1px solid #ddd; }
.legend { font-size: 13px; color: #333; margin-top: 4px; }
.legend span { display: inline-block; width: 22px; height: 4px; margin: 0 4px 3px 10px; vertical-align: middle; }
)css";

const char* const kScript = R"js(
"use strict";
const C = { a: "#2b8a3e", b: "#6f42c1", both: "#1f5fa8", other: "#e8590c", top: "#d9480f" };
const N = D.e.length - 1, L = D.seq.length, CHECK = 64, NS = "http://www.w3.org/2000/svg";
const $ = (id) => document.getElementById(id);
const kcal = (dcal) => (dcal / 100).toFixed(2);

// Pair tables (1-based positions, 0: unpaired); structures are rebuilt by replaying the moves
// from the nearest stored table.
function tableOf(db) {
  const pt = new Int32Array(L + 1), stack = [];
  for (let x = 0; x < L; ++x)
    if (db[x] === "(") stack.push(x + 1);
    else if (db[x] === ")") { const o = stack.pop(); pt[o] = x + 1; pt[x + 1] = o; }
  return pt;
}
function apply(pt, k) {  // move k leads from structure k to k + 1
  const i = D.i[k], j = D.j[k];
  if (D.k[k] === "a") { pt[i] = j; pt[j] = i; } else { pt[i] = 0; pt[j] = 0; }
}
const checkpoints = [];
const ptA = tableOf(D.a);
{
  const pt = ptA.slice();
  for (let k = 0; k <= N; ++k) {
    if (k % CHECK === 0) checkpoints.push(pt.slice());
    if (k < N) apply(pt, k);
  }
  var ptB = pt;
}
function tableAt(s) {
  const pt = checkpoints[Math.floor(s / CHECK)].slice();
  for (let k = s - (s % CHECK); k < s; ++k) apply(pt, k);
  return pt;
}
function dotBracket(pt) {
  const c = new Array(L);
  for (let x = 1; x <= L; ++x) c[x - 1] = pt[x] === 0 ? "." : pt[x] > x ? "(" : ")";
  return c.join("");
}
function kind(i, j) {
  const a = ptA[i] === j, b = ptB[i] === j;
  return a && b ? "both" : a ? "a" : b ? "b" : "other";
}

// The energy profile: one point per structure.
const PW = 1000, PH = 250, PL = 62, PR = 16, PT = 12, PB = 40;
let emin = Math.min(...D.e), emax = Math.max(...D.e);
if (emax - emin < 100) { emin -= 50; emax += 50; }
const ypad = (emax - emin) * 0.08;
const elo = emin - ypad, ehi = emax + ypad;
const px = (s) => PL + (PW - PL - PR) * (N ? s / N : 0.5);
const py = (e) => PT + (PH - PT - PB) * (ehi - e) / (ehi - elo);
function niceStep(range, count) {
  const raw = range / count, mag = Math.pow(10, Math.floor(Math.log10(raw)));
  for (const f of [1, 2, 5]) if (raw <= f * mag) return f * mag;
  return 10 * mag;
}
function drawProfile() {
  const parts = [];
  const ys = niceStep((ehi - elo) / 100, 5);
  for (let v = Math.ceil(elo / 100 / ys) * ys; v <= ehi / 100 + 1e-9; v += ys) {
    const y = py(v * 100).toFixed(1);
    parts.push(`<line x1="${PL}" x2="${PW - PR}" y1="${y}" y2="${y}" stroke="#eee"/>`,
      `<text x="${PL - 6}" y="${(+y + 4).toFixed(1)}" font-size="12" text-anchor="end">${+v.toFixed(2)}</text>`);
  }
  const xs = Math.max(1, niceStep(Math.max(N, 1), 10));
  for (let v = 0; v <= N; v += xs)
    parts.push(`<text x="${px(v).toFixed(1)}" y="${PH - PB + 16}" font-size="12" text-anchor="middle">${v}</text>`);
  parts.push(`<text x="${(PL + PW) / 2}" y="${PH - 6}" font-size="13" text-anchor="middle">step</text>`,
    `<text transform="translate(14,${(PT + PH - PB) / 2}) rotate(-90)" font-size="13" text-anchor="middle">kcal/mol</text>`,
    `<line x1="${PL}" x2="${PL}" y1="${PT}" y2="${PH - PB}" stroke="#333"/>`,
    `<line x1="${PL}" x2="${PW - PR}" y1="${PH - PB}" y2="${PH - PB}" stroke="#333"/>`);
  const ea = D.e[0];
  parts.push(`<line x1="${PL}" x2="${PW - PR}" y1="${py(ea).toFixed(1)}" y2="${py(ea).toFixed(1)}" stroke="#999" stroke-dasharray="5,4"/>`);
  const pts = [];
  for (let s = 0; s <= N; ++s) pts.push(px(s).toFixed(1) + "," + py(D.e[s]).toFixed(1));
  parts.push(`<polyline points="${pts.join(" ")}" fill="none" stroke="#1f5fa8" stroke-width="1.6"/>`);
  const top = Math.max(...D.e), r = N <= 100 ? 3.5 : N <= 1000 ? 2.2 : 1.4;
  for (let s = 0; s <= N; ++s) {
    const cls = s === 0 ? "start" : s === N ? "end" : D.e[s] === top ? "top" : D.k[s - 1] === "a" ? "add" : "del";
    parts.push(`<circle class="pt ${cls}" data-step="${s}" cx="${px(s).toFixed(1)}" cy="${py(D.e[s]).toFixed(1)}" r="${s === 0 || s === N || D.e[s] === top ? r + 1.5 : r}"/>`);
  }
  parts.push(`<line id="curline" y1="${PT}" y2="${PH - PB}" stroke="#d9480f" stroke-width="1" opacity="0.6"/>`,
    `<circle id="cur" r="7" fill="none" stroke="#d9480f" stroke-width="2.5"/>`);
  $("profile").innerHTML = parts.join("");
}

// The arc diagram: one arc per pair above the sequence line.
const AW = 1000, AH = 330, AX = 12, BASE = AH - 34;
const ax = (x) => AX + (AW - 2 * AX) * (x - 0.5) / L;
const arcScale = Math.min(1, (BASE - 10) / ((AW - 2 * AX) / 2));
let arcLayer, arcOf = new Map(), shown = new Int32Array(L + 1);
function arcPath(i, j) {
  const x1 = ax(i), x2 = ax(j), r = (x2 - x1) / 2;
  return `M${x1.toFixed(2)},${BASE}A${r.toFixed(2)},${(r * arcScale).toFixed(2)} 0 0 1 ${x2.toFixed(2)},${BASE}`;
}
function setupArcs() {
  const parts = [`<line x1="${AX}" x2="${AW - AX}" y1="${BASE}" y2="${BASE}" stroke="#555" stroke-width="1.5"/>`];
  const tick = Math.max(1, niceStep(L, 10));
  for (let x = tick; x <= L; x += tick)
    parts.push(`<text x="${ax(x).toFixed(1)}" y="${AH - 4}" font-size="12" text-anchor="middle">${x}</text>`);
  if (L <= 120) {
    for (let x = 1; x <= L; ++x)
      parts.push(`<text x="${ax(x).toFixed(1)}" y="${BASE + 13}" font-size="${Math.min(11, 900 / L).toFixed(1)}" text-anchor="middle" font-family="monospace">${D.seq[x - 1]}</text>`);
  }
  parts.push(`<g id="arclayer" fill="none" stroke-width="${L > 1000 ? 0.8 : 1.4}"></g>`,
    `<path id="movearc" fill="none" stroke-width="3.5"/>`);
  $("arcs").innerHTML = parts.join("");
  arcLayer = $("arclayer");
}
function drawArcs(pt) {
  for (let x = 1; x <= L; ++x) {
    if (shown[x] === pt[x]) continue;
    if (shown[x] > x) { arcOf.get(x).remove(); arcOf.delete(x); shown[shown[x]] = 0; }
    shown[x] = 0;
  }
  for (let x = 1; x <= L; ++x) {
    if (pt[x] > x && shown[x] !== pt[x]) {
      const e = document.createElementNS(NS, "path");
      e.setAttribute("class", "arc");
      e.setAttribute("d", arcPath(x, pt[x]));
      e.setAttribute("stroke", C[kind(x, pt[x])]);
      arcLayer.appendChild(e);
      arcOf.set(x, e);
      shown[x] = pt[x]; shown[pt[x]] = x;
    }
  }
}

// The radial drawing: every loop's bases on a circle, stems straight from the loop's centre;
// the exterior loop is a circle too, open between the two ends.
function radialLayout(pt) {
  const X = new Float64Array(L + 2), Y = new Float64Array(L + 2), close = (i) => (i === 0 ? L + 1 : pt[i]);
  X[0] = 0; Y[0] = 0; X[L + 1] = 1; Y[L + 1] = 0;
  const jobs = [[0, L + 1, 0, -1]];
  while (jobs.length) {
    const [i, j, ux, uy] = jobs.pop();
    const verts = [i], branches = [];
    for (let x = i + 1; x < j; ++x) {
      verts.push(x);
      if (pt[x] > x) { verts.push(pt[x]); branches.push(x); x = pt[x]; }
    }
    verts.push(j);
    const m = verts.length;
    if (m < 3) continue;
    const R = 0.5 / Math.sin(Math.PI / m), h = R * Math.cos(Math.PI / m);
    const cx = (X[i] + X[j]) / 2 + ux * h, cy = (Y[i] + Y[j]) / 2 + uy * h;
    const ai = Math.atan2(Y[i] - cy, X[i] - cx), aj = Math.atan2(Y[j] - cy, X[j] - cx);
    let d = ai - aj;
    while (d > Math.PI) d -= 2 * Math.PI;
    while (d <= -Math.PI) d += 2 * Math.PI;
    const step = (d > 0 ? 1 : -1) * 2 * Math.PI / m;
    for (let t = 1; t < m - 1; ++t) {
      X[verts[t]] = cx + R * Math.cos(ai + step * t);
      Y[verts[t]] = cy + R * Math.sin(ai + step * t);
    }
    for (let p of branches) {
      let q = pt[p];
      let vx = (X[p] + X[q]) / 2 - cx, vy = (Y[p] + Y[q]) / 2 - cy;
      const len = Math.hypot(vx, vy) || 1;
      vx /= len; vy /= len;
      while (p + 1 < q - 1 && pt[p + 1] === q - 1) {
        X[p + 1] = X[p] + vx; Y[p + 1] = Y[p] + vy; X[q - 1] = X[q] + vx; Y[q - 1] = Y[q] + vy;
        ++p; --q;
      }
      jobs.push([p, q, vx, vy]);
    }
  }
  return [X, Y, close];
}
let radialPairs = 0;
function drawRadial(pt, move) {
  const canvas = $("radial"), dpr = window.devicePixelRatio || 1, size = 440;
  canvas.width = size * dpr; canvas.height = size * dpr;
  const g = canvas.getContext("2d");
  g.setTransform(dpr, 0, 0, dpr, 0, 0);
  g.fillStyle = "#fff"; g.fillRect(0, 0, size, size);
  const [X, Y] = radialLayout(pt);
  let x0 = Infinity, x1 = -Infinity, y0 = Infinity, y1 = -Infinity;
  for (let x = 1; x <= L; ++x) { x0 = Math.min(x0, X[x]); x1 = Math.max(x1, X[x]); y0 = Math.min(y0, Y[x]); y1 = Math.max(y1, Y[x]); }
  const sc = (size - 30) / Math.max(x1 - x0, y1 - y0, 1);
  const tx = (x) => 15 + (X[x] - x0) * sc + ((size - 30) - (x1 - x0) * sc) / 2;
  const ty = (x) => 15 + (Y[x] - y0) * sc + ((size - 30) - (y1 - y0) * sc) / 2;
  g.strokeStyle = "#999"; g.lineWidth = 1; g.beginPath();
  for (let x = 1; x <= L; ++x) (x === 1 ? g.moveTo : g.lineTo).call(g, tx(x), ty(x));
  g.stroke();
  radialPairs = 0;
  g.lineWidth = Math.max(1, Math.min(4, sc * 0.3));
  for (let x = 1; x <= L; ++x) {
    if (pt[x] <= x) continue;
    ++radialPairs;
    g.strokeStyle = C[kind(x, pt[x])];
    g.beginPath(); g.moveTo(tx(x), ty(x)); g.lineTo(tx(pt[x]), ty(pt[x])); g.stroke();
  }
  if (sc >= 7) {
    g.font = `${Math.min(12, sc * 0.55).toFixed(0)}px monospace`; g.textAlign = "center"; g.textBaseline = "middle";
    for (let x = 1; x <= L; ++x) {
      g.fillStyle = "#fff"; g.beginPath(); g.arc(tx(x), ty(x), sc * 0.3, 0, 2 * Math.PI); g.fill();
      g.fillStyle = "#222"; g.fillText(D.seq[x - 1], tx(x), ty(x));
    }
  }
  if (move) {
    g.strokeStyle = "#000"; g.lineWidth = 2.5; g.setLineDash(move.add ? [] : [4, 3]);
    g.beginPath(); g.arc(tx(move.i), ty(move.i), 5, 0, 2 * Math.PI); g.stroke();
    g.beginPath(); g.arc(tx(move.j), ty(move.j), 5, 0, 2 * Math.PI); g.stroke();
    g.setLineDash([]);
  }
  g.fillStyle = "#2b8a3e"; g.font = "bold 12px sans-serif"; g.fillText("5'", tx(1) - 10, ty(1) - 8);
}

// The current step, shown everywhere at once.
let cur = -1, pt = null, timer = null;
function show(s) {
  s = Math.max(0, Math.min(N, s | 0));
  if (s === cur) return;
  pt = s === cur + 1 && pt ? (apply(pt, cur), pt) : tableAt(s);
  cur = s;
  const move = s ? { add: D.k[s - 1] === "a", i: D.i[s - 1], j: D.j[s - 1] } : null;
  const c = $("cur");
  c.setAttribute("cx", px(s).toFixed(1)); c.setAttribute("cy", py(D.e[s]).toFixed(1));
  $("curline").setAttribute("x1", px(s).toFixed(1)); $("curline").setAttribute("x2", px(s).toFixed(1));
  $("slider").value = s;
  $("stepno").textContent = `step ${s} of ${N}`;
  let text = s === 0 ? "start: structure A" : `${move.add ? "add" : "del"} pair (${move.i}, ${move.j}) ` +
    `${D.seq[move.i - 1]}-${D.seq[move.j - 1]}`;
  text += `; energy ${kcal(D.e[s])} kcal/mol`;
  if (s) { const dd = D.e[s] - D.e[s - 1]; text += `, change ${dd > 0 ? "+" : ""}${kcal(dd)} kcal/mol`; }
  if (s === N) text += " (structure B)";
  $("move").textContent = text;
  $("db").textContent = dotBracket(pt);
  drawArcs(pt);
  const ma = $("movearc");
  if (move) {
    ma.setAttribute("d", arcPath(move.i, move.j));
    ma.setAttribute("stroke", move.add ? C[kind(move.i, move.j)] : "#999");
    ma.setAttribute("stroke-dasharray", move.add ? "" : "5,4");
  } else ma.setAttribute("d", "");
  drawRadial(pt, move);
}
function play() {
  if (timer) { clearInterval(timer); timer = null; $("play").textContent = "\u25b6 play"; return; }
  if (cur === N) show(0);
  $("play").textContent = "\u275a\u275a pause";
  timer = setInterval(() => { show(cur + 1); if (cur === N) play(); }, Math.max(16, Math.min(300, 12000 / Math.max(N, 1))));
}

drawProfile();
setupArcs();
$("slider").max = N;
$("slider").addEventListener("input", (ev) => show(+ev.target.value));
$("prev").addEventListener("click", () => show(cur - 1));
$("next").addEventListener("click", () => show(cur + 1));
$("play").addEventListener("click", play);
$("profile").addEventListener("click", (ev) => {
  const r = $("profile").getBoundingClientRect();
  const x = (ev.clientX - r.left) * PW / r.width;
  show(Math.round((x - PL) / (PW - PL - PR) * N));
});
document.addEventListener("keydown", (ev) => {
  if (ev.target === $("slider")) return;
  const to = { ArrowRight: cur + 1, ArrowLeft: cur - 1, Home: 0, End: N }[ev.key];
  if (to !== undefined) { show(to); ev.preventDefault(); }
});
const start = /#step=(\d+)/.exec(location.hash);
show(start ? +start[1] : 0);

// #selftest: after far jumps and steps back (which update the arcs by difference), back to the
// start and the right arrow pressed four times; what the page then shows is written a moment
// later, so that refused requests have been reported.
if (location.hash === "#selftest") setTimeout(selftest, 300);
function selftest() {
  show(N); show(Math.floor(N / 2));
  for (let t = 0; t < 4; ++t) show(cur - 1);
  show(0);
  for (let t = 0; t < 4; ++t) document.dispatchEvent(new KeyboardEvent("keydown", { key: "ArrowRight", bubbles: true }));
  $("selftest").textContent = [
    "structures=" + (N + 1), "points=" + document.querySelectorAll("#profile .pt").length, "step=" + cur,
    "shown=" + $("stepno").textContent, "move=" + $("move").textContent, "structure=" + $("db").textContent,
    "arcs=" + document.querySelectorAll("#arcs .arc").length, "pairs=" + ($("db").textContent.match(/\(/g) || []).length,
    "radial_pairs=" + radialPairs, "resources=" + performance.getEntriesByType("resource").length,
    "violations=" + violations, "done=1"].join("\n");
}
)js";

}  // namespace

std::string path_html(const std::string& name, const std::string& sequence, const Path& p) {
    check_path(p);
    check_moves(p);
    const std::size_t n = p.moves.size();
    const std::size_t saddle = saddle_index(p);
    const bool proved = status(p) == "optimal";
    std::string title = display_name(name);
    if (title.empty()) title = "Folding path";

    std::string data = "const D = {name: " + json_string(title) + ", seq: " + json_string(sequence) +
                       ",\na: " + json_string(p.structures.front()) + ",\nk: \"";
    for (const PathMove& m : p.moves) data += m.add ? 'a' : 'd';
    data += "\",\ni: [";
    for (std::size_t k = 0; k < n; ++k) data += (k ? "," : "") + std::to_string(p.moves[k].i);
    data += "],\nj: [";
    for (std::size_t k = 0; k < n; ++k) data += (k ? "," : "") + std::to_string(p.moves[k].j);
    data += "],\ne: [";
    for (std::size_t k = 0; k <= n; ++k) data += (k ? "," : "") + std::to_string(std::lround(p.energies[k] * 100));
    data += "]};\n";

    std::string line1 = std::string(proved ? "Optimal path (proved)" : "Best path found") + ": barrier " +
                        kcal_text(barrier(p)) + " kcal/mol (saddle at step " + std::to_string(saddle) +
                        "), lower bound " + kcal_text(lower_bound(p)) + " kcal/mol";
    if (!p.info.method.empty()) line1 += ", method " + p.info.method;
    line1 += ", status " + status(p) + ".";
    const std::string line2 = model_text(p.info) + "; " + std::to_string(sequence.size()) + " nt, " +
                              std::to_string(n) + (n == 1 ? " step" : " steps") + ". Energies in kcal/mol.";

    std::string h;
    h += "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
    // Nothing may be fetched: every request the page would make is refused (and reported).
    h += "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; script-src 'unsafe-inline'; "
         "style-src 'unsafe-inline'; img-src data:\">\n";
    h += "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n";
    h += "<meta name=\"generator\" content=\"zentrola " + html_escape(zentrola_version()) + "\">\n";
    // Counted from the start, before anything in the body could ask for something.
    h += "<script>let violations = 0;\n"
         "document.addEventListener(\"securitypolicyviolation\", () => { ++violations; });</script>\n";
    h += "<title>" + html_escape(title) + ": folding path</title>\n<style>" + kStyle + "</style>\n</head>\n<body>\n";
    h += "<h1>" + html_escape(title) + "</h1>\n";
    h += "<p class=\"sub\">" + html_escape(line1) + "</p>\n<p class=\"sub\">" + html_escape(line2) + "</p>\n";
    h += "<svg id=\"profile\" viewBox=\"0 0 1000 250\" font-family=\"DejaVu Sans, Helvetica, Arial, sans-serif\" "
         "role=\"img\" aria-label=\"energy profile; click a point to show its step\"></svg>\n"
         "<div class=\"legend\">Profile: <b style=\"color:#2b8a3e\">&#9679;</b> A &nbsp;<b style=\"color:#6f42c1\">"
         "&#9679;</b> B &nbsp;<b style=\"color:#d9480f\">&#9679;</b> saddle &nbsp;<b style=\"color:#1f5fa8\">&#9679;"
         "</b> pair added &nbsp;<b style=\"color:#1f5fa8\">&#9675;</b> pair removed; click a point to show its "
         "step.</div>\n";
    h += "<div id=\"controls\"><button id=\"prev\" title=\"previous step (left arrow)\">&#9664;</button>"
         "<button id=\"play\">&#9654; play</button>"
         "<button id=\"next\" title=\"next step (right arrow)\">&#9654;</button>"
         "<input id=\"slider\" type=\"range\" min=\"0\" max=\"0\" value=\"0\" aria-label=\"step\">"
         "<span id=\"stepno\"></span></div>\n";
    h += "<p id=\"move\"></p>\n";
    h += "<div class=\"dbbox\"><pre id=\"seq\">" + html_escape(sequence) + "</pre><pre id=\"db\"></pre></div>\n";
    h += "<div id=\"views\">\n<figure><figcaption>Arc diagram (5' left, pairs as arcs)</figcaption>"
         "<svg id=\"arcs\" viewBox=\"0 0 1000 330\" font-family=\"DejaVu Sans, Helvetica, Arial, sans-serif\"></svg>"
         "<div class=\"legend\">Pairs:<span style=\"background:#2b8a3e\"></span>A only"
         "<span style=\"background:#6f42c1\"></span>B only<span style=\"background:#1f5fa8\"></span>A and B"
         "<span style=\"background:#e8590c\"></span>neither; the step's pair thick (dashed grey when removed)"
         "</div></figure>\n";
    h += "<figure><figcaption>Radial drawing (loops as circles, stems straight)</figcaption>"
         "<canvas id=\"radial\" width=\"440\" height=\"440\"></canvas>"
         "<div class=\"legend\">Same colours; the step's bases circled.</div></figure>\n</div>\n";
    h += "<p class=\"sub\">Keys: &larr; &rarr; step, Home / End. Drawn by zentrola " + html_escape(zentrola_version()) +
         ".</p>\n<pre id=\"selftest\"></pre>\n";
    h += "<script>\n" + data + "</script>\n<script>" + kScript + "</script>\n</body>\n</html>\n";
    return h;
}

}  // namespace pathout
