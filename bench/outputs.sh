#!/usr/bin/env bash
# What the extra outputs cost on the Linux core corpus (the large stage of
# bench/real.sh: init kernel mm lib ipc block security, 1,214 files):
# conzelta -e against -e -j -g (tree.json and tree.dot as well), and the
# callers tree of kmalloc (-r -e), each the median of RUNS runs.
#
#   bench/outputs.sh          (CONZELTA, RUNS=3)
#
# Runs in bench/out/outputs/linux, a folder of links to the unpacked corpus,
# so that the shared copy in bench/cache/ gets no result files.
set -euo pipefail
. "$(dirname "$0")/common.sh"
cd "$bench_root"
runs=${RUNS:-3}
cache=$bench_root/bench/cache
mkdir -p "$cache"
apt_ensure time linux-source-6.1
conzelta=$(find_conzelta)
unpack_linux  # the same unpacked copy as bench/real.sh large
work=$bench_root/bench/out/outputs/linux
rm -rf "$work"
mkdir -p "$work"
for d in "$cache"/linux-source-6.1/*; do ln -s "$d" "$work/"; done
write_ini "$work"
mapfile -t files < <(cd "$work" && find -H init kernel mm lib ipc block security -type f -name '*.c' | LC_ALL=C sort)

load0=$(cut -d' ' -f1-3 /proc/loadavg)
echo "| switches | wall (s) | CPU (s) | peak MB | tree.txt lines | tree.json | tree.dot | exit |"
echo "|---|---:|---:|---:|---:|---:|---:|---:|"
measure() {  # measure SWITCHES...
  local ws=() cs=() ms=() st=0 w m s c r
  for ((r = 1; r <= runs; r++)); do
    rm -f "$work"/tree.txt "$work"/tree.json "$work"/tree.dot
    read -r w m s c < <(time_run "$work" "$work/run" "$conzelta" "$@" "${files[@]}")
    ws+=("$w") cs+=("$c") ms+=("$m") st=$s
  done
  local size_of
  size_of() { [ -f "$work/$1" ] && stat -c %s "$work/$1" | awk '{printf "%.1f MB", $1 / 1048576}' || echo -; }
  printf '| %s | %.2f | %.2f | %.1f | %s | %s | %s | %s |\n' "$*" \
    "$(printf '%s\n' "${ws[@]}" | median)" "$(printf '%s\n' "${cs[@]}" | median)" \
    "$(printf '%s\n' "${ms[@]}" | median | awk '{print $1 / 1024}')" \
    "$( [ -f "$work/tree.txt" ] && wc -l <"$work/tree.txt" || echo 0)" "$(size_of tree.json)" "$(size_of tree.dot)" "$st"
}
measure -e -f start_kernel
measure -e -j -g -f start_kernel
measure -r -e -f kmalloc
measure -r -e -j -g -f kmalloc
echo
echo "${#files[@]} files, $runs runs each (medians); load average before: $load0, after: $(cut -d' ' -f1-3 /proc/loadavg)"
