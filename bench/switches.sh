#!/usr/bin/env bash
# Runs the default configuration with a fixed seed on the ten riboswitches and other switches
# and prints, per instance, the best barrier, the generations, the energy evaluations, the
# wall time and the peak memory, then the totals (peak: the largest instance).
#   bench/switches.sh [seed] [old-build-dir]
# With the build folder of an older version (its bench/search/search_bench built), each
# instance runs with the old build and then with this one, so that the load of a shared
# machine falls on both alike; both tables follow, then whether barriers, generations and
# evaluations agree on every instance and the ratio of the total wall times (old / new).
# CONFIG and INSTANCES (a list of files) replace the configuration and the instances, for
# shorter trials.
set -euo pipefail
cd "$(dirname "$0")/.."
TARGETS=search_bench scripts/setup.sh -DZENTROLA_BENCH=ON >/dev/null
seed=${1:-1}
config=${CONFIG:-examples/config}
read -r -a instances <<<"${INSTANCES:-$(echo bench/instances/*.faa)}"
new=build/bench/search/search_bench
if [ $# -lt 2 ]; then
  exec "$new" "$config" "$seed" "${instances[@]}"
fi
old=$2/bench/search/search_bench
[ -x "$old" ] || { echo "switches.sh: no $old (build it with -DZENTROLA_BENCH=ON)" >&2; exit 1; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
for f in "${instances[@]}"; do
  "$old" "$config" "$seed" "$f" | sed -n 2p >>"$tmp/old"
  "$new" "$config" "$seed" "$f" | sed -n 2p >>"$tmp/new"
done
table() {
  printf "%-12s %8s %6s %12s %9s %10s\n" instance barrier gens evaluations wall_s peak_MiB
  awk '{print; b += $2; g += $3; e += $4; w += $5; if ($6 > p) p = $6}
       END {printf "%-12s %8.2f %6d %12d %9.2f %10.1f\n", "total", b, g, e, w, p}' "$1"
}
echo "old build ($2):"
table "$tmp/old"
echo
echo "this build ($(pwd)/build):"
table "$tmp/new"
echo
paste "$tmp/old" "$tmp/new" | awk '
  { if ($2 != $8 || $3 != $9 || $4 != $10) { bad = 1; print "differs: " $1 } ; wo += $5; wn += $11 }
  END { print (bad ? "barriers, generations or evaluations DIFFER" : "same barriers, generations and evaluations on every instance");
        printf "wall time old/new: %.2f s / %.2f s = %.2f\n", wo, wn, wo / wn }'
