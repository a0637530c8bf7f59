#!/usr/bin/env bash
# Takes the README's pictures of the main windows: the real programs on the
# simulated i7-2600K under a private Xvfb display, captured with ImageMagick's
# import into docs/images/ostrel-main.png (Ostrel) and
# docs/images/sparvel-main.png (Sparvel at full load), and Ostrel's mini
# layout into docs/images/ostrel-mini.png, and Ostrel's digit icons in a
# notification area (trayer) into docs/images/ostrel-tray.png, the same icons
# in "3 Digits" mode (in °F) on a light and on a dark panel into
# docs/images/ostrel-tray-3digits-light.png and ostrel-tray-3digits-dark.png, and its About
# box (opened with F1) into docs/images/ostrel-about.png, and its settings
# window (opened with a click on the Settings button) into
# docs/images/ostrel-settings.png, and, without a notification area, where
# the window's right-click menu offers them, the Turbo Boost Limits window on
# the simulated i7-975 into docs/images/ostrel-turbo-limits.png and the Power
# Limits window on the i7-2600K into docs/images/ostrel-power-limits.png.
#   scripts/screenshot.sh [ostrel.png [sparvel.png [ostrel-mini.png [ostrel-tray.png [ostrel-about.png
#                          [ostrel-settings.png [turbo-limits.png [power-limits.png
#                          [tray-3digits-light.png [tray-3digits-dark.png]]]]]]]]]]
#   scripts/screenshot.sh --later
# takes instead Ostrel, OstrelHX and Sparvel on the simulated i9-13900K into
# docs/images/{ostrel,ostrelhx,sparvel}-i9-13900k.png, and Sparvel with a box
# for each of the 64 CPUs of the simulated two-socket Xeon 4514Y into
# docs/images/sparvel-xeon-4514y-2s.png, on a 1024x768 screen that holds it.
#   scripts/screenshot.sh --many
# takes OstrelXL, which shows every core, on the simulated i9-13900K (24
# cores) and two-socket Xeon Silver 4514Y (32 cores) on a 1920x1200 screen
# into docs/images/ostrelxl-i9-13900k.png and ostrelxl-xeon-4514y-2s.png.
# Uses the build in $OSTREL_BUILD_DIR (default build/), building the programs when needed.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${OSTREL_BUILD_DIR:-$here/build}"
later=0
many=0
if [ "${1:-}" = --later ]; then
  later=1
  shift
elif [ "${1:-}" = --many ]; then
  many=1
  shift
fi
ostrel_output="${1:-$here/docs/images/ostrel-main.png}"
sparvel_output="${2:-$here/docs/images/sparvel-main.png}"
mini_output="${3:-$here/docs/images/ostrel-mini.png}"
tray_output="${4:-$here/docs/images/ostrel-tray.png}"
about_output="${5:-$here/docs/images/ostrel-about.png}"
settings_output="${6:-$here/docs/images/ostrel-settings.png}"
turbo_output="${7:-$here/docs/images/ostrel-turbo-limits.png}"
power_output="${8:-$here/docs/images/ostrel-power-limits.png}"
tray_light_output="${9:-$here/docs/images/ostrel-tray-3digits-light.png}"
tray_dark_output="${10:-$here/docs/images/ostrel-tray-3digits-dark.png}"

for tool in Xvfb xwininfo import xdotool; do
  command -v "$tool" >/dev/null || { echo "screenshot: $tool is missing (scripts/setup installs it)" >&2; exit 1; }
done

cmake -S "$here" -B "$build" -G Ninja >/dev/null
cmake --build "$build" --target Ostrel OstrelHX OstrelXL Sparvel >/dev/null

