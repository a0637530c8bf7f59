#!/usr/bin/env bash
# Ostrel's own cost at the default 1000 ms interval: CPU time per second,
# wake-ups and memory on the 8-CPU simulated i7-2600K, beside an empty Qt
# dialog with a 1000 ms timer and psensor at 1 s, measured at the same time
# (the ratios show what the monitor adds to the toolkit, and what it costs
# against the monitor a user would otherwise run).
#   bench/ostrel_cost.sh [--log off|on|both] [--repeats N] [--no-build] [--offscreen] [seconds]
# --log on runs Ostrel with its log file on (LogFile=1, every other key at its
# default); both runs the two side by side. Each of N consecutive windows
# (default 3) lasts SECONDS (default 60), after a warm-up of 5 s; the tables
# give min/median/max over them. The programs run on an Xvfb display with
# openbox, whose server is measured too; --offscreen runs them on Qt's
# offscreen platform instead (QT_QPA_PLATFORM overrides it). See
# bench/cost_common.sh for what is measured and how.
# Two floors run beside them: the clock-measurement thread's rounds alone
# (a yield, a 125 ms and a 250 ms sleep, nothing read), the least CPU time the
# monitor's measurement pace allows; and the same dialog with one text label,
# the least memory of a window that shows text.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${OSTREL_BUILD_DIR:-$here/build}"
. "$here/bench/cost_common.sh"
cost_options "$@"
cost_build_targets Ostrel empty_dialog_bench clock_round_floor
cost_begin ostrel-cost

start_ostrel() { # NAME DIR INI-LINES
  mkdir -p "$cost_work/$2"
  cp "$build/app/Ostrel" "$cost_work/$2/Ostrel"
  printf '[Ostrel]\n%s' "$3" >"$cost_work/$2/Ostrel.ini"
  SIMULATED_CPU=i7-2600k SIMULATED_LOAD=25 cost_start "$1" program "$cost_work/$2" ./Ostrel
}
[ "$cost_log" != on ] && start_ostrel "Ostrel, defaults" plain ""
[ "$cost_log" != off ] && start_ostrel "Ostrel, log on" logging $'LogFile=1\n'
cost_start "floor: clock rounds alone, no Qt" floor "$cost_work/floor" "$build/bench/clock_round_floor"
cost_start "floor: Qt dialog with one text label" floor "$cost_work/label" "$build/bench/empty_dialog_bench" --label
cost_start "empty Qt dialog, 1000 ms timer" baseline "$cost_work/empty" "$build/bench/empty_dialog_bench"
cost_start_psensor

cost_measure 5 "$cost_seconds" "$cost_repeats"
cost_report "Ostrel on the simulated i7-2600K at 1000 ms: ${cost_repeats} windows of ${cost_seconds} s"
if [ "$cost_log" != off ] && [ "$((cost_seconds * cost_repeats))" -ge 60 ] && ! ls "$cost_work"/logging/OstrelLog* >/dev/null 2>&1; then
  echo "ostrel_cost: warning: the logging run wrote no log file" >&2
fi
