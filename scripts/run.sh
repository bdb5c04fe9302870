#!/usr/bin/env bash
# Builds Tavrix and starts it. Until the editor window exists, this runs the headless
# companion on a demo rule and soup instead.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build --target tavrix-cli
echo "The editor window is not built yet; running tavrix-cli on the demo rule demo/Demo.rule instead."
./build/bin/tavrix-cli run demo/Demo.rule --soup 256 --seed 1 --generations 100 --output build/demo-final.rle
echo "Final generation written to build/demo-final.rle"
