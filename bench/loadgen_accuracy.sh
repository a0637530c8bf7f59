#!/usr/bin/env bash
# How exactly Morvath's load loop produces the requested share of a CPU.
# Runs the real loop (loadgen_bench, built from the load generator's library)
# for SECONDS at 30 %, 50 % and 70 %, with idle slots sleeping to their end as
# Morvath does ("loop") and, for comparison, in 1 ms steps ("steps"), and
# stress-ng --cpu 1 --cpu-load N for the same N and time, one after the other.
# All are measured the same way: the CPU time (user + system) of the process
# and its waited-for children, as bash's `time` takes it from
# getrusage(RUSAGE_CHILDREN) (to the millisecond), divided by the wall time.
#
# Usage: bench/loadgen_accuracy.sh [BUILD_DIR] [SECONDS]
#   BUILD_DIR  build folder holding bench/loadgen_bench (default: build)
#   SECONDS    length of each run (default: 20)
# stress-ng is only a yardstick here (apt-get install stress-ng); without it
# only the load loop is measured.
set -euo pipefail

build_dir=${1:-build}
seconds=${2:-20}
bench="$build_dir/bench/loadgen_bench"

if [ ! -x "$bench" ]; then
  echo "loadgen_accuracy: $bench not found; build the target loadgen_bench first" >&2
  exit 1
fi
have_stress=1
if ! command -v stress-ng >/dev/null; then
  have_stress=0
  echo "loadgen_accuracy: stress-ng not installed, comparison skipped" >&2
fi

# Prints "share" in percent of one CPU for the command given.
measure() {
  local TIMEFORMAT='%3R %3U %3S' times
  times=$( { time "$@" >/dev/null 2>&1; } 2>&1 )
  awk '{ printf "%.2f", 100 * ($2 + $3) / $1 }' <<<"$times"
}

error() { awk -v s="$1" -v n="$2" 'BEGIN { d = s - n; if (d < 0) d = -d; printf "%.2f", d }'; }

echo "CPUs: $(nproc); load average before: $(cut -d' ' -f1-3 /proc/loadavg); ${seconds} s per run"
printf "%-9s %-11s %-9s %-11s %-9s %-12s %-10s\n" requested loop loop_err steps steps_err stress-ng stress_err
for n in 30 50 70; do
  loop=$(measure "$bench" --bench-load "$n" --seconds "$seconds" --idle-wait slot-end)
  steps=$(measure "$bench" --bench-load "$n" --seconds "$seconds" --idle-wait steps)
  stress="-"
  stress_err="-"
  if [ "$have_stress" = 1 ]; then
    stress=$(measure stress-ng --cpu 1 --cpu-load "$n" --timeout "${seconds}s" --quiet)
    stress_err=$(error "$stress" "$n")
  fi
  printf "%-9s %-11s %-9s %-11s %-9s %-12s %-10s\n" "$n%" "$loop%" "$(error "$loop" "$n")" "$steps%" \
    "$(error "$steps" "$n")" "$stress%" "$stress_err"
done
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
