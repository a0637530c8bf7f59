#!/usr/bin/env bash
# Takes docs/images/ostrel-bus-area.png: Ostrel's icons in a D-Bus
# notification area (StatusNotifierItem) with their menu open, and the alarm's
# desktop notice, on a display and session bus of the script's own:
#   scripts/screenshot-bus-area.sh [build folder]
# Needs Xvfb, openbox, xdotool, ImageMagick's import, and a tray and a
# notification service to draw them: status-notifier-watcher and
# gtk-sni-tray-standalone (Debian packages haskell-status-notifier-item-utils
# and haskell-gtk-sni-tray-utils) and dunst.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$here/build}"
for tool in Xvfb openbox xdotool import dbus-daemon status-notifier-watcher gtk-sni-tray-standalone dunst; do
  command -v "$tool" >/dev/null || { echo "screenshot-bus-area: $tool is missing (see the comment at the top)" >&2; exit 1; }
done
[ -x "$build/app/Ostrel" ] || { echo "screenshot-bus-area: no $build/app/Ostrel: build first" >&2; exit 1; }

work="$(mktemp -d /tmp/ostrel-bus-area-XXXXXX)"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  [ -n "${bus_pid:-}" ] && kill "$bus_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

display=":$((90 + RANDOM % 9))"
Xvfb "$display" -screen 0 1024x600x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY="$display"
sleep 1
bus="$(dbus-daemon --session --fork --print-address=1 --print-pid=1)"
export DBUS_SESSION_BUS_ADDRESS="$(echo "$bus" | head -1)"
bus_pid="$(echo "$bus" | tail -1)"
openbox >/dev/null 2>&1 & pids+=($!)
status-notifier-watcher >"$work/watcher.log" 2>&1 & pids+=($!)
sleep 1
gtk-sni-tray-standalone --bottom --end -s 28 >"$work/tray.log" 2>&1 & pids+=($!)
dunst >"$work/dunst.log" 2>&1 & pids+=($!)
sleep 2

mkdir -p "$work/ostrel" && cp "$build/app/Ostrel" "$work/ostrel/"
# Four core icons; core 2 at 78 °C, over the alarm at 75 °C.
printf '[Ostrel]\nIconShow=15\nAlarm=1\nAlarm1=75\n' >"$work/ostrel/Ostrel.ini"
(cd "$work/ostrel" && SIMULATED_CPU=i7-2600k SIMULATED_MACHINE="bus-area-$$" SIMULATED_READOUT=40,36,20,38 \
  SIMULATED_LOAD=25 QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work" exec ./Ostrel >"$work/ostrel.log" 2>&1) &
pids+=($!)
sleep 7
# The icons sit at the right end of the bar along the bottom: a right click
# on the first, then the pointer onto the menu so no tip covers it.
xdotool mousemove 935 585 click 3
sleep 1
xdotool mousemove 830 330
sleep 1.5
mkdir -p "$here/docs/images"
import -window root "$here/docs/images/ostrel-bus-area.png"
echo "screenshot-bus-area: wrote docs/images/ostrel-bus-area.png"
