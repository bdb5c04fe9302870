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

# Hover and zoom in the middle; click only near a corner, where no button opens a dialog.
xdotool windowfocus --sync "$window" 2>/dev/null || true
xdotool mousemove --window "$window" 640 540 sleep 0.2 \
  mousemove --window "$window" 660 560 sleep 0.2 \
  click 4 sleep 0.2 click 5 sleep 0.2 \
  mousemove --window "$window" 12 1090 click 1 sleep 0.3 \
  key Escape sleep 0.3 key 1 sleep 0.3
sleep 1
alive || fail "the editor died on input"
count=$(colours "$out/after-input.png")
[ "$count" -gt 64 ] || fail "the window went blank after input ($count colours)"
echo "window smoke: after input $count colours ($out/after-input.png)"

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
