#!/usr/bin/env bash
# Runs the workflow on examples/instances.tsv (a tiny search configuration) and checks its summary
# against the command line; then that a second run does no work, that bad settings and unsafe or repeated
# ids stop the workflow before anything runs, that the defaults work from another working directory, that
# a changed row is the only one run again, the table's row and column in messages, clashing columns kept
# once each, the time of 40 direct rows, and that `snakemake --lint` passes. RESULTS=dir keeps the results;
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
check "index.html has every row, those with a path linked" sh -c "[ \$(grep -c '^<tr>' $out/index.html) -eq 4 ] &&
  [ \$(grep -o 'href=\"runs/[^/]*/path.html\"' $out/index.html | sort -u | wc -l) -eq 3 ]"
check "a second run does no work" sh -c "snakemake $(printf '%q ' "${args[@]}") >$tmp/again 2>&1; grep -q 'Nothing to be done' $tmp/again"

stops() {  # expected message, then settings: the workflow must stop with it before making anything
  local message=$1; shift
  ! snakemake --cores 1 --config "results=$tmp/none" "$@" >"$tmp/log" 2>&1 && grep -qF -- "$message" "$tmp/log" &&
    [ ! -e "$tmp/none" ]
}
check "method=foo stops" stops "config method=foo: Unknown method: foo (one of ea, direct, exact, auto)" method=foo
check "budget=0 stops" stops "config budget=0: The time budget must be a number of seconds above 0: 0" method=auto budget=0
check "seed=-1 stops" stops "config seed=-1: The seed must be a non-negative integer: -1" seed=-1
check "memory_cap=xyz stops" stops "config memory_cap=xyz: The memory cap must be an integer number of MiB" method=exact memory_cap=xyz
check "a budget for ea stops" stops "config budget=5: -w, -t and -M apply to" budget=5
check "time_limit=0 stops" stops "config time_limit=0: must be a number of seconds above 0" time_limit=0
check "methd=auto stops" stops "config methd=auto: unknown setting (did you mean method?)" methd=auto
check "a missing program stops" stops "config zentrola=$tmp/zentrola: no such program" zentrola="$tmp/zentrola"
check "a missing configuration stops" stops "config zentrola_config=$tmp/c: no such file" zentrola_config="$tmp/c"
check "a missing table stops" stops "config instances=$tmp/t.tsv: no such file" instances="$tmp/t.tsv"
printf 'MAXPOP=x\n' >"$tmp/bad.config"
check "a configuration the program rejects stops" sh -c "! snakemake --cores 1 --config zentrola_config=$tmp/bad.config results=$tmp/none >$tmp/log 2>&1 && grep -q 'config zentrola_config=$tmp/bad.config: .' $tmp/log && [ ! -e $tmp/none ]"
rejected() {  # id of the third line, expected message: nothing may have run
  printf 'id\tsequence\tA\tB\nfine\tGC\t..\t..\n%s\tGC\t..\t..\n' "$1" >"$tmp/ids.tsv"
  ! snakemake --cores 1 --config "instances=$tmp/ids.tsv" "results=$tmp/ids" >"$tmp/log" 2>&1 &&
    grep -qF "$tmp/ids.tsv line 3: the id '$1' $2" "$tmp/log" && [ ! -e "$tmp/ids" ]
}
for id in ../up .hidden 'two words' 'a;rm' -dash; do check "id '$id' rejected" rejected "$id" "is not a safe file name"; done
check "repeated id rejected" rejected fine "repeats $tmp/ids.tsv line 2"

mkdir "$tmp/project"
check "the defaults work from another working directory" sh -c "snakemake -s '$PWD/workflow/Snakefile' --directory '$tmp/project' --cores 2 >$tmp/log 2>&1 &&
  [ \$(grep -c '	done	' '$tmp/project/results/summary.tsv') -eq 3 ]"

# Column B missing from the second row; columns named as the summary's own; a changed row alone runs again.
printf 'id\tsequence\tA\tB\tE_A\tstatus\tinput_E_A\trow\none\tGGGGAAAACCCC\t((((....))))\t............\tx1\ty1\tz1\t1\nnoB\tGGGGAAAACCCC\t((((....))))\t\tx2\ty2\tz2\t2\n' >"$tmp/cols.tsv"
cols=(--cores 1 --config "instances=$tmp/cols.tsv" "results=$tmp/cols" method=direct)
columns() {
  snakemake "${cols[@]}" >"$tmp/log" 2>&1 &&
    [ "$(head -1 "$tmp/cols/summary.tsv" | cut -f12-)" = "$(printf 'message\tinput_E_A\tinput_status\tinput_input_E_A\trow')" ] &&
    [ "$(tail -1 "$tmp/cols/summary.tsv" | cut -f4,5,12-)" = "$(printf '\t\trow 2, column B: the line is empty or missing\tx2\ty2\tz2\t2')" ]
}
check "row and column named; clashing columns kept once each" columns
rerun() {
  cp "$tmp/cols/runs/one/record.json" "$tmp/one.json"
  sed -i 's/^\(noB\t[^\t]*\t[^\t]*\t\)/\1((((....))))/' "$tmp/cols.tsv"
  snakemake "${cols[@]}" >"$tmp/log" 2>&1 && cmp "$tmp/one.json" "$tmp/cols/runs/one/record.json" &&
    grep -q '"status": "optimal"' "$tmp/cols/runs/noB/record.json"
}
check "a changed row alone runs again" rerun

unfinished() {  # runs stopped at their time limit are redone by the next invocation
  local again=(--cores 1 --config "instances=$tmp/cols.tsv" "results=$tmp/late" time_limit=0.001)
  snakemake "${again[@]}" >"$tmp/log" 2>&1 && grep -q 'stopped after the time limit' "$tmp/late/summary.tsv" &&
    snakemake -n "${again[@]}" >"$tmp/log" 2>&1 && grep -q '^batch  *2 ' "$tmp/log"
}
check "unfinished runs are redone" unfinished

check "40 direct rows well within a minute and a half" sh -c "workflow/bench.sh examples/instances.tsv 40 | tee $tmp/bench |
  awk '{ print } \$7 > 90 { exit 1 }'"
cat "$tmp/bench"
check "snakemake --lint" snakemake --lint
[ -n "${RESULTS:-}" ] || rm -rf "$out"
echo "workflow: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
