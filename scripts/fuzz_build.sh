#!/usr/bin/env bash
# Configures and builds the libFuzzer target in build-fuzz (clang only).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DZELTA_FUZZ=ON -DZELTA_TESTS=OFF -DZELTA_FRONTEND=OFF -DZELTA_SANITIZE=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" >/dev/null
cmake --build build-fuzz --target pipeline_fuzzer -j"$(nproc)" >/dev/null
