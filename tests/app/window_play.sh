#!/usr/bin/env bash
# Playing a large soup in the real window: a Golly rule imported with tavrix-cli opens in the
# editor, the viewer's size prompt (a right click on "Randomize") makes a 2048 x 2048 soup, "+"
# raises the speed to the top and Play runs it for ten seconds. The generation counter under the
# viewer must change and the generations must advance; the rate the editor logs
# (TAVRIX_LOG_RATE=1) is printed, never judged.
#   tests/app/window_play.sh [path/to/tavrix] [output folder]
# TAVRIX_PLAY_RULES names the rules to play, from /usr/share/golly/Rules or as paths to .rule
# files (tests/app/cyclic5.rule: five states that never settle nor grow): Life alone unless set
# (each takes some 20 s); "Life CrittersMargolus_emulated" adds a 5-state rule.
set -euo pipefail
cd "$(dirname "$0")/../.."

source tests/app/window_lib.sh
window_setup window-play "$@"
need_cli
export TAVRIX_LOG_RATE=1
# The viewer's controls on the screen of a 1280 x 1080 client: "Play", "Randomize" and "+", and
# the box with "T <n> | 2048x2048".
play=(60 129) randomize=(230 129) faster=(362 171) counter=170x36+24+153
# The last line the editor logged: "viewer: generation <n>, <r> gen/s, last step <t> ms".
logged() { grep '^viewer: generation ' "$out/tavrix.log" | tail -n 1; }
generation_of() { sed 's/^viewer: generation \([0-9-]*\),.*/\1/' <<<"$1"; }
# The mean of the rates logged in lines $1 + 1 through $2 of the editor's lines.
mean_rate() {
  grep '^viewer: generation ' "$out/tavrix.log" | sed -n "$(($1 + 1)),$2p" |
    awk '{ sum += $4; n++ } END { if (n) printf "%.1f", sum / n; else print "?" }'
}
lines() { grep -c '^viewer: generation ' "$out/tavrix.log" || true; }

play_rule() {
  local rule=$1 name=$2
  local session="$scratch/$name.tavses"
  local file=$rule
  [[ $rule == */* ]] || file="/usr/share/golly/Rules/$rule.rule"
  "$cli" import "$file" -o "$session" >/dev/null || fail "tavrix-cli could not import $rule"
  local states
  states=$("$cli" info "$session" | sed -n 's/^states=//p' | head -n 1)
  start_editor "$session"
  park
  shot "$name-opened" 0.5

  # The size prompt: the size field has the focus with its text selected, Tab selects the density.
  xdotool mousemove --window "$window" "${randomize[@]}" click 3
  sleep 1
  xdotool type --delay 20 2048
  xdotool key Tab
  xdotool type --delay 20 0.5
  xdotool key Return
  sleep 1.5
  # Seven steps reach the top from the slowest; the speed is kept in the settings, so presses
  # past the top are refused, which shows a note and changes nothing.
  for _ in $(seq 1 7); do xdotool mousemove --window "$window" "${faster[@]}" click 1 sleep 0.15; done
  park
  shot "$name-soup" 0.5
  # The counter gains the soup's size, "T 0 | 2048x2048", from 512 cells a side on.
  local sized
  sized=$(differ "$out/$name-opened.png" "$out/$name-soup.png" "$counter")
  [ "${sized:-0}" -gt 0 ] || fail "the size prompt left the counter as it was ($out/$name-soup.png)"

  xdotool mousemove --window "$window" "${play[@]}" click 1
  park
  sleep 1.5
  local first first_line
  shot "$name-playing-1" 0
  first=$(logged) first_line=$(lines)
  sleep 10
  shot "$name-playing-2" 0
  local last last_line
  last=$(logged) last_line=$(lines)
  xdotool mousemove --window "$window" "${play[@]}" click 1
  park

  local moved
  moved=$(differ "$out/$name-playing-1.png" "$out/$name-playing-2.png" "$counter")
  [ "${moved:-0}" -gt 0 ] || fail "the counter of $rule did not change in 10 s ($out/$name-playing-2.png)"
  local from to
  from=$(generation_of "$first") to=$(generation_of "$last")
  [ -n "$from" ] && [ -n "$to" ] || fail "the editor logged no generations with TAVRIX_LOG_RATE=1"
  [ "$to" -gt "$from" ] || fail "$rule stayed at generation $from while playing"
  say "$rule ($states states), 2048x2048 soup at the top speed: generation $from to $to in the" \
    "$((last_line - first_line)) s logged between the screenshots, $(mean_rate "$first_line" "$last_line") gen/s" \
    "($out/$name-playing-2.png)"
  close_through_menu
}

for rule in ${TAVRIX_PLAY_RULES:-Life}; do
  play_rule "$rule" "$(basename "$rule" .rule | tr 'A-Z' 'a-z')"
done
