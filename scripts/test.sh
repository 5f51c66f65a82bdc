#!/usr/bin/env bash
# Installs what is missing, builds everything into build-asan/ with AddressSanitizer
# and UndefinedBehaviorSanitizer, and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh --test
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZUN_SANITIZE=ON
cmake --build build-asan
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tests/lsan.supp}
ctest --test-dir build-asan --output-on-failure -j"$(nproc)"
