#!/usr/bin/env bash
# Builds and runs every test: the normal build (unit, end-to-end, front-end and
# install tests), the analyser's tests again under AddressSanitizer and
# UndefinedBehaviorSanitizer, and a bounded fuzzing run. Exits non-zero on any
# failure, and also when a group of tests it expects was not built or found:
# a group that silently did not run must not read as a pass.
#   scripts/test.sh           everything (what CI runs)
#   scripts/test.sh --quick   the normal build's unit and end-to-end tests only
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/deps.sh
. scripts/configure.sh
jobs=$(nproc)

# The number of tests ctest knows in folder $1 with label $2.
count_label() {
  (cd "$1" && ctest -N -L "^$2\$" | sed -n 's/^Total Tests: *//p')
}
# Every listed label must have tests in folder $1; prints what each holds.
expect_groups() {
  local dir=$1 label n missing=0
  shift
  for label in "$@"; do
    n=$(count_label "$dir" "$label")
    echo "$dir: $label tests: ${n:-0}"
    if [ "${n:-0}" -eq 0 ]; then
      echo "ERROR: no $label tests in $dir: the group was not built or not found" >&2
      missing=1
    fi
  done
  [ "$missing" -eq 0 ] || exit 1
}

configure_main_build
if [ "${1:-}" = "--quick" ]; then
  cmake --build build -j"$jobs" --target conzelta unit_tests e2e_tests
  expect_groups build unit e2e
  (cd build && ctest --output-on-failure --no-tests=error -j"$jobs" -L '^(unit|e2e)$')
  echo "Unit and end-to-end tests passed (the quick loop; scripts/test.sh runs everything)."
  exit 0
fi
cmake --build build -j"$jobs"
expect_groups build unit e2e frontend install lsp
(cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure --no-tests=error -j"$jobs")

configure_sanitizer_build
cmake --build build-asan -j"$jobs"
expect_groups build-asan unit e2e lsp
(cd build-asan && ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
   ctest --output-on-failure --no-tests=error -j"$jobs")

bash scripts/fuzz_smoke.sh
echo "All tests passed (unit, end-to-end, front-end, install, language server; unit, end-to-end and language server under the sanitizers; fuzz)."
