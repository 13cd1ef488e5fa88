#!/usr/bin/env bash
# Drives the real editor under a virtual X server the way a user would: opens an image, applies
# "Invert Colors" from the Filter menu, saves it as a native document with Save As and checks the
# saved file. Needs xvfb, xdotool and imagemagick (apt-get install xvfb xdotool imagemagick).
# Usage: scripts/e2e.sh [BUILD_DIR]   (default: build). Set KEEP_SCREENSHOTS=1 to keep the
# screenshots of each step in the work folder it prints.
set -euo pipefail

build=${1:-build}
program="$(cd "$build" && pwd)/velmaris-images"
work=$(mktemp -d)
display=:$((90 + RANDOM % 9))
trap 'kill "${editor:-}" "${xvfb:-}" 2>/dev/null || true; [[ -n "${KEEP_SCREENSHOTS:-}" ]] || rm -rf "$work"' EXIT

for tool in Xvfb xdotool convert import; do
  command -v "$tool" >/dev/null || { echo "e2e: $tool is missing (apt-get install xvfb xdotool imagemagick)" >&2; exit 1; }
done

step() { echo "e2e: $*"; }
shot() { import -display "$display" -window root "$work/$1.png"; }
# Waits until a window whose title contains $1 exists; prints its id.
wait_for_window() {
  for _ in $(seq 100); do
    if id=$(DISPLAY=$display xdotool search --name "$1" 2>/dev/null | head -1) && [[ -n "$id" ]]; then
      echo "$id"; return 0
    fi
    sleep 0.1
  done
  echo "e2e: no window titled '$1' appeared" >&2; return 1
}
keys() { DISPLAY=$display xdotool key --delay 120 "$@"; }

Xvfb "$display" -screen 0 1600x1000x24 >/dev/null 2>&1 &
xvfb=$!
sleep 1

convert -size 300x200 xc:red "$work/red.png"
step "opening red.png"
HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" DISPLAY=$display \
  "$program" "$work/red.png" >"$work/editor.log" 2>&1 &
editor=$!
window=$(wait_for_window "red.png")
DISPLAY=$display xdotool windowfocus --sync "$window"
sleep 1
shot 1-opened

step "Filter > Invert Colors"
keys alt Right Right Right Right Right Right Down Down Down Down Down Down Down Return
sleep 1
shot 2-inverted

step "Save As… inverted.velmaris"
keys ctrl+shift+s
wait_for_window "Save As" >/dev/null
sleep 0.5
DISPLAY=$display xdotool type --delay 30 "$work/inverted.velmaris"
keys Return
for _ in $(seq 100); do [[ -s "$work/inverted.velmaris" ]] && break; sleep 0.1; done
sleep 0.5
shot 3-saved

step "checking the saved file"
info=$("$program" --info "$work/inverted.velmaris")
echo "$info"
grep -q "300" <<<"$info" || { echo "e2e: the saved document has the wrong size" >&2; exit 1; }
"$program" --export "$work/inverted.velmaris" "$work/check.png"
pixel=$(convert "$work/check.png" -format "%[fx:int(255*p{10,10}.r)],%[fx:int(255*p{10,10}.g)],%[fx:int(255*p{10,10}.b)]" info:)
[[ "$pixel" == "0,255,255" ]] || { echo "e2e: expected the inverted red (0,255,255), found $pixel" >&2; exit 1; }

step "quitting"
# Without a window manager the focus does not come back by itself once the dialog closed.
DISPLAY=$display xdotool windowfocus --sync "$window"
keys ctrl+q
for _ in $(seq 50); do kill -0 "$editor" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$editor" 2>/dev/null; then
  echo "e2e: the editor did not quit" >&2; exit 1
fi
[[ -n "${KEEP_SCREENSHOTS:-}" ]] && echo "e2e: screenshots in $work"
echo "e2e: passed"
