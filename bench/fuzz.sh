#!/usr/bin/env bash
# Runs the libFuzzer target for as long as asked, keeping its corpus in
# bench/out/fuzz-corpus (git-ignored) between runs.
#
#   bench/fuzz.sh [SECONDS] [extra libFuzzer flags...]   (default 600 s; 0 = until stopped)
#
# Crashing inputs land in bench/out/fuzz-artifacts/; replay one with
#   build-fuzz/pipeline_fuzzer bench/out/fuzz-artifacts/crash-...
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
shift || true
bash scripts/fuzz_build.sh
mkdir -p bench/out/fuzz-corpus bench/out/fuzz-artifacts
seeds=$(mktemp -d /tmp/zelta-fuzz-seeds-XXXXXX)
trap 'rm -rf "$seeds"' EXIT
python3 fuzz/make_seeds.py "$seeds" . >/dev/null
ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
  build-fuzz/pipeline_fuzzer -max_total_time="$seconds" -max_len=4096 -timeout=10 \
  -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix=bench/out/fuzz-artifacts/ \
  "$@" bench/out/fuzz-corpus "$seeds"
