# shellcheck shell=bash
# Shared by bench/ostrel_cost.sh and bench/sparvel_cost.sh (sourced, not run):
# starts programs side by side, each with its own simulated machine, runtime
# folder and log, measures them over REPEATS consecutive windows of SECONDS
# after a warm-up, and prints min/median/max per program with the ratios of
# the medians to the empty dialog and to psensor.
#
# Desktop: by default the programs run on an Xvfb display of their own with
# openbox on it (QT_QPA_PLATFORM=xcb), and the X server and window manager
# are measured over the same windows, each in a row of its own. --offscreen
# keeps Qt's offscreen platform (no display server at all); it is also what
# runs when Xvfb or openbox is missing. Every program shares one D-Bus session
# bus private to the run, as programs on one desktop do.
#
# CPU time: build/bench/cost_sampler reads the scheduler's run time and
# context switches of every thread (/proc/<pid>/task/*/sched) at each window
# edge and every second between, and those of threads younger than 2 s every
# 100 ms, so a thread that ends inside a window counts with its figures at
# the last sample. utime + stime of /proc/<pid>/stat (clock-tick steps,
# every ended thread included) is shown beside it: a clear excess there is
# time of threads that lived less than 100 ms.
# Wake-ups are voluntary context switches (the thread blocked and was woken).
# Memory at the end of each window: RSS, PSS (shared pages divided among the
# processes that map them) and USS (Private_Clean + Private_Dirty) from
# /proc/<pid>/smaps_rollup; peak is VmHWM over the whole run.
#
# psensor, the desktop temperature monitor a user would pick instead, runs
# beside them at a 1 s sensor and graph interval with its own HOME and XDG
# folders under the work folder (GSettings in a key file there). As root it
# is installed with apt-get when missing; without it the ratios to it are
# left out.

cost_names=()
cost_pids=()
cost_roles=() # program, floor, baseline (the empty dialog), reference (psensor), display
cost_work=""
cost_helpers=()   # Xvfb, openbox: ended after the programs
cost_bus_group="" # the session bus and what it started
cost_sampler_pid=""
cost_desktop=""
cost_psensor_note=""
cost_young_ms=100
cost_all_ms=1000

# Reads the common options: [--log off|on|both] [--repeats N] [--no-build]
# [--offscreen] [seconds]. --no-build takes the programs as they are in the
# build folder (OSTREL_BUILD_DIR), for instance binaries of an earlier commit
# kept aside.
cost_build=1
cost_log=off
cost_repeats=3
cost_seconds=60
cost_offscreen=0
cost_options() {
  while [ $# -gt 0 ]; do
    case "$1" in
      --log) cost_log="${2:-}"; shift 2 ;;
      --repeats) cost_repeats="${2:-}"; shift 2 ;;
      --no-build) cost_build=0; shift ;;
      --offscreen) cost_offscreen=1; shift ;;
      -*) echo "cost: unknown option $1 (--log off|on|both, --repeats N, --no-build, --offscreen)" >&2; exit 2 ;;
      *) cost_seconds="$1"; shift ;;
    esac
  done
  case "$cost_log" in off | on | both) ;; *) echo "cost: --log takes off, on or both" >&2; exit 2 ;; esac
  case "$cost_repeats$cost_seconds" in *[!0-9]*) echo "cost: --repeats and the seconds are whole numbers" >&2; exit 2 ;; esac
  if [ "$cost_repeats" -lt 1 ] || [ "$cost_seconds" -lt 1 ]; then echo "cost: --repeats and the seconds are at least 1" >&2; exit 2; fi
}

# The scripts that source this set `here` (the source tree) and `build`.
# shellcheck disable=SC2154
# cost_build_targets TARGET...: builds them and the sampler unless --no-build.
cost_build_targets() {
  [ "$cost_build" = 1 ] || return 0
  cmake -S "$here" -B "$build" -G Ninja >/dev/null
  cmake --build "$build" --target "$@" cost_sampler >/dev/null
}

