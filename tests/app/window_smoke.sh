#!/usr/bin/env bash
# Starts the editor in a virtual X server, waits for its window, checks that it drew something,
# sends a few inputs, and closes it through File > Exit, expecting exit status 0. Screenshots
# stay in the output folder for a person to look at.
#   tests/app/window_smoke.sh [path/to/tavrix] [output folder]
set -euo pipefail
cd "$(dirname "$0")/../.."

source tests/app/window_lib.sh
window_setup window-smoke "$@"
start_editor
say "first frame drawn ($out/start.png)"

# The window's layout is fixed at its first client size (1280 x 1080 under a 1400 x 1150 screen):
# frame 0 of the rule editor and the viewer's grid sit at these window points and screen regions.
# Clicking frame 0 focuses it (a thicker outline), so the undo check looks inside it and at the
# frames beside it.
frame0_x=567 frame0_y=330 frames_region=860x300+440+155 viewer_region=390x870+25+200
frame0_inside=220x220+460+200 frames_beside=545x300+712+155

# The start screen's keyboard path: Enter opens the new-rule page, Enter creates the rule and
# starts renaming its tab, Enter commits the name.
xdotool windowfocus --sync "$window" 2>/dev/null || true
xdotool key Return sleep 0.4 key Return sleep 0.6 key Return
park
shot editor 1
alive || fail "the editor died leaving the start screen"

# Draw a row of cells in frame 0 with the right button: frame 0 and the frames after it change.
stroke $((frame0_x - 64)) $frame0_y 3
park
shot drawn
changed=$(differ "$out/editor.png" "$out/drawn.png" "$frames_region")
[ "${changed:-0}" -gt 500 ] || fail "drawing in frame 0 changed $changed pixels of the frames"
say "drawing changed $changed pixels of the frames ($out/drawn.png)"

# One Ctrl+Z takes the whole stroke back.
xdotool key ctrl+z
park
shot undone
left=$(($(differ "$out/editor.png" "$out/undone.png" "$frame0_inside") + \
  $(differ "$out/editor.png" "$out/undone.png" "$frames_beside")))
[ "${left:-1}" -eq 0 ] || fail "Ctrl+Z left $left pixels of the stroke in the frames"
say "Ctrl+Z restored the frames"

# Enter in the viewer plays it: two screenshots apart differ in the viewer.
xdotool mousemove --window "$window" 190 600 click 1
park
xdotool key Return
shot playing-1 0.8
shot playing-2 0.8
moved=$(differ "$out/playing-1.png" "$out/playing-2.png" "$viewer_region")
xdotool key Return
[ "${moved:-0}" -gt 0 ] || fail "the viewer did not play after Enter"
say "the viewer plays ($moved pixels changed, $out/playing-2.png)"
alive || fail "the editor died on input"

# With nothing left to undo, Ctrl+Z says so at the bottom of the window.
xdotool key ctrl+z sleep 0.2 key ctrl+z sleep 0.2 key ctrl+z
park
shot refused 0.3
said=$(differ "$out/playing-2.png" "$out/refused.png" 500x40+390+1050)
[ "${said:-0}" -gt 100 ] || fail "a refused Ctrl+Z showed nothing ($out/refused.png)"
say "a refused Ctrl+Z shows its reason ($out/refused.png)"
close_through_menu

# A pattern named on the command line opens with the rule of its header, in a new tab.
printf 'x = 3, y = 3, rule = B3/S23\nbo$2bo$3o!\n' >"$scratch/glider.rle"
start_editor glider.rle
park
shot rle 1
[ "$(xdotool getwindowname "$window")" = "Tavrix" ] || fail "the pattern's window is titled '$(xdotool getwindowname "$window")'"
say "opened glider.rle ($out/rle.png)"
close_through_menu
