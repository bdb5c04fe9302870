# Shared by the window tests: run the editor in a virtual X server, find its window, take and
# compare screenshots, close it as a user would. Source it, then call window_setup with a name.
#   A test script runs as: script.sh [path/to/tavrix] [output folder]
# and re-runs itself inside xvfb-run; screenshots stay in the output folder for a person to see.

window_setup() {
  test_name="$1"
  shift
  if [ -z "${TAVRIX_WINDOW_INNER:-}" ]; then
    local bin="${1:-build/bin/tavrix}" out="${2:-build/$test_name}"
    [ -x "$bin" ] || { echo "$test_name: $bin is not built" >&2; exit 1; }
    mkdir -p "$out"
    export TAVRIX_WINDOW_INNER=1 TAVRIX_WINDOW_BIN="$(realpath "$bin")" TAVRIX_WINDOW_OUT="$(realpath "$out")"
    exec timeout 90 xvfb-run -a -s "-screen 0 ${TAVRIX_WINDOW_SCREEN:-1400x1150x24}" "$0"
  fi
  bin="$TAVRIX_WINDOW_BIN"
  out="$TAVRIX_WINDOW_OUT"
  scratch="$(mktemp -d)"
  # Settings go to a scratch folder, never the user's; the editor starts in it.
  export XDG_CONFIG_HOME="$scratch/config" XDG_RUNTIME_DIR="$scratch/runtime" HOME="${HOME:-$scratch}"
  mkdir -p "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
  chmod 700 "$XDG_RUNTIME_DIR"
  pid=""
  trap window_cleanup EXIT
}

window_cleanup() {
  [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null && kill "$pid" 2>/dev/null
  rm -rf "$scratch"
}

fail() {
  echo "$test_name: $*" >&2
  [ -s "$out/tavrix.log" ] && sed 's/^/  tavrix: /' "$out/tavrix.log" >&2
  exit 1
}
say() { echo "$test_name: $*"; }
# The command-line tool built beside the editor, as $cli, for the tests that check its files.
need_cli() {
  cli="$(dirname "$bin")/tavrix-cli"
  [ -x "$cli" ] || fail "$cli is not built"
}
alive() { kill -0 "$pid" 2>/dev/null; }
colours() { import -window root "$1" && identify -format '%k' "$1"; }
# Pixels that differ between two screenshots within a region (WxH+X+Y of the screen).
differ() { compare -metric AE -crop "$3" "$1" "$2" null: 2>&1 | cut -d' ' -f1 || true; }
shot() { sleep "${2:-0.6}"; colours "$out/$1.png" >/dev/null; }
park() { xdotool mousemove --window "$window" 1270 1075; }  # away from anything that hovers
# Right-button stroke along a row of a frame, from (x, y) over n cells of 32 pixels.
stroke() {
  local x=$1 y=$2 n=$3
  local args=(mousemove --window "$window" "$x" "$y" mousedown 3)
  for i in $(seq 1 "$n"); do args+=(sleep 0.05 mousemove --window "$window" $((x + 32 * i)) "$y"); done
  xdotool "${args[@]}" sleep 0.1 mouseup 3
}
# Waits up to five seconds for the editor to exit.
await_exit() { for _ in $(seq 1 20); do alive || break; sleep 0.25; done; }

# Starts the editor with the given arguments and waits until its window shows a drawn frame.
start_editor() {
  (cd "$scratch" && exec "$bin" "$@") >"$out/tavrix.log" 2>&1 &
  pid=$!
  window=""
  for _ in $(seq 1 60); do
    # "Tavrix", "* Tavrix", or the document's name first: "glider.tavses — Tavrix".
    window=$(xdotool search --onlyvisible --name '^(\* )?(.+ )?Tavrix$' 2>/dev/null | head -n 1 || true)
    [ -n "$window" ] && break
    alive || fail "the editor exited before showing its window"
    sleep 0.5
  done
  [ -n "$window" ] || fail "no Tavrix window appeared"
  # The first frame may take a while on software OpenGL: wait until the screen is not blank.
  local count=0
  for _ in $(seq 1 30); do
    count=$(colours "$out/start.png")
    [ "$count" -gt 64 ] && break
    alive || fail "the editor exited while drawing its first frame"
    sleep 0.5
  done
  [ "$count" -gt 64 ] || fail "the window looks blank ($count colours in $out/start.png)"
  xdotool windowfocus --sync "$window" 2>/dev/null || true
}

# The path typed into the file dialog that has just opened.
answer_dialog() {
  sleep 1.2
  xdotool type --delay 20 "$1"
  xdotool key Return
}

# Ctrl+S, which always asks where, answered with $1; the session must appear there.
save_session() {
  xdotool key ctrl+s
  answer_dialog "$1"
  for _ in $(seq 1 20); do [ -s "$1" ] && break; sleep 0.25; done
  [ -s "$1" ] || fail "no session was saved at $1"
}

# Closes through File > Exit, answering No to an unsaved-changes question; expects status 0.
close_through_menu() {
  xdotool windowfocus --sync "$window" 2>/dev/null || true
  xdotool key --clearmodifiers alt+f sleep 0.5 key x
  await_exit
  if alive; then
    colours "$out/close-question.png" >/dev/null || true
    xdotool key --clearmodifiers alt+n
    await_exit
  fi
  alive && fail "the editor did not close through File > Exit"
  local status=0
  wait "$pid" || status=$?
  pid=""
  [ "$status" -eq 0 ] || fail "the editor exited with status $status"
  say "closed through File > Exit with status 0"
}
