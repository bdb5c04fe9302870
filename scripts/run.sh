#!/usr/bin/env bash
# Builds Tavrix and opens the editor window.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build --target tavrix
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "Built build/bin/tavrix, but there is no display to open it on (DISPLAY and WAYLAND_DISPLAY are empty)."
  echo "Run it in a virtual X server instead, and take screenshots with ImageMagick under the same server:"
  echo "  xvfb-run -a -s '-screen 0 1400x1150x24' ./build/bin/tavrix"
  echo "or check it end to end with: ./tests/app/window_smoke.sh"
  exit 1
fi
exec ./build/bin/tavrix
