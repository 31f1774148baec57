#!/usr/bin/env bash
# Builds the libFuzzer target (clang, ASan + UBSan) in build-fuzz and runs it
# for a bounded time with a fixed seed over the seed corpus. Exits non-zero
# when the fuzzer finds a crash, a leak-free abort, a hang or a sanitizer report.
#
# Environment: FUZZ_SECONDS (default 60), FUZZ_SEED (default 1).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-60}
seed=${FUZZ_SEED:-1}

bash scripts/fuzz_build.sh
work=$(mktemp -d /tmp/zelta-fuzz-smoke-XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/corpus" "$work/artifacts"
python3 fuzz/make_seeds.py "$work/seeds" . >/dev/null
st=0
ASAN_OPTIONS=detect_leaks=0:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1 \
  build-fuzz/pipeline_fuzzer -seed="$seed" -max_total_time="$seconds" -max_len=4096 \
  -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$work/artifacts/" \
  "$work/corpus" "$work/seeds" >"$work/log" 2>&1 || st=$?
grep -E '^(#[0-9]+ *DONE|stat::number_of_executed_units|stat::peak_rss_mb)' "$work/log" || true
if [ "$st" -ne 0 ]; then
  grep -v -E '^#[0-9]+ ' "$work/log" | tail -n 60
  for f in "$work"/artifacts/*; do
    [ -f "$f" ] || continue
    echo "input $(basename "$f") as a C string:"
    python3 -c 'import sys; d=open(sys.argv[1],"rb").read(); print("\"" + "".join(chr(b) if 32 <= b < 127 and b not in (34, 92) else "\\x%02x" % b for b in d) + "\"")' "$f"
    mkdir -p bench/out && cp "$f" bench/out/
  done
  echo "fuzz smoke test failed (status $st); the inputs were copied to bench/out/"
  exit 1
fi
echo "fuzz smoke test passed (${seconds} s, seed ${seed})"
