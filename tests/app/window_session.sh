#!/usr/bin/env bash
# A whole task in the real window: create a 2-state rule from the start screen and name its tab,
# draw, export the rulestring to the clipboard, save the session through the file dialog, check
# the file with tavrix-cli, change something, then load the file back through the start screen.
#   tests/app/window_session.sh [path/to/tavrix] [output folder]
set -euo pipefail
cd "$(dirname "$0")/../.."

source tests/app/window_lib.sh
window_setup window-session "$@"
need_cli
session="$scratch/glider.tavses"
title() { xdotool getwindowname "$window"; }
start_editor
# Enter opens the new-rule page; its state stepper goes down to 2; Enter creates the rule and
# starts renaming the tab, which takes the typed name.
xdotool key Return sleep 0.5
xdotool mousemove --window "$window" 482 530 click 1 sleep 0.3
xdotool key Return sleep 0.6
xdotool type --delay 20 glider
xdotool key Return
park
shot created 0.8
# A new name is a change of the session.
[ "$(title)" = "* Tavrix" ] || fail "the renamed rule's window is titled '$(title)'"

# A few cells in frame 0, and in frame 1 a cell that sets a transition.
stroke 503 330 3
stroke 759 330 1
park
shot drawn

# Alt+E copies the rulestring and says so; the clipboard holds it while the editor runs.
xdotool key alt+e sleep 0.8
shot exported
xdotool key Return sleep 0.3
rulestring=$(xclip -selection clipboard -o 2>/dev/null || true)
[[ "$rulestring" == B*/S* ]] || fail "the clipboard holds '$rulestring', not a Hensel rulestring"
say "exported $rulestring"

# The saved file reads back in tavrix-cli.
save_session "$session"
park
shot saved
[ "$(title)" = "glider.tavses — Tavrix" ] || fail "saving left the title '$(title)'"
info=$("$cli" info "$session")
grep -q "^states=2$" <<<"$info" || fail "tavrix-cli info does not see 2 states: $info"
grep -q "name=\"glider\"" <<<"$info" || fail "tavrix-cli info does not see the tab 'glider': $info"
say "saved $session: $(head -n 1 <<<"$info")"

# Change the rule, then open the file again: the changes question, the start screen's
# "Load Rule", the dialog; the window shows the saved session once more.
stroke 759 330 2
park
sleep 0.3
[ "$(title)" = "glider.tavses* — Tavrix" ] || fail "a change after saving left the title '$(title)'"
xdotool key ctrl+o sleep 0.8
xdotool key --clearmodifiers alt+n sleep 0.6
shot open-page
xdotool mousemove --window "$window" 640 592 click 1
answer_dialog "$session"
park
shot loaded 1
[ "$(title)" = "glider.tavses — Tavrix" ] || fail "loading left the title '$(title)'"
frames=860x560+440+155
changed=$(differ "$out/saved.png" "$out/loaded.png" "$frames")
[ "${changed:-1}" -eq 0 ] || fail "the loaded session shows $changed pixels unlike the saved one"
say "loaded the session back; its frames look as saved"
close_through_menu
