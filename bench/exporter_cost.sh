#!/usr/bin/env bash
# CPU time per sample of ostrel-exporter beside node_exporter's per scrape,
# side by side in one run: each is scraped once a second for SECONDS (default
# 60), three rounds; the CPU time of the process (user + system, from
# /proc/PID/stat) is divided by the samples it served.
#   bench/exporter_cost.sh [SECONDS]
# Uses build/exporter/ostrel-exporter on the simulated i7-2600K (SIMULATED_CPU
# to choose another) and Debian's prometheus-node-exporter.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${OSTREL_BUILD_DIR:-$here/build}"
seconds="${1:-60}"
exporter="$build/exporter/ostrel-exporter"
node=/usr/bin/prometheus-node-exporter
for tool in "$exporter" "$node" /usr/bin/curl; do
  [ -x "$tool" ] || { echo "exporter_cost: $tool is missing (scripts/setup installs it)" >&2; exit 1; }
done
ticks=$(getconf CLK_TCK)
cpu_ms() { awk -v t="$ticks" '{ printf "%.1f", ($14 + $15) * 1000 / t }' "/proc/$1/stat"; }

work="$(mktemp -d /tmp/exporter-cost-XXXXXX)"
pids=()
trap 'kill "${pids[@]}" 2>/dev/null || true; rm -rf "$work"' EXIT

SIMULATED_CPU="${SIMULATED_CPU:-i7-2600k}" SIMULATED_LOAD=25 SIMULATED_MACHINE="cost-$$" \
  "$exporter" --listen 127.0.0.1:19757 --interval 1 >"$work/exporter.log" 2>&1 &
pids+=($!); exporter_pid=$!
"$node" --web.listen-address=127.0.0.1:19100 >"$work/node.log" 2>&1 &
pids+=($!); node_pid=$!
sleep 3 # both up, the exporter's clock measured

echo "round  ostrel-exporter ms/sample  node_exporter ms/scrape"
for round in 1 2 3; do
  e0=$(cpu_ms "$exporter_pid"); n0=$(cpu_ms "$node_pid")
  for _ in $(seq "$seconds"); do
    curl -s -o /dev/null http://127.0.0.1:19757/metrics
    curl -s -o /dev/null http://127.0.0.1:19100/metrics
    sleep 1
  done
  e1=$(cpu_ms "$exporter_pid"); n1=$(cpu_ms "$node_pid")
  # The exporter samples once a second on its own; node_exporter once per scrape.
  awk -v r="$round" -v e0="$e0" -v e1="$e1" -v n0="$n0" -v n1="$n1" -v s="$seconds" \
    'BEGIN { printf "%5d  %25.3f  %23.3f\n", r, (e1 - e0) / s, (n1 - n0) / s }'
done
