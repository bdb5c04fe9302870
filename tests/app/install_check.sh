#!/usr/bin/env bash
# `cmake --install` into a scratch prefix puts both programs, the desktop entry, the icons and
# the session file type where desktops look for them, and they are well formed.
#   tests/app/install_check.sh [build folder]
set -euo pipefail
cd "$(dirname "$0")/../.."
build="${1:-build}"
prefix="$(mktemp -d)"
trap 'rm -rf "$prefix"' EXIT
fail() { echo "install check: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null
for f in bin/tavrix bin/tavrix-cli share/applications/tavrix.desktop share/icons/hicolor/scalable/apps/tavrix.svg \
         share/mime/packages/tavrix.xml; do
  [ -s "$prefix/$f" ] || fail "$f is missing"
done
for size in 16 32 48 64 128 256; do
  png="$prefix/share/icons/hicolor/${size}x${size}/apps/tavrix.png"
  [ "$(identify -format '%wx%h' "$png")" = "${size}x${size}" ] || fail "$png is not ${size}x${size}"
done
desktop-file-validate "$prefix/share/applications/tavrix.desktop" || fail "the desktop entry is not valid"
# The database compiler refuses a malformed type; the compiled globs name the session type.
update-mime-database "$prefix/share/mime" 2>/dev/null || fail "the MIME type does not compile"
grep -q 'application/x-tavrix-session:\*\.tavses' "$prefix/share/mime/globs" || fail "*.tavses is not typed"
"$prefix/bin/tavrix-cli" >/dev/null 2>&1 || [ $? -ne 127 ] || fail "the installed tavrix-cli does not run"
echo "install check: programs, desktop entry, icons and MIME type in place"
