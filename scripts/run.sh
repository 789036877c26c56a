#!/usr/bin/env bash
# Installs what is missing, builds Orvelan and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVELAN_TESTS=OFF -DORVELAN_BENCH=OFF
cmake --build build --target orvelan -j"$(nproc)"
exec build/src/orvelan
