#!/usr/bin/env bash
# Drives the real editor under a virtual X server the way a user would: opens an image, applies
# "Invert Colors" from the Filter menu and saves a native document with Save As; opens a second
# image, closes it and reopens it from File › Open Recent; adds a layer and saves it as PNG with
# Save As (the dialog must warn that the layers are flattened, and the window stay unsaved); closes
# it (the editor must ask, and saves it as a native document) and quits. It also checks that the
# settings of a version that named no organisation move to the program's own settings folder.
# Needs xvfb, xdotool, imagemagick and tesseract-ocr (scripts/install-deps.sh --e2e).
# Usage: scripts/e2e.sh [BUILD_DIR]   (default: build). Set KEEP_SCREENSHOTS=1 to keep the
# screenshots of each step in the work folder it prints.
set -euo pipefail

build=${1:-build}
program="$(cd "$build" && pwd)/velmaris-images"
work=$(mktemp -d)
display=:$((90 + RANDOM % 9))
trap 'kill "${editor:-}" "${xvfb:-}" 2>/dev/null || true; [[ -n "${KEEP_SCREENSHOTS:-}" ]] || rm -rf "$work"' EXIT

for tool in Xvfb xdotool convert import tesseract; do
  command -v "$tool" >/dev/null || { echo "e2e: $tool is missing (scripts/install-deps.sh --e2e)" >&2; exit 1; }
done

step() { echo "e2e: $*"; }
fail() { echo "e2e: $*" >&2; exit 1; }
shot() { import -display "$display" -window root "$work/$1.png"; }
# Waits until a window whose title matches the pattern $1 exists; prints its id.
wait_for_window() {
  for _ in $(seq 100); do
    if id=$(DISPLAY=$display xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1) && [[ -n "$id" ]]; then
      echo "$id"; return 0
    fi
    sleep 0.1
  done
  fail "no window titled '$1' appeared"
}
# Waits until no window's title matches $1.
wait_for_no_window() {
  for _ in $(seq 100); do
    DISPLAY=$display xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 || return 0
    sleep 0.1
  done
  fail "the window titled '$1' stayed open"
}
wait_for_file() {
  for _ in $(seq 100); do [[ -s "$1" ]] && return 0; sleep 0.1; done
  fail "$1 was not written"
}
keys() { DISPLAY=$display xdotool key --delay 120 "$@"; }
typed() { DISPLAY=$display xdotool type --delay 30 "$1"; }
# Without a window manager the focus does not come back by itself once a dialog closed.
focus() { DISPLAY=$display xdotool windowfocus --sync "$1"; sleep 0.3; }
title() { DISPLAY=$display xdotool getwindowname "$1"; }
# Screenshots window $1 as $2 and checks that the text $3 can be read in it.
expect_text() {
  import -display "$display" -window "$1" "$work/$2.png"
  convert "$work/$2.png" -resize 200% -colorspace Gray "$work/$2-ocr.png"
  tesseract "$work/$2-ocr.png" "$work/$2" >/dev/null 2>&1
  # Line breaks fall anywhere: the words are compared as one line.
  tr '\n' ' ' <"$work/$2.txt" | tr -s ' ' | grep -qiF "$3" || fail "'$3' is not shown in $2.png (read: $(tr '\n' ' ' <"$work/$2.txt"))"
}

Xvfb "$display" -screen 0 1600x1000x24 >/dev/null 2>&1 &
xvfb=$!
sleep 1

convert -size 300x200 xc:red "$work/red.png"
convert -size 120x80 xc:blue "$work/blue.png"
# Where an earlier version kept its settings: the editor takes them over at launch.
mkdir -p "$work/config/Unknown Organization"
printf '[General]\napp.velmaris.velmarisimages.HistoryLimit=77\n' >"$work/config/Unknown Organization/Velmaris Images.conf"

step "opening red.png"
HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" DISPLAY=$display \
  "$program" "$work/red.png" >"$work/editor.log" 2>&1 &
