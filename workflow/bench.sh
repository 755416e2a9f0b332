#!/usr/bin/env bash
# Times the workflow on ROWS rows (default 40) of a TSV with -m direct (or METHOD=...) on 2 cores: prints
# the wall time of the whole workflow and the sum of the runs' own seconds. The rows are the TSV's first
# ROWS rows, its rows repeated under new ids when it has fewer (default: bench/public.tsv, the public set, when
# present, else examples/instances.tsv without its broken row).
# Usage: workflow/bench.sh [TSV] [ROWS]
set -euo pipefail
cd "$(dirname "$0")/.."
tsv=${1:-bench/public.tsv}
[ -f "$tsv" ] || { tsv=examples/instances.tsv; }
rows=${2:-40}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
awk -F'\t' -v n="$rows" 'NR == 1 { print; next } $1 != "broken" { r[++k] = $0 }
  END { for (i = 0; i < n; i++) { line = r[i % k + 1]; if (i >= k) sub(/^[^\t]*/, "&_" int(i / k), line); print line } }' \
  "$tsv" >"$tmp/rows.tsv"
start=$(date +%s.%N)
snakemake --cores 2 --config "instances=$tmp/rows.tsv" "results=$tmp/results" "method=${METHOD:-direct}" \
  >"$tmp/log" 2>&1 || { tail -20 "$tmp/log"; exit 1; }
wall=$(awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f", b - a }')
runs=$(awk -F'\t' 'NR == 1 { for (i = 1; i <= NF; i++) if ($i == "seconds") c = i; next } { s += $c } END { printf "%.1f", s }' \
  "$tmp/results/summary.tsv")
echo "$rows ${METHOD:-direct} rows of $tsv: wall $wall s for $runs s of runs (2 cores)"
