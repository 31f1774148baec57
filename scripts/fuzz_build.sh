#!/usr/bin/env bash
# Configures and builds the libFuzzer target in build-fuzz (clang only).
set -euo pipefail
cd "$(dirname "$0")/.."
if [ ! -f build-fuzz/CMakeCache.txt ]; then
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -DZELTA_FUZZ=ON -DZELTA_TESTS=OFF -DZELTA_FRONTEND=OFF \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" >/dev/null
fi
cmake --build build-fuzz --target pipeline_fuzzer -j"$(nproc)" >/dev/null
