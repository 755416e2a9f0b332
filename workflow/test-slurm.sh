#!/usr/bin/env bash
# Starts a one-node Slurm on this machine (its own munged, slurmctld and slurmd, state in a scratch folder,
# ports of their own, no cgroups), runs the workflow on examples/instances.tsv through Snakemake's Slurm
# executor (once without USER), checks the summary against the command line, runs the rows in batches
# (a Slurm job each), and stops the daemons it started.
# If Slurm cannot be started here it says why and exits 2. SAME_AS=dir/summary.tsv: the summary must
# also equal that one (e.g. the local run's) beyond the timings. RESULTS=dir keeps the results;
# ZENTROLA_CONFIG=file replaces the tiny configuration.
set -euo pipefail
cd "$(dirname "$0")/.."
tmp=$(mktemp -d /tmp/zentrola-slurm.XXXXXX)
chmod 755 "$tmp"  # munged wants its socket reachable by every user
config=${ZENTROLA_CONFIG:-workflow/tiny.config}
out=${RESULTS:-$tmp/results}
pids=()
stop() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
  rm -rf "$tmp"
}
trap stop EXIT
cannot() {
  echo "test-slurm: Slurm cannot be started on this machine: $1" >&2
  for f in "$tmp"/*.log; do [ -s "$f" ] && { echo "--- $f" >&2; tail -5 "$f" >&2; }; done
  exit 2
}

for c in munged mungekey slurmctld slurmd sbatch scontrol sinfo snakemake; do
  PATH=$PATH:/usr/sbin command -v "$c" >/dev/null || cannot "$c is not installed (scripts/setup.sh installs slurm-wlm and munge)"
done
[ "$(id -u)" -eq 0 ] || cannot "slurmd must run as root to start jobs, and this is user $(id -un)"
PATH=$PATH:/usr/sbin

mungekey -c -k "$tmp/munge.key" || cannot "mungekey could not make a key"
munged -F --key-file="$tmp/munge.key" --socket="$tmp/munge.socket" --pid-file="$tmp/munged.pid" \
  --log-file="$tmp/munged.log" --seed-file="$tmp/munge.seed" 2>>"$tmp/munged.log" &
pids+=($!)
for _ in $(seq 50); do [ -S "$tmp/munge.socket" ] && break; sleep 0.1; done
[ -S "$tmp/munge.socket" ] || cannot "munged did not start"

host=$(hostname -s)
read -r ctld_port node_port < <(python3 -c '
import socket
s = [socket.socket() for _ in range(2)]
for x in s: x.bind(("127.0.0.1", 0))
print(*(x.getsockname()[1] for x in s))')
mem_mib=$(awk '/MemTotal/ {print int($2 / 1024 * 0.9)}' /proc/meminfo)
mkdir -p "$tmp/state" "$tmp/spool"
export SLURM_CONF=$tmp/slurm.conf
cat >"$SLURM_CONF" <<CONF
ClusterName=zentrola
SlurmctldHost=$host(127.0.0.1)
SlurmctldPort=$ctld_port
SlurmdPort=$node_port
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
AuthInfo=socket=$tmp/munge.socket
StateSaveLocation=$tmp/state
SlurmdSpoolDir=$tmp/spool
SlurmctldPidFile=$tmp/slurmctld.pid
SlurmdPidFile=$tmp/slurmd.pid
SlurmctldLogFile=$tmp/slurmctld.log
SlurmdLogFile=$tmp/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
JobCompType=jobcomp/none
SelectType=select/cons_tres
SelectTypeParameters=CR_Core_Memory
MpiDefault=none
ReturnToService=2
NodeName=$host NodeAddr=127.0.0.1 CPUs=$(nproc) RealMemory=$mem_mib State=UNKNOWN
PartitionName=local Nodes=$host Default=YES MaxTime=INFINITE State=UP
CONF
slurmctld -D -c -f "$SLURM_CONF" >>"$tmp/slurmctld.log" 2>&1 &
pids+=($!)
slurmd -D -f "$SLURM_CONF" -N "$host" >>"$tmp/slurmd.log" 2>&1 &
pids+=($!)
for _ in $(seq 60); do [ "$(sinfo -h -o %t 2>/dev/null)" = idle ] && break; sleep 0.5; done
[ "$(sinfo -h -o %t 2>/dev/null)" = idle ] || cannot "the node did not come up idle within 30 s (state: $(sinfo -h -o %t 2>&1))"
echo "Slurm is up: node $host, $(nproc) CPUs, $mem_mib MiB, controller port $ctld_port"

passed=0 failed=0
check() {  # name, then a command that must succeed
  local name=$1; shift
  if "$@" >"$tmp/out" 2>&1; then passed=$((passed + 1)); echo "ok: $name"
  else failed=$((failed + 1)); echo "FAILED: $name"; tail -20 "$tmp/out"; fi
}
# Snakemake's Slurm executor polls every 33 s by default (any rate above 1/s is read as that): poll each
# second here, where the runs take a fraction of one.
args=(--profile workflow/profiles/slurm --max-status-checks-per-second 1 --config zentrola_config="$config" "results=$out")
start=$(date +%s.%N)
# Without USER, as under some batch systems and containers: the workflow supplies it to the Slurm executor.
check "the workflow runs through Slurm without USER" env -u USER snakemake "${args[@]}"
echo "wall time of the example through Slurm: $(awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f", b - a }') s"
check "every batch was a Slurm job" sh -c \
  "[ \$(find .snakemake/slurm_logs/rule_batch -name '*.log' -newer $SLURM_CONF | wc -l) -eq \$(ls $out/batches | wc -l) ]"
check "the summary is the command line's" python3 workflow/check_summary.py "$out" examples/instances.tsv \
  "$config" ${SAME_AS:+--same-as "$SAME_AS"}
check "a second run does no work" sh -c "snakemake $(printf '%q ' "${args[@]}") >$tmp/again 2>&1; grep -q 'Nothing to be done' $tmp/again"
touch "$tmp/mark"
batched=(--profile workflow/profiles/slurm --max-status-checks-per-second 1 --config "results=$tmp/batched" method=direct batch=3)
check "rows in batches of 3: one Slurm job each" sh -c "USER=\$(id -un) snakemake $(printf '%q ' "${batched[@]}") &&
  [ \$(find .snakemake/slurm_logs/rule_batch -name '*.log' -newer $tmp/mark | wc -l) -eq 2 ] &&
  [ \$(grep -c 'bounded\\|optimal' $tmp/batched/summary.tsv) -eq 3 ]"
echo "slurm: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
