#!/usr/bin/env bash
# Takes the README's picture of Ostrel's main window: the real program on the
# simulated i7-2600K under a private Xvfb display, captured with ImageMagick's
# import into docs/images/ostrel-main.png.
#   scripts/screenshot.sh [output.png]
# Uses the build in $OSTREL_BUILD_DIR (default build/), building Ostrel when needed.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${OSTREL_BUILD_DIR:-$here/build}"
output="${1:-$here/docs/images/ostrel-main.png}"

for tool in Xvfb xwininfo import; do
  command -v "$tool" >/dev/null || { echo "screenshot: $tool is missing (scripts/setup installs it)" >&2; exit 1; }
done

cmake -S "$here" -B "$build" -G Ninja >/dev/null
cmake --build "$build" --target Ostrel >/dev/null

work="$(mktemp -d /tmp/ostrel-screenshot-XXXXXX)"
xvfb_pid=""
ostrel_pid=""
cleanup() {
  if [ -n "$ostrel_pid" ]; then kill "$ostrel_pid" 2>/dev/null || true; wait "$ostrel_pid" 2>/dev/null || true; fi
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

# A display number nobody uses.
display=99
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 800x600x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
export DISPLAY=":$display"
for _ in $(seq 50); do xwininfo -root >/dev/null 2>&1 && break; sleep 0.1; done

# A private copy of the program keeps its settings file out of the build.
cp "$build/app/Ostrel" "$work/Ostrel"
printf '[Ostrel]\n' >"$work/Ostrel.ini"
mkdir -m 700 "$work/runtime"
(cd "$work" && XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=xcb \
   SIMULATED_CPU=i7-2600k SIMULATED_LOAD=25 SIMULATED_READOUT=47,44,50,46 \
   exec ./Ostrel >"$work/ostrel.log" 2>&1) &
ostrel_pid=$!

# The window, once it exists and has shown a few readings.
id=""
for _ in $(seq 100); do
  # The main window carries the class ("Ostrel" "Ostrel"); Qt's helper windows have none.
  id="$(xwininfo -root -tree 2>/dev/null | awk '/\("Ostrel" "Ostrel"\)/ { print $1; exit }')"
  [ -n "$id" ] && break
  sleep 0.1
done
if [ -z "$id" ]; then
  echo "screenshot: the Ostrel window did not appear" >&2
  cat "$work/ostrel.log" >&2
  exit 1
fi
sleep 4

mkdir -p "$(dirname "$output")"
import -window "$id" "$output"
kill -TERM "$ostrel_pid"
wait "$ostrel_pid" || true
ostrel_pid=""
echo "screenshot: wrote $output"