editor=$!
window=$(wait_for_window "red.png")
focus "$window"
sleep 1
shot 1-opened

step "Filter > Invert Colors"
keys alt Right Right Right Right Right Right Down Down Down Down Down Down Down Return
sleep 1
shot 2-inverted

step "Save As… inverted.velmaris"
keys ctrl+shift+s
wait_for_window "^Save As$" >/dev/null
sleep 0.5
typed "$work/inverted.velmaris"
keys Return
wait_for_file "$work/inverted.velmaris"
sleep 0.5
shot 3-saved

step "checking the saved file"
info=$("$program" --info "$work/inverted.velmaris")
echo "$info"
grep -q "300" <<<"$info" || fail "the saved document has the wrong size"
"$program" --export "$work/inverted.velmaris" "$work/check.png"
pixel=$(convert "$work/check.png" -format "%[fx:int(255*p{10,10}.r)],%[fx:int(255*p{10,10}.g)],%[fx:int(255*p{10,10}.b)]" info:)
[[ "$pixel" == "0,255,255" ]] || fail "expected the inverted red (0,255,255), found $pixel"

step "Open… blue.png, then closing it"
focus "$window"
keys ctrl+o
wait_for_window "^Open$" >/dev/null
sleep 0.5
typed "$work/blue.png"
keys Return
blue=$(wait_for_window "^blue.png")
focus "$blue"
shot 4-second-open
keys ctrl+w
wait_for_no_window "^blue.png"

step "File > Open Recent > blue.png"
focus "$window"
# File is the second menu, Open Recent its fourth item; the most recent file comes first.
keys alt Right Down Down Down Down Right
sleep 0.5
shot 5-open-recent
keys Return
blue=$(wait_for_window "^blue.png")
focus "$blue"
shot 6-reopened

step "New Layer, then Save As… layered.png"
keys ctrl+shift+n
sleep 0.5
[[ "$(title "$blue")" == "blue.png*"* ]] || fail "the new layer did not mark the window edited: $(title "$blue")"
keys ctrl+shift+s
dialog=$(wait_for_window "^Save As$")
sleep 0.5
expect_text "$dialog" 7-save-as-warns "Saving in another format will flatten it"
typed "$work/layered.png"
keys Return
wait_for_file "$work/layered.png"
sleep 0.5
shot 8-saved-flat
[[ "$(identify -format %wx%h "$work/layered.png")" == "120x80" ]] || fail "layered.png has the wrong size"
[[ "$(title "$blue")" == "layered.png*"* ]] || fail "the flattened save marked the layers saved: $(title "$blue")"

step "closing asks, and Save keeps the layers in a native document"
focus "$blue"
keys ctrl+w
question=$(wait_for_window "^Velmaris Images$")
sleep 0.5
expect_text "$question" 9-close-asks "Do you want to save the changes"
keys Return
dialog=$(wait_for_window "^Save As$")
sleep 0.5
expect_text "$dialog" 10-promoted-save "only the Velmaris Image format keeps"
typed "$work/layered.velmaris"
keys Return
wait_for_file "$work/layered.velmaris"
wait_for_no_window "^layered"
info=$("$program" --info "$work/layered.velmaris")
[[ $(grep -o '"kind"' <<<"$info" | wc -l) -eq 2 ]] || fail "layered.velmaris should hold two layers: $info"

step "quitting"
focus "$window"
keys ctrl+q
for _ in $(seq 50); do kill -0 "$editor" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$editor" 2>/dev/null; then
  shot 11-not-quit
  fail "the editor did not quit"
fi

step "checking the settings folder"
settings="$work/config/Velmaris/Velmaris Images.conf"
[[ -f "$settings" ]] || fail "no settings in $settings"
grep -q "HistoryLimit=77" "$settings" || fail "the old settings were not taken over"
[[ ! -e "$work/config/Unknown Organization" ]] || fail "the old settings folder is still there"

[[ -n "${KEEP_SCREENSHOTS:-}" ]] && echo "e2e: screenshots in $work"
echo "e2e: passed"
