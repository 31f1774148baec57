#!/usr/bin/env bash
# Times conzelta -e on generated code bases of 10k, 100k, 1M and 10M lines.
#
#   bench/synthetic.sh [SIZES...]        e.g. bench/synthetic.sh 10000 100000
#
# Environment: CONZELTA (default build/conzelta, built when missing),
# RUNS (default 3), MODE=list|dir (default list: every .c file on the
# command line; dir: the folder src). Bases are generated once into
# bench/out/syn-<lines>/ (git-ignored) and reused.
#
# Prints a Markdown table: lines, files, median wall time, lines per
# second, median peak RSS (/usr/bin/time -v), exit status, tree.txt lines.
set -euo pipefail
. "$(dirname "$0")/common.sh"
root=$bench_root
cd "$root"
runs=${RUNS:-3}
mode=${MODE:-list}
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(10000 100000 1000000 10000000)

apt_ensure time
load0=$(cut -d' ' -f1-3 /proc/loadavg)
conzelta=$(find_conzelta)

echo "| lines | .c files | functions | median wall (s) | median CPU (s) | lines/s (CPU) | peak RSS (MB) | exit | tree.txt lines |"
echo "|---:|---:|---:|---:|---:|---:|---:|---:|---:|"
for n in "${sizes[@]}"; do
  base=bench/out/syn-$n
  if [ ! -f "$base/files.txt" ]; then
    python3 bench/gen_synthetic.py "$base" --lines "$n" >&2
  fi
  lines=$(awk '/^lines/ {print $2}' "$base/stats.txt")
  funcs=$(awk '/^functions/ {print $2}' "$base/stats.txt")
  nfiles=$(wc -l <"$base/files.txt")
  if [ "$mode" = dir ]; then
    args=(src)
  else
    mapfile -t args <"$base/files.txt"
  fi
  walls=() rsss=() cpus=() st=0
  for ((r = 1; r <= runs; r++)); do
    read -r w m s c < <(time_run "$base" "$root/$base/run" "$conzelta" -e -f main "${args[@]}")
    walls+=("$w") rsss+=("$m") cpus+=("$c") st=$s
  done
  mw=$(printf '%s\n' "${walls[@]}" | median)
  mr=$(printf '%s\n' "${rsss[@]}" | median)
  mc=$(printf '%s\n' "${cpus[@]}" | median)
  tl=0
  [ -f "$base/tree.txt" ] && tl=$(wc -l <"$base/tree.txt")
  awk -v n="$lines" -v f="$nfiles" -v fu="$funcs" -v w="$mw" -v c="$mc" -v r="$mr" -v s="$st" -v t="$tl" 'BEGIN {
    lps = (c > 0) ? sprintf("%.0f", n / c) : "n/a";
    printf "| %d | %d | %d | %.3f | %.2f | %s | %.1f | %d | %d |\n", n, f, fu, w, c, lps, r / 1024, s, t }'
  if [ "$st" != 1 ]; then
    echo "conzelta did not reach the end of its run on $base (status $st); stdout tail:" >&2
    tail -n 5 "$base/run.out" >&2 || true
  fi
done
echo
echo "Command (in each base folder): conzelta -e -f main $( [ "$mode" = dir ] && echo src || echo '<every .c file of files.txt>')"
echo "Median of $runs runs; CPU time (user + system) and peak RSS from /usr/bin/time -v, wall time from the clock;"
echo "$(nproc) cores, $(uname -m); load average before the runs: $load0."
