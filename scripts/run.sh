#!/usr/bin/env bash
# Builds Tavrix and opens the editor window. Until the shell library exists, this runs the headless
# companion on a demo rule and soup instead (or, with TAVRIX_VIEW_STAND_IN=ON in the environment,
# opens the window over its drawing stand-in).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DTAVRIX_VIEW_STAND_IN="${TAVRIX_VIEW_STAND_IN:-OFF}" >/dev/null
if ! grep -q '^build tavrix: phony' build/build.ninja; then
  cmake --build build --target tavrix-cli
  echo "The editor window is not built yet; running tavrix-cli on the demo rule demo/Demo.rule instead."
  ./build/bin/tavrix-cli run demo/Demo.rule --soup 256 --seed 1 --generations 100 --output build/demo-final.rle
  echo "Final generation written to build/demo-final.rle"
  exit 0
fi
cmake --build build --target tavrix
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "Built build/bin/tavrix, but there is no display to open it on (DISPLAY and WAYLAND_DISPLAY are empty)."
  echo "Run it in a virtual X server instead, and take screenshots with ImageMagick under the same server:"
  echo "  xvfb-run -a -s '-screen 0 1400x1150x24' ./build/bin/tavrix"
  echo "or check it end to end with: ./tests/app/window_smoke.sh"
  exit 1
fi
exec ./build/bin/tavrix