# The sampler from the build folder, else from the source tree's build/ (a
# build folder of an earlier commit kept aside may lack it).
cost_sampler_program() {
  local candidate
  for candidate in "$build/bench/cost_sampler" "$here/build/bench/cost_sampler"; do
    [ -x "$candidate" ] && { echo "$candidate"; return; }
  done
  echo "cost: build/bench/cost_sampler is missing: cmake --build build --target cost_sampler" >&2
  exit 1
}

cost_cleanup() {
  local i pid
  [ -n "$cost_sampler_pid" ] && { kill "$cost_sampler_pid" 2>/dev/null || true; wait "$cost_sampler_pid" 2>/dev/null || true; }
  # The programs before the display they draw on: the last started first.
  for ((i = ${#cost_pids[@]} - 1; i >= 0; i--)); do pid="${cost_pids[$i]}"; kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; done
  for ((i = ${#cost_helpers[@]} - 1; i >= 0; i--)); do pid="${cost_helpers[$i]}"; kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; done
  if [ -n "$cost_bus_group" ]; then kill -- "-$cost_bus_group" 2>/dev/null || true; fi
  if [ -n "$cost_work" ]; then
    # Programs killed at the end leave their simulated machines behind.
    rm -f /dev/shm/ostrel-sim-"$(id -u)"/"$(basename "$cost_work")"-* /tmp/ostrel-sim-"$(id -u)"/"$(basename "$cost_work")"-*
    rm -rf "$cost_work"
  fi
}

# cost_home DIR: HOME and XDG folders under DIR, as environment assignments.
cost_home() {
  mkdir -p "$1/home" "$1/config" "$1/data" "$1/cache"
  echo "HOME=$1/home XDG_CONFIG_HOME=$1/config XDG_DATA_HOME=$1/data XDG_CACHE_HOME=$1/cache"
}

# cost_xvfb DIR: starts an Xvfb server on a free display (the server picks
# it); its number in cost_xvfb_display.
cost_xvfb_display=""
cost_xvfb() {
  local dir="$1" fd i
  mkdir -p "$dir"
  : >"$dir/display"
  exec {fd}>"$dir/display"
  Xvfb -displayfd "$fd" -screen 0 1280x1024x24 -nolisten tcp >"$dir/xvfb.log" 2>&1 &
  cost_helpers+=("$!")
  exec {fd}>&-
  for ((i = 0; i < 100; i++)); do
    [ -s "$dir/display" ] && { cost_xvfb_display="$(head -n 1 "$dir/display")"; return; }
    kill -0 "${cost_helpers[-1]}" 2>/dev/null || break
    sleep 0.1
  done
  echo "cost: Xvfb did not start; its output:" >&2
  cat "$dir/xvfb.log" >&2
  exit 1
}

# cost_begin NAME: the work folder, the session bus and the display.
cost_begin() {
  cost_work="$(mktemp -d "/tmp/$1-XXXXXX")"
  trap cost_cleanup EXIT
  trap 'exit 130' INT TERM
  mkdir -p "$cost_work/desktop"
  if command -v dbus-daemon >/dev/null && command -v setsid >/dev/null; then
    # shellcheck disable=SC2046 # the assignments are words on purpose
    env $(cost_home "$cost_work/desktop") setsid dbus-daemon --session --nofork --nopidfile \
      --print-address=3 --print-pid=4 3>"$cost_work/desktop/bus" 4>"$cost_work/desktop/bus.pid" \
      >"$cost_work/desktop/bus.log" 2>&1 &
    for _ in $(seq 50); do [ -s "$cost_work/desktop/bus.pid" ] && [ -s "$cost_work/desktop/bus" ] && break; sleep 0.1; done
    # setsid made the daemon a process group of its own, with what it starts.
    cost_bus_group="$(head -n 1 "$cost_work/desktop/bus.pid")"
    export DBUS_SESSION_BUS_ADDRESS
    DBUS_SESSION_BUS_ADDRESS="$(head -n 1 "$cost_work/desktop/bus")"
  else
    echo "cost: dbus-daemon is missing: the programs run without a session bus" >&2
    unset DBUS_SESSION_BUS_ADDRESS
  fi

  if [ "$cost_offscreen" = 0 ] && { ! command -v Xvfb >/dev/null || ! command -v openbox >/dev/null; }; then
    echo "cost: Xvfb or openbox is missing (apt-get install xvfb openbox): running offscreen" >&2
    cost_offscreen=1
  fi
  if [ "$cost_offscreen" = 1 ]; then
    export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
    unset DISPLAY
    cost_desktop="no display server (Qt platform $QT_QPA_PLATFORM)"
    return
  fi
  cost_xvfb "$cost_work/desktop"
  export DISPLAY=":$cost_xvfb_display" QT_QPA_PLATFORM=xcb
  # shellcheck disable=SC2046
  env $(cost_home "$cost_work/desktop") openbox --sm-disable >"$cost_work/desktop/openbox.log" 2>&1 &
  cost_helpers+=("$!")
  cost_start_pid "Xvfb server (all programs' drawing)" display "${cost_helpers[0]}"
  cost_start_pid "openbox (window manager)" display "$!"
  cost_desktop="Xvfb display $DISPLAY, 1280x1024x24, with openbox (Qt platform xcb)"
}

# cost_start_pid NAME ROLE PID: measures a process started elsewhere.
cost_start_pid() {
  cost_names+=("$1")
  cost_roles+=("$2")
  cost_pids+=("$3")
}

# cost_start NAME ROLE DIR COMMAND...: runs COMMAND in DIR with its own
# runtime folder (so single-instance locks do not meet) and its own simulated
# machine, output to DIR/program.log.
cost_start() {
  local name="$1" role="$2" dir="$3"
  shift 3
  mkdir -p "$dir"
  mkdir -m 700 "$dir/runtime"
  (cd "$dir" && XDG_RUNTIME_DIR="$dir/runtime" SIMULATED_MACHINE="$(basename "$cost_work")-$(basename "$dir")" \
    exec "$@" >"$dir/program.log" 2>&1) &
  cost_start_pid "$name" "$role" "$!"
}

# Installs psensor as root when it is missing; false when it is not there.
cost_psensor_installed() {
  command -v psensor >/dev/null && return 0
  if [ "$(id -u)" = 0 ] && command -v apt-get >/dev/null; then
    echo "cost: installing psensor, the reference (apt-get install psensor)" >&2
    DEBIAN_FRONTEND=noninteractive apt-get install -y psensor >"$cost_work/apt.log" 2>&1 ||
      { apt-get update >>"$cost_work/apt.log" 2>&1 &&
        DEBIAN_FRONTEND=noninteractive apt-get install -y psensor >>"$cost_work/apt.log" 2>&1; } ||
      tail -n 5 "$cost_work/apt.log" >&2
  fi
  command -v psensor >/dev/null && return 0
  cost_psensor_note="psensor is not installed and could not be (as root: apt-get install psensor): no ratios to it"
  echo "cost: $cost_psensor_note" >&2
  return 1
}

# psensor at a 1 s sensor and graph interval (its own default is 2 s), with
# its settings, log and caches under the work folder. Offscreen it draws on
# an Xvfb display of its own, which is not measured.
cost_start_psensor() {
  cost_psensor_installed || return 0
  local dir="$cost_work/psensor" version display="${DISPLAY:-}"
  mkdir -p "$dir/config/glib-2.0/settings"
  printf '[apps/psensor]\nsensor-update-interval=1\ngraph-update-interval=1\n' >"$dir/config/glib-2.0/settings/keyfile"
  if [ -z "$display" ]; then
    command -v Xvfb >/dev/null || {
      cost_psensor_note="psensor needs a display and Xvfb is missing (apt-get install xvfb): no ratios to it"
      echo "cost: $cost_psensor_note" >&2
      return 0
    }
    cost_xvfb "$dir/xvfb"
    display=":$cost_xvfb_display"
    cost_psensor_note="psensor draws on an Xvfb display of its own, whose time is not counted"
  fi
  version="$(dpkg-query -W -f='${Version}' psensor 2>/dev/null || psensor --version 2>/dev/null | head -n 1)"
  # shellcheck disable=SC2046
  cost_start "psensor ${version:-}, 1 s interval" reference "$dir" \
    env $(cost_home "$dir") DISPLAY="$display" GSETTINGS_BACKEND=keyfile psensor --new-instance
}

# cost_cpu_ms PID: the CPU time of a single-threaded process in ms, from the
# scheduler where the kernel keeps it, else from utime + stime.
cost_cpu_ms() {
  awk '$1 == "se.sum_exec_runtime" { print $3; found = 1 } END { exit !found }' "/proc/$1/sched" 2>/dev/null ||
    awk -v hz="$(getconf CLK_TCK)" '{ print ($14 + $15) * 1000 / hz }' "/proc/$1/stat"
}

# cost_snap FILE: the sampler's snapshot, after a line with the time.
cost_snap() {
  local line
  date +%s.%N >"$1"
  echo snap >&"${COST_SAMPLER[1]}"
  while IFS= read -r line <&"${COST_SAMPLER[0]}"; do
    [ "$line" = . ] && return
    echo "$line" >>"$1"
  done
  echo "cost: the sampler ended" >&2
  exit 1
}

# cost_measure WARMUP SECONDS REPEATS: snapshots at the edges of REPEATS
# consecutive windows into $cost_work/snap.<n>.
cost_measure() {
  local warmup="$1" seconds="$2" repeats="$3" i r sampler kept=()
  sleep "$warmup"
  for i in "${!cost_pids[@]}"; do
    kill -0 "${cost_pids[$i]}" 2>/dev/null && { kept+=("$i"); continue; }
    local log=""
    for log in "$cost_work"/*/program.log; do [ -s "$log" ] && { echo "== $log" >&2; tail -n 20 "$log" >&2; }; done
    if [ "${cost_roles[$i]}" = reference ]; then
      cost_psensor_note="psensor ended at start (its output is above): no ratios to it"
      echo "cost: $cost_psensor_note" >&2
      continue
    fi
    echo "cost: ${cost_names[$i]} ended early (the programs' output is above)" >&2
    exit 1
  done
  local names=() roles=() pids=()
  for i in "${kept[@]}"; do names+=("${cost_names[$i]}"); roles+=("${cost_roles[$i]}"); pids+=("${cost_pids[$i]}"); done
  cost_names=("${names[@]}") cost_roles=("${roles[@]}") cost_pids=("${pids[@]}")

  sampler="$(cost_sampler_program)"
  coproc COST_SAMPLER { exec "$sampler" "$cost_young_ms" "$cost_all_ms" "${cost_pids[@]}"; }
  # shellcheck disable=SC2153 # coproc sets it
  cost_sampler_pid=$COST_SAMPLER_PID
  cost_cpu_ms "$cost_sampler_pid" >"$cost_work/sampler.start"
  cost_snap "$cost_work/snap.0"
  for ((r = 1; r <= repeats; r++)); do
    sleep "$seconds"
    cost_snap "$cost_work/snap.$r"
  done
  cost_cpu_ms "$cost_sampler_pid" >"$cost_work/sampler.end"
}

# cost_report TITLE: the tables from the snapshots.
cost_report() {
  local i
  for i in "${!cost_pids[@]}"; do printf '%s\t%s\t%s\n' "${cost_pids[$i]}" "${cost_roles[$i]}" "${cost_names[$i]}"; done >"$cost_work/programs"
  awk -v title="$1" -v desktop="$cost_desktop" -v note="$cost_psensor_note" -v young_ms="$cost_young_ms" -v all_ms="$cost_all_ms" \
    -v hz="$(getconf CLK_TCK)" -v sampler0="$(cat "$cost_work/sampler.start")" -v sampler1="$(cat "$cost_work/sampler.end")" \
    -f "$here/bench/cost_report.awk" "$cost_work/programs" "$cost_work"/snap.*
}
