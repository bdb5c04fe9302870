#!/usr/bin/env bash
# Renaming a tab in the real window: the typed name is drawn once, by the tab itself, with no
# edit field over it and no extra window; Return keeps the name, F2 starts another rename and
# Escape drops it. Checked through the saved session with tavrix-cli.
#   tests/app/window_rename.sh [path/to/tavrix] [output folder]
set -euo pipefail
cd "$(dirname "$0")/../.."

source tests/app/window_lib.sh
window_setup window-rename "$@"
need_cli
session="$scratch/renamed.tavses"
# Visible X windows of the editor's process: a separate edit field or a popup adds one.
visible_windows() { xdotool search --onlyvisible --pid "$pid" '' 2>/dev/null | wc -l; }
# The rule editor's tab bar on the screen of a 1280 x 1080 client, and the first tab's outline
# row: the tab is as wide as its name, so its extent is read from the drawing.
tab_bar=820x40+437+109 tab_left=522 tab_row=140 tab_top=111 tab_bottom=147
# The columns of the first tab: from its left edge to the last pixel of its outline colour on
# one row, before the next tab begins.
first_tab_right() {
  local outline
  outline=$(convert "$1" -format "%[hex:p{$tab_left,$tab_row}]" info:)
  convert "$1" -crop "400x1+$tab_left+$tab_row" +repage txt:- |
    awk -v c="#$outline" -F'[,:]' '$0 ~ c { last = $1 } END { print '"$tab_left"' + last }'
}
# Where two screenshots differ within the tab bar: "count width height left top" (screen pixels).
bar_difference() {
  convert "$1" "$2" -crop "$tab_bar" -compose difference -composite -colorspace gray -threshold 0 \
    -format '%[fx:mean*w*h] %@\n' info: | sed 's/[x+]/ /g'
}

start_editor
windows_before=$(visible_windows)
[ "$windows_before" -gt 0 ] || fail "xdotool finds no window of the editor's process"
# Enter twice creates the rule and starts renaming its tab.
xdotool key Return sleep 0.5 key Return sleep 0.6
xdotool type --delay 20 spaceships
park
shot renaming
windows_renaming=$(visible_windows)
xdotool key Return
park
shot renamed
[ "$windows_renaming" -eq "$windows_before" ] ||
  fail "renaming shows $windows_renaming windows, $windows_before before it"

# The same name before and after Return: only the tab's caret may differ, a thin bar inside it.
read -r count width height left top < <(bar_difference "$out/renaming.png" "$out/renamed.png")
right=$(first_tab_right "$out/renamed.png")
say "the typed name differs from the kept one in $count pixels (${width}x${height} at $left,$top)"
[ "${count%.*}" -gt 0 ] || fail "no caret while renaming ($out/renaming.png)"
[ "${count%.*}" -le 80 ] || fail "the name shows $count pixels apart while typed ($out/renaming.png)"
# %@ is relative to the crop's corner, 437,109.
left=$((left + 437)) top=$((top + 109))
[ "$left" -gt "$tab_left" ] && [ $((left + width)) -lt "$right" ] && [ "$top" -ge "$tab_top" ] &&
  [ $((top + height)) -le "$tab_bottom" ] ||
  fail "the difference at $left,$top lies outside the tab ($tab_left..$right): $out/renaming.png"
say "the typed name is drawn once, by the tab ($out/renaming.png, $out/renamed.png)"

# F2 renames the current tab again; the typing shows, and Escape puts the name back.
xdotool key F2 sleep 0.4
xdotool type --delay 20 _draft
park
shot draft
xdotool key Escape
park
shot cancelled
changed=$(differ "$out/renamed.png" "$out/draft.png" "$tab_bar")
[ "${changed:-0}" -gt 100 ] || fail "F2 and typing changed $changed pixels of the tab bar ($out/draft.png)"
left_over=$(differ "$out/renamed.png" "$out/cancelled.png" "$tab_bar")
[ "${left_over:-1}" -eq 0 ] || fail "Escape left $left_over pixels of the rename ($out/cancelled.png)"
say "F2 renames again, Escape restores the name ($out/draft.png, $out/cancelled.png)"

save_session "$session"
info=$("$cli" info "$session")
grep -q '^tab=0 .*name="spaceships" ' <<<"$info" || fail "the tab is not named 'spaceships': $info"
say "the saved session names its tab 'spaceships'"
close_through_menu
