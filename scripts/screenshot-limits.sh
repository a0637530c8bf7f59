#!/usr/bin/env bash
# Takes the pictures of the limits windows from the real Ostrel under a
# private Xvfb display without a notification area, where the main window's
# context menu offers the window: the Turbo Boost Limits window on the
# simulated i7-975 into docs/images/ostrel-turbo-limits.png and the Power
# Limits window on the simulated i7-2600K into docs/images/ostrel-power-limits.png.
#   scripts/screenshot-limits.sh [turbo.png [power.png]]
# Uses the build in $OSTREL_BUILD_DIR (default build/), building Ostrel when needed.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${OSTREL_BUILD_DIR:-$here/build}"
turbo_output="${1:-$here/docs/images/ostrel-turbo-limits.png}"
power_output="${2:-$here/docs/images/ostrel-power-limits.png}"

for tool in Xvfb xwininfo xdotool import; do
  command -v "$tool" >/dev/null || { echo "screenshot: $tool is missing (scripts/setup installs it)" >&2; exit 1; }
done

cmake -S "$here" -B "$build" -G Ninja >/dev/null
cmake --build "$build" --target Ostrel >/dev/null

work="$(mktemp -d /tmp/ostrel-limits-screenshot-XXXXXX)"
xvfb_pid=""
program_pid=""
stop_program() {
  if [ -n "$program_pid" ]; then
    kill -TERM "$program_pid" 2>/dev/null || true
    wait "$program_pid" 2>/dev/null || true
  fi
  program_pid=""
}
cleanup() {
  stop_program
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

display=99
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 800x600x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
export DISPLAY=":$display"
for _ in $(seq 50); do xwininfo -root >/dev/null 2>&1 && break; sleep 0.1; done

# window_named NAME: the X window whose title is NAME, waiting for it.
window_named() {
  local id=""
  for _ in $(seq 100); do
    id="$(xwininfo -root -tree 2>/dev/null | awk -v name="\"$1\":" 'index($0, name) { print $1; exit }')"
    [ -n "$id" ] && break
    sleep 0.1
  done
  echo "$id"
}

# capture PROFILE TITLE OUTPUT: Ostrel on the profile; the context menu's
# fourth entry opens the limits window titled TITLE, which goes to OUTPUT.
capture() {
  local profile="$1" title="$2" output="$3"
  local dir="$work/$profile"
  mkdir -p "$dir/runtime"
  chmod 700 "$dir/runtime"
  cp "$build/app/Ostrel" "$dir/Ostrel"
  printf '[Ostrel]\n' >"$dir/Ostrel.ini"
  (cd "$dir" && exec env XDG_RUNTIME_DIR="$dir/runtime" QT_QPA_PLATFORM=xcb SIMULATED_CPU="$profile" \
    SIMULATED_LOAD=25 SIMULATED_READOUT=47,44,50,46 ./Ostrel >"$dir/log" 2>&1) &
  program_pid=$!

  local main
  main="$(xwininfo -root -tree 2>/dev/null | awk '/\("Ostrel" "Ostrel"\)/ { print $1; exit }')"
  for _ in $(seq 100); do
    [ -n "$main" ] && break
    sleep 0.1
    main="$(xwininfo -root -tree 2>/dev/null | awk '/\("Ostrel" "Ostrel"\)/ { print $1; exit }')"
  done
  if [ -z "$main" ]; then
    echo "screenshot: the Ostrel window did not appear" >&2
    cat "$dir/log" >&2
    exit 1
  fi
  sleep 2
  # A free spot of the client area, right button; then the entries down to the limits window.
  xdotool mousemove --window "$main" 4 4 click 3
  sleep 0.5
  xdotool key Down Down Down Down Return
  local id
  id="$(window_named "$title")"
  if [ -z "$id" ]; then
    echo "screenshot: the $title window did not appear" >&2
    cat "$dir/log" >&2
    exit 1
  fi
  sleep 0.5
  mkdir -p "$(dirname "$output")"
  import -window "$id" "$output"
  stop_program
  echo "screenshot: wrote $output"
}

capture i7-975 "Turbo Boost Limits" "$turbo_output"
capture i7-2600k "Power Limits" "$power_output"
