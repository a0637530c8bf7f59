#!/usr/bin/env bash
# Ostrel's own cost at the default 1000 ms interval: CPU time per tick and
# resident memory over a measuring window (default 60 s), on the 8-CPU
# simulated i7-2600K, beside an empty Qt dialog with a 1000 ms timer measured
# at the same time (the ratio shows what the monitor adds to the toolkit).
#   bench/ostrel_cost.sh [seconds]
# Both run on Qt's offscreen platform (QT_QPA_PLATFORM overrides it). CPU time
# is the scheduler's run time of every thread of the process
# (/proc/<pid>/task/*/sched, microseconds), or utime + stime from
# /proc/<pid>/stat (10 ms steps) where the kernel has no such file; both are
# taken after a warm-up of 5 s. Memory is VmRSS at the end and VmHWM.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${OSTREL_BUILD_DIR:-$here/build}"
seconds="${1:-60}"
warmup=5
platform="${QT_QPA_PLATFORM:-offscreen}"

cmake -S "$here" -B "$build" -G Ninja >/dev/null
cmake --build "$build" --target Ostrel empty_dialog_bench >/dev/null

work="$(mktemp -d /tmp/ostrel-cost-XXXXXX)"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -m 700 "$work/runtime"
cp "$build/app/Ostrel" "$work/Ostrel"
printf '[Ostrel]\n' >"$work/Ostrel.ini" # every key at its default: RefreshInterval 1000

export XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM="$platform"
(cd "$work" && SIMULATED_CPU=i7-2600k SIMULATED_LOAD=25 exec ./Ostrel >"$work/ostrel.log" 2>&1) &
ostrel=$!
pids+=("$ostrel")
"$build/bench/empty_dialog_bench" >"$work/empty.log" 2>&1 &
empty=$!
pids+=("$empty")

ticks_per_second="$(getconf CLK_TCK)"
# CPU time of a process in milliseconds.
if [ -r "/proc/$$/sched" ]; then
  source_name="scheduler run time"
  cpu_ms() { cat /proc/"$1"/task/*/sched 2>/dev/null | awk '$1 == "se.sum_exec_runtime" { t += $3 } END { printf "%.3f", t }'; }
else
  source_name="utime+stime"
  cpu_ms() { awk -v hz="$ticks_per_second" '{ printf "%.3f", ($14 + $15) * 1000 / hz }' "/proc/$1/stat"; }
fi
status_kb() { awk -v key="$2:" '$1 == key { print $2 }' "/proc/$1/status"; }

sleep "$warmup"
for pid in "$ostrel" "$empty"; do
  kill -0 "$pid" 2>/dev/null || { echo "ostrel_cost: a program ended early" >&2; cat "$work"/*.log >&2; exit 1; }
done
o0="$(cpu_ms "$ostrel")"; e0="$(cpu_ms "$empty")"
sleep "$seconds"
o1="$(cpu_ms "$ostrel")"; e1="$(cpu_ms "$empty")"
o_rss="$(status_kb "$ostrel" VmRSS)"; o_hwm="$(status_kb "$ostrel" VmHWM)"
e_rss="$(status_kb "$empty" VmRSS)"; e_hwm="$(status_kb "$empty" VmHWM)"

# One tick per second at the default interval.
awk -v s="$seconds" -v o="$(awk -v a="$o0" -v b="$o1" 'BEGIN { print b - a }')" \
    -v e="$(awk -v a="$e0" -v b="$e1" 'BEGIN { print b - a }')" -v src="$source_name" \
    -v orss="$o_rss" -v ohwm="$o_hwm" -v erss="$e_rss" -v ehwm="$e_hwm" -v plat="$platform" 'BEGIN {
  ot = o / s; et = e / s
  printf "Cost over %d s at 1000 ms (platform %s, CPU time from %s)\n", s, plat, src
  printf "%-34s %14s %12s %12s\n", "program", "CPU ms/tick", "RSS MiB", "peak MiB"
  printf "%-34s %14.2f %12.1f %12.1f\n", "Ostrel, simulated i7-2600k (8 CPUs)", ot, orss / 1024, ohwm / 1024
  printf "%-34s %14.2f %12.1f %12.1f\n", "empty Qt dialog, 1000 ms timer", et, erss / 1024, ehwm / 1024
  if (et > 0) printf "CPU ratio Ostrel / empty dialog: %.1f\n", ot / et
  printf "RSS ratio Ostrel / empty dialog: %.2f\n", orss / erss
}'
