#!/usr/bin/env bash
# Starts the editor in a virtual X server, waits for its window, checks that it drew something,
# sends a few inputs, and closes it through File > Exit, expecting exit status 0. Screenshots
# stay in the output folder for a person to look at.
#   tests/app/window_smoke.sh [path/to/tavrix] [output folder]
set -euo pipefail
cd "$(dirname "$0")/../.."

if [ -z "${TAVRIX_SMOKE_INNER:-}" ]; then
  bin="${1:-build/bin/tavrix}"
  out="${2:-build/window-smoke}"
  [ -x "$bin" ] || { echo "window smoke: $bin is not built" >&2; exit 1; }
  mkdir -p "$out"
  export TAVRIX_SMOKE_INNER=1 TAVRIX_SMOKE_BIN="$(realpath "$bin")" TAVRIX_SMOKE_OUT="$(realpath "$out")"
  exec timeout 60 xvfb-run -a -s "-screen 0 1400x1150x24" "$0"
fi

bin="$TAVRIX_SMOKE_BIN"
out="$TAVRIX_SMOKE_OUT"
scratch="$(mktemp -d)"
# Settings go to a scratch folder, never the user's; the editor starts in it.
export XDG_CONFIG_HOME="$scratch/config" XDG_RUNTIME_DIR="$scratch/runtime" HOME="${HOME:-$scratch}"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
pid=""
cleanup() {
  [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null && kill "$pid" 2>/dev/null
  rm -rf "$scratch"
}
trap cleanup EXIT

fail() {
  echo "window smoke: $*" >&2
  [ -s "$out/tavrix.log" ] && sed 's/^/  tavrix: /' "$out/tavrix.log" >&2
  exit 1
}
alive() { kill -0 "$pid" 2>/dev/null; }
colours() { import -window root "$1" && identify -format '%k' "$1"; }

(cd "$scratch" && exec "$bin") >"$out/tavrix.log" 2>&1 &
pid=$!

window=""
for _ in $(seq 1 60); do
  window=$(xdotool search --onlyvisible --name '^(\* )?Tavrix$' 2>/dev/null | head -n 1 || true)
  [ -n "$window" ] && break
  alive || fail "the editor exited before showing its window"
  sleep 0.5
done
[ -n "$window" ] || fail "no Tavrix window appeared"

# The first frame may take a while on software OpenGL: wait until the screen is not blank.
count=0
for _ in $(seq 1 30); do
  count=$(colours "$out/start.png")
  [ "$count" -gt 64 ] && break
  alive || fail "the editor exited while drawing its first frame"
  sleep 0.5
done
[ "$count" -gt 64 ] || fail "the window looks blank ($count colours in $out/start.png)"
echo "window smoke: first frame has $count colours ($out/start.png)"

# Pixels that differ between two screenshots within a region (WxH+X+Y of the screen).
differ() { compare -metric AE -crop "$3" "$1" "$2" null: 2>&1 | cut -d' ' -f1 || true; }
shot() { sleep "${2:-0.6}"; colours "$out/$1.png" >/dev/null; }
park() { xdotool mousemove --window "$window" 1270 1075; }  # away from anything that hovers

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
xdotool mousemove --window "$window" $((frame0_x - 64)) $frame0_y mousedown 3 sleep 0.1 \
  mousemove --window "$window" $((frame0_x - 32)) $frame0_y sleep 0.1 \
  mousemove --window "$window" $frame0_x $frame0_y sleep 0.1 \
  mousemove --window "$window" $((frame0_x + 32)) $frame0_y sleep 0.1 mouseup 3
park
shot drawn
changed=$(differ "$out/editor.png" "$out/drawn.png" "$frames_region")
[ "${changed:-0}" -gt 500 ] || fail "drawing in frame 0 changed $changed pixels of the frames"
echo "window smoke: drawing changed $changed pixels of the frames ($out/drawn.png)"

# One Ctrl+Z takes the whole stroke back.
xdotool key ctrl+z
park
shot undone
left=$(($(differ "$out/editor.png" "$out/undone.png" "$frame0_inside") + \
  $(differ "$out/editor.png" "$out/undone.png" "$frames_beside")))
[ "${left:-1}" -eq 0 ] || fail "Ctrl+Z left $left pixels of the stroke in the frames"
echo "window smoke: Ctrl+Z restored the frames"

# Enter in the viewer plays it: two screenshots apart differ in the viewer.
xdotool mousemove --window "$window" 190 600 click 1
park
xdotool key Return
shot playing-1 0.8
shot playing-2 0.8
moved=$(differ "$out/playing-1.png" "$out/playing-2.png" "$viewer_region")
xdotool key Return
[ "${moved:-0}" -gt 0 ] || fail "the viewer did not play after Enter"
echo "window smoke: the viewer plays ($moved pixels changed, $out/playing-2.png)"
alive || fail "the editor died on input"

# Close through the menu, as a user would: File > Exit.
xdotool windowfocus --sync "$window" 2>/dev/null || true
xdotool key --clearmodifiers alt+f sleep 0.5 key x
for _ in $(seq 1 20); do alive || break; sleep 0.25; done
if alive; then
  # An unsaved-changes question may stand in the way: answer No, once.
  colours "$out/close-question.png" >/dev/null || true
  xdotool key --clearmodifiers alt+n
  for _ in $(seq 1 20); do alive || break; sleep 0.25; done
fi
alive && fail "the editor did not close through File > Exit"
status=0
wait "$pid" || status=$?
pid=""
[ "$status" -eq 0 ] || fail "the editor exited with status $status"
echo "window smoke: closed through File > Exit with status 0"
