#!/usr/bin/env bash
# Installs what is missing, builds everything into build-asan/ with AddressSanitizer
# and UndefinedBehaviorSanitizer, and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh --test
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZUN_SANITIZE=ON
cmake --build build-asan
# The tests' sanitizer settings (leak suppressions included) come from CTest
# itself (tests/CMakeLists.txt): the plain command below is what a developer types.
ctest --test-dir build-asan --output-on-failure -j"$(nproc)"