work="$(mktemp -d /tmp/ostrel-screenshot-XXXXXX)"
xvfb_pid=""
program_pid=""
trayer_pid=""""
stop_program() {
  if [ -n "$program_pid" ]; then
    kill -TERM "$program_pid" 2>/dev/null || true
    wait "$program_pid" 2>/dev/null || true
  fi
  program_pid=""
}
cleanup() {
  stop_program
  if [ -n "$trayer_pid" ]; then kill "$trayer_pid" 2>/dev/null || true; wait "$trayer_pid" 2>/dev/null || true; fi
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

# A display number nobody uses.
display=99
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
# Sparvel's 64 boxes need 1024x768, the many-core window's rows a screen of
# today's height.
screen=800x600
[ "$later" = 1 ] && screen=1024x768
[ "$many" = 1 ] && screen=1920x1200
Xvfb ":$display" -screen 0 "${screen}x24" -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
export DISPLAY=":$display"
for _ in $(seq 50); do xwininfo -root >/dev/null 2>&1 && break; sleep 0.1; done

# capture PROGRAM SECONDS OUTPUT [VARIABLE=VALUE...]
# Runs a private copy of the program (its settings file stays out of the
# build) with the variables given, lets it tick for SECONDS once its window
# is there, and writes the window to OUTPUT. The settings file holds the
# lines of $capture_settings.
capture() {
  local program="$1" seconds="$2" output="$3"
  shift 3
  local dir="$work/$program"
  mkdir -p "$dir/runtime"
  chmod 700 "$dir/runtime"
  cp "$build/app/$program" "$dir/$program"
  printf '[%s]\n%s' "$program" "${capture_settings:-}" >"$dir/$program.ini"
  (cd "$dir" && exec env XDG_RUNTIME_DIR="$dir/runtime" QT_QPA_PLATFORM=xcb "$@" "./$program" >"$dir/log" 2>&1) &
  program_pid=$!

  # The main window carries the class ("<program>" "<program>"); Qt's helper windows have none.
  local id=""
  for _ in $(seq 100); do
    id="$(xwininfo -root -tree 2>/dev/null | awk -v class="(\"$program\" \"$program\")" 'index($0, class) { print $1; exit }')"
    [ -n "$id" ] && break
    kill -0 "$program_pid" 2>/dev/null || break
    sleep 0.1
  done
  if [ -z "$id" ]; then
    echo "screenshot: the $program window did not appear" >&2
    cat "$dir/log" >&2
    exit 1
  fi
  sleep "$seconds"
  # Found again: a window that changed its frame (the mini layout) may be a new X window.
  id="$(xwininfo -root -tree 2>/dev/null | awk -v class="(\"$program\" \"$program\")" 'index($0, class) { print $1; exit }')"

  mkdir -p "$(dirname "$output")"
  import -window "$id" "$output"
  stop_program
  echo "screenshot: wrote $output"
}

if [ "$many" = 1 ]; then
  readouts=""
  for core in $(seq 0 31); do readouts="$readouts${readouts:+,}$((44 + core % 9))"; done
  capture OstrelXL 4 "$here/docs/images/ostrelxl-i9-13900k.png" \
    SIMULATED_CPU=i9-13900k SIMULATED_LOAD=40 SIMULATED_READOUT="$readouts"
  capture OstrelXL 4 "$here/docs/images/ostrelxl-xeon-4514y-2s.png" \
    SIMULATED_CPU=xeon-4514y-2s SIMULATED_LOAD=40 SIMULATED_READOUT="$readouts"
  exit 0
fi

if [ "$later" = 1 ]; then
  for program in Ostrel OstrelHX Sparvel; do
    name="$(echo "$program" | tr '[:upper:]' '[:lower:]')"
    capture "$program" 4 "$here/docs/images/$name-i9-13900k.png" \
      SIMULATED_CPU=i9-13900k SIMULATED_LOAD=40 SIMULATED_READOUT=52,47,55,49,58,50
  done
  capture Sparvel 4 "$here/docs/images/sparvel-xeon-4514y-2s.png" SIMULATED_CPU=xeon-4514y-2s SIMULATED_LOAD=40
  exit 0
fi

capture Ostrel 4 "$ostrel_output" \
  SIMULATED_CPU=i7-2600k SIMULATED_LOAD=25 SIMULATED_READOUT=47,44,50,46
capture Sparvel 3 "$sparvel_output" \
  SIMULATED_CPU=i7-2600k SIMULATED_LOAD=100
capture_settings=$'MiniMode=1\n' capture Ostrel 4 "$mini_output" \
  SIMULATED_CPU=i7-2600k SIMULATED_LOAD=25 SIMULATED_READOUT=47,44,50,46

# capture_tray TINT HEIGHT OUTPUT SETTINGS
# The notification area: a trayer panel of the colour TINT and HEIGHT pixels
# on the same display docks Ostrel's icons (the four cores and the hottest,
# with the settings lines given); the panel is captured once they show their
# digits. The panel stays for the windows captured after it.
capture_tray() {
  local tint="$1" height="$2" output="$3" settings="$4"
  if [ -n "$trayer_pid" ]; then
    kill "$trayer_pid" 2>/dev/null || true
    wait "$trayer_pid" 2>/dev/null || true
  fi
  trayer --edge top --align right --widthtype pixel --width 140 --height "$height" --transparent true --alpha 0 \
    --tint "$tint" >"$work/trayer.log" 2>&1 &
  trayer_pid=$!
  sleep 1
  local dir="$work/OstrelTray"
  rm -rf "$dir"
  mkdir -p "$dir/runtime"
  chmod 700 "$dir/runtime"
  cp "$build/app/Ostrel" "$dir/Ostrel"
  printf '[Ostrel]\nIconShow=15\nIconMax=1\nTaskBar=1\n%s' "$settings" >"$dir/Ostrel.ini"
  (cd "$dir" && exec env XDG_RUNTIME_DIR="$dir/runtime" QT_QPA_PLATFORM=xcb SIMULATED_CPU=i7-2600k \
    SIMULATED_LOAD=25 SIMULATED_READOUT=47,44,50,46 ./Ostrel >"$dir/log" 2>&1) &
  program_pid=$!
  sleep 5
  local panel
  panel="$(xwininfo -root -tree 2>/dev/null | awk '/"panel": \("panel" "trayer"\)/ { print $1; exit }')"
  if [ -n "$panel" ]; then
    import -window "$panel" "$output"
    echo "screenshot: wrote $output"
  else
    echo "screenshot: no notification area appeared; $output not taken" >&2
  fi
  stop_program
}

if command -v trayer >/dev/null; then
  # "3 Digits" in °F (the cores at 118 to 129 °F) on a light and a dark
  # panel 24 pixels high, whose icons are 22 pixels square; then the usual
  # icons, whose panel stays.
  capture_tray 0xEEEEEE 24 "$tray_light_output" $'ThreeDigit=1\nFahrenheit=1\n'
  capture_tray 0x202020 24 "$tray_dark_output" $'ThreeDigit=1\nFahrenheit=1\n'
  capture_tray 0x202020 24 "$tray_output" ""
fi

# capture_secondary TITLE OUTPUT SETTINGS ACTION...
# Starts Ostrel (on $secondary_profile, default the i7-2600K) with the settings lines given, runs ACTION on its main window
# (the variables WINDOW, WIDTH and HEIGHT say where it is) and captures the
# window titled TITLE that it opens.
capture_secondary() {
  local title="$1" output="$2" settings="$3"
  shift 3
  local dir="$work/Ostrel-$title"
  mkdir -p "$dir/runtime"
  chmod 700 "$dir/runtime"
  cp "$build/app/Ostrel" "$dir/Ostrel"
  printf '[Ostrel]\n%s' "$settings" >"$dir/Ostrel.ini"
  (cd "$dir" && exec env XDG_RUNTIME_DIR="$dir/runtime" QT_QPA_PLATFORM=xcb SIMULATED_CPU="${secondary_profile:-i7-2600k}" \
    SIMULATED_LOAD=25 SIMULATED_READOUT=47,44,50,46 ./Ostrel >"$dir/log" 2>&1) &
  program_pid=$!
  local main="" found=""
  for _ in $(seq 100); do
    main="$(xwininfo -root -tree 2>/dev/null | awk 'index($0, "(\"Ostrel\" \"Ostrel\")") { print $1; exit }')"
    [ -n "$main" ] && break
    sleep 0.1
  done
  if [ -n "$main" ]; then
    sleep 1
    eval "$(xdotool getwindowgeometry --shell "$main")"
    "$@" 2>/dev/null || true
    for _ in $(seq 50); do
      found="$(xwininfo -root -tree 2>/dev/null | awk -v name="\"$title\": (\"Ostrel\" \"Ostrel\")" 'index($0, name) { print $1; exit }')"
      [ -n "$found" ] && break
      sleep 0.1
    done
  fi
  if [ -n "$found" ]; then
    sleep 0.5
    import -window "$found" "$output"
    echo "screenshot: wrote $output"
  else
    echo "screenshot: the $title window did not appear; $output not taken" >&2
  fi
  stop_program
}

# The About box: F1 on Ostrel's window opens it.
press_f1() { xdotool windowfocus --sync "$WINDOW" key F1; }
capture_secondary About "$about_output" "" press_f1

# The settings window: a click on the Settings button (dialog units 155,216
# 48x14 of the 208x234 window) opens it beside the main window.
click_settings() { xdotool mousemove --window "$WINDOW" $((WIDTH * 179 / 208)) $((HEIGHT * 223 / 234)) click 1; }
capture_secondary Settings "$settings_output" $'LogFile=1\nAlarm=1\nIconShow=15\n' click_settings

# The limits windows: the right-click menu offers them where the desktop has
# no notification area, as its fourth entry.
if [ -n "$trayer_pid" ]; then
  kill "$trayer_pid" 2>/dev/null || true
  wait "$trayer_pid" 2>/dev/null || true
  trayer_pid=""
fi
open_limits() {
  xdotool mousemove --window "$WINDOW" 4 4 click 3
  sleep 0.5
  xdotool key Down Down Down Down Return
}
secondary_profile=i7-975 capture_secondary "Turbo Boost Limits" "$turbo_output" "" open_limits
capture_secondary "Power Limits" "$power_output" "" open_limits
