#!/usr/bin/env bash
# Runs the default configuration with a fixed seed on the ten riboswitches and other switches
# and prints, per instance, the best barrier, the generations, the energy evaluations, the
# wall time and the peak memory, then the totals (peak: the largest instance).
#   bench/switches.sh [seed]
set -euo pipefail
cd "$(dirname "$0")/.."
TARGETS=search_bench scripts/setup.sh -DZENTROLA_BENCH=ON >/dev/null
build/bench/search/search_bench examples/config "${1:-1}" bench/instances/*.faa
