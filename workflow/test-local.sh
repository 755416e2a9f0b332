#!/usr/bin/env bash
# Runs the workflow on examples/instances.tsv (a tiny search configuration) and checks its summary
# against the command line; then that a second run does no work, that unsafe or repeated ids stop the
# workflow before anything runs, and that `snakemake --lint` passes. RESULTS=dir keeps the results;
# ZENTROLA_CONFIG=file replaces the tiny configuration.
set -euo pipefail
cd "$(dirname "$0")/.."
config=${ZENTROLA_CONFIG:-workflow/tiny.config}
out=${RESULTS:-$(mktemp -d)}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
passed=0 failed=0
check() {  # name, then a command that must succeed
  local name=$1; shift
  if "$@" >"$tmp/out" 2>&1; then passed=$((passed + 1)); echo "ok: $name"
  else failed=$((failed + 1)); echo "FAILED: $name"; tail -20 "$tmp/out"; fi
}
args=(--cores 2 --config zentrola_config="$config" "results=$out")

start=$(date +%s.%N)
check "the workflow runs" snakemake "${args[@]}"
echo "wall time of the example: $(awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f", b - a }') s"
check "the summary is the command line's" python3 workflow/check_summary.py "$out" examples/instances.tsv "$config"
check "a second run does no work" sh -c "snakemake $(printf '%q ' "${args[@]}") >$tmp/again 2>&1; grep -q 'Nothing to be done' $tmp/again"

rejected() {  # id of the third line, expected message: nothing may have run
  printf 'id\tsequence\tA\tB\nfine\tGC\t..\t..\n%s\tGC\t..\t..\n' "$1" >"$tmp/ids.tsv"
  ! snakemake --cores 1 --config "instances=$tmp/ids.tsv" "results=$tmp/ids" >"$tmp/log" 2>&1 &&
    grep -qF "$tmp/ids.tsv line 3: the id '$1' $2" "$tmp/log" && [ ! -e "$tmp/ids" ]
}
for id in ../up .hidden 'two words' 'a;rm' -dash; do check "id '$id' rejected" rejected "$id" "is not a safe file name"; done
check "repeated id rejected" rejected fine "repeats $tmp/ids.tsv line 2"
check "snakemake --lint" snakemake --lint
[ -n "${RESULTS:-}" ] || rm -rf "$out"
echo "workflow: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
