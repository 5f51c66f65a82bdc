#!/usr/bin/env bash
# Installs what is missing, builds everything into build-asan/ with AddressSanitizer
# and UndefinedBehaviorSanitizer, and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh --test
if [ -e build-asan ] && [ ! -w build-asan ]; then
    echo "build-asan/ belongs to $(stat -c %U build-asan) (an earlier run as that account): remove it with" >&2
    echo "    sudo rm -rf build-asan" >&2
    echo "then run this again." >&2
    exit 1
fi
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZUN_SANITIZE=ON
cmake --build build-asan
# The tests' sanitizer settings (leak suppressions included) come from CTest
# itself (tests/CMakeLists.txt): the plain command below is what a developer types.
status=0
ctest --test-dir build-asan --output-on-failure -j"$(nproc)" || status=$?
# A test that cannot run for this account or on this machine (a RAM disk needs
# root, a peer program is missing) is skipped: say which and why.
awk '/^[0-9]+\/[0-9]+ Test: / { name = $3 }
     /: Skipped$/ { getline why; print "skipped: " name ": " why }
     /^SKIP: / { print "skipped: " name ": " substr($0, 7) }' \
    build-asan/Testing/Temporary/LastTest.log 2>/dev/null | sort -u
exit "$status"
