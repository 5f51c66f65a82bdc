#!/usr/bin/env bash
# Installs what is missing, builds the player into build/ and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZUN_BUILD_TESTS=OFF
cmake --build build --target zunkaraoke
exec build/zunkaraoke "$@"
