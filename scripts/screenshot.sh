#!/usr/bin/env bash
# Renders the main window offscreen into docs/main-window.png (needs a configured build/).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --build build --target orvelan_snapshot -j"$(nproc)"
QT_QPA_PLATFORM=offscreen build/tools/snapshot/orvelan_snapshot docs/main-window.png "${1:-1}"
