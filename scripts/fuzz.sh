#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build-fuzz/ and runs each for a
# bounded time (default 60 s each; FUZZ_SECONDS overrides). Fails on any finding.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
if ! command -v clang++-14 >/dev/null && ! command -v clang++ >/dev/null; then
    SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends clang-14 libclang-rt-14-dev
fi
dpkg-query -W -f='${Status}' libclang-rt-14-dev 2>/dev/null | grep -q "ok installed" || {
    SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends libclang-rt-14-dev
}
CXX_BIN=$(command -v clang++-14 || command -v clang++)
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER="$CXX_BIN" \
      -DZUN_BUILD_TESTS=OFF -DZUN_BUILD_BENCH=OFF
targets=$(sed -n 's/^ *add_executable(\([a-z0-9_]*_fuzz\).*/\1/p' fuzz/CMakeLists.txt)
cmake --build build-fuzz --target $targets
seconds=${FUZZ_SECONDS:-60}
failed=""
for t in $targets; do
    corpus=build-fuzz/corpus-$t
    mkdir -p "$corpus"
    [ -d "fuzz/seeds/${t%_fuzz}" ] && cp -n fuzz/seeds/"${t%_fuzz}"/* "$corpus"/ 2>/dev/null || true
    echo "fuzzing $t for $seconds s"
    log=build-fuzz/$t.log
    if build-fuzz/fuzz/$t -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
           -artifact_prefix=build-fuzz/$t- "$corpus" >"$log" 2>&1; then
        tail -n 2 "$log"
    else
        tail -n 60 "$log"
        echo "fuzzer $t found a fault (input saved as build-fuzz/$t-*)"
        failed="$failed $t"
    fi
done
[ -z "$failed" ] || { echo "faults found by:$failed"; exit 1; }
