#!/usr/bin/env bash
# The window on a desktop scaled to 200 %: its layout is in logical pixels, so a click lands where
# the control is drawn; new tabs, from Ctrl+N and from "+", start their rename and Enter confirms
# the typed name. Checked through the saved session with tavrix-cli.
#   tests/app/window_scaled.sh [path/to/tavrix] [output folder]
set -euo pipefail
cd "$(dirname "$0")/../.."

export QT_SCALE_FACTOR=2 TAVRIX_WINDOW_SCREEN=2900x2400x24
source tests/app/window_lib.sh
window_setup window-scaled "$@"
need_cli
session="$scratch/scaled.tavses"
name_tab() { xdotool type --delay 20 "$1"; xdotool key Return; sleep 0.5; }

start_editor
# Enter twice creates the rule and starts renaming its tab.
xdotool key Return sleep 0.5 key Return sleep 0.6
name_tab first
xdotool key ctrl+n sleep 0.5
name_tab second
# The tab strip's "+" at the window's right end, 1237,128 in logical pixels of a 1280-wide window.
xdotool mousemove --window "$window" 2474 256 click 1 sleep 0.5
name_tab third
shot named
save_session "$session"
info=$("$cli" info "$session")
for name in first second third; do
  grep -q "name=\"$name\"" <<<"$info" || fail "the tab '$name' is missing ($out/named.png): $info"
done
grep -q "^tabs=3$" <<<"$info" || fail "expected 3 tabs: $info"
say "three tabs named by typing at 200 % ($out/named.png)"
close_through_menu
