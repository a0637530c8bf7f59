#!/usr/bin/env bash
# Sparvel's own cost at its 1000 ms tick: CPU time per second, wake-ups and
# memory on the 8-CPU simulated i7-2600K, beside an empty Qt dialog with a
# 1000 ms timer and psensor at 1 s, measured at the same time, on the method
# of bench/ostrel_cost.sh.
#   bench/sparvel_cost.sh [--log off|on|both] [--repeats N] [--no-build] [--offscreen] [seconds]
# --log on runs Sparvel with "Log" switched on at start (bench/sparvel_logging,
# the program's main() plus that click); both runs the two side by side. Each
# of N consecutive windows (default 3) lasts SECONDS (default 60), after a
# warm-up of 5 s. An Xvfb display with openbox, measured too, unless
# --offscreen asks for Qt's offscreen platform.
# SPARVEL_PROFILES="e8400 xeon-x5570-2s" runs one Sparvel per simulated
# processor named, side by side (default: i7-2600k), to compare their costs.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${OSTREL_BUILD_DIR:-$here/build}"
. "$here/bench/cost_common.sh"
cost_options "$@"
cost_build_targets Sparvel sparvel_logging empty_dialog_bench
cost_begin sparvel-cost

profiles=(${SPARVEL_PROFILES:-i7-2600k})
start_sparvel() { # NAME DIR PROGRAM PROFILE
  mkdir -p "$cost_work/$2"
  cp "$3" "$cost_work/$2/Sparvel"
  printf '[Sparvel]\n' >"$cost_work/$2/Sparvel.ini"
  SIMULATED_CPU="$4" SIMULATED_LOAD=25 cost_start "$1" program "$cost_work/$2" ./Sparvel
}
for profile in "${profiles[@]}"; do
  suffix=""
  [ "${#profiles[@]}" -gt 1 ] && suffix=" on $profile"
  [ "$cost_log" != on ] && start_sparvel "Sparvel, defaults$suffix" "plain-$profile" "$build/app/Sparvel" "$profile"
  [ "$cost_log" != off ] && start_sparvel "Sparvel, log on$suffix" "logging-$profile" "$build/bench/sparvel_logging" "$profile"
done
cost_start "empty Qt dialog, 1000 ms timer" baseline "$cost_work/empty" "$build/bench/empty_dialog_bench"
cost_start_psensor

cost_measure 5 "$cost_seconds" "$cost_repeats"
cost_report "Sparvel on the simulated ${profiles[*]} at 1000 ms: ${cost_repeats} windows of ${cost_seconds} s"
if [ "$cost_log" != off ] && [ "$((cost_seconds * cost_repeats))" -ge 60 ] && ! ls "$cost_work"/logging-*/SparvelLog* >/dev/null 2>&1; then
  echo "sparvel_cost: warning: the logging run wrote no log file" >&2
fi
