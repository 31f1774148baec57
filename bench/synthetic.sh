#!/usr/bin/env bash
# Times conzelta -e on generated code bases of 10k, 100k and 1M lines.
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
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
runs=${RUNS:-3}
mode=${MODE:-list}
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(10000 100000 1000000)

if [ ! -x /usr/bin/time ]; then
  echo "installing the Debian package time" >&2
  if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
  $SUDO apt-get update -qq && DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq time >/dev/null
fi

conzelta=${CONZELTA:-$root/build/conzelta}
if [ ! -x "$conzelta" ]; then
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build build --target conzelta -j2 >/dev/null
fi
conzelta=$(readlink -f "$conzelta")

# median of the numbers on stdin
median() { sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

# time_run DIR LOG CMD... : runs CMD in DIR under /usr/bin/time -v, prints "wall_s rss_kb status"
time_run() {
  local dir=$1 log=$2
  shift 2
  local st=0 t0 t1
  t0=$(date +%s%N)
  (cd "$dir" && /usr/bin/time -v -o "$log.time" "$@" >"$log.out" 2>"$log.err") || st=$?
  t1=$(date +%s%N)
  # /usr/bin/time passes the command's status through; conzelta ends with 1 after a full run.
  # Wall time from the clock around it (time -v rounds to 10 ms).
  local wall rss
  wall=$(awk -v a="$t0" -v b="$t1" 'BEGIN {printf "%.3f", (b - a) / 1e9}')
  rss=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$log.time")
  echo "$wall $rss $st"
}

echo "| lines | .c files | functions | median time (s) | lines/s | peak RSS (MB) | exit | tree.txt lines |"
echo "|---:|---:|---:|---:|---:|---:|---:|---:|"
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
  walls=() rsss=() st=0
  for ((r = 1; r <= runs; r++)); do
    read -r w m s < <(time_run "$base" "$root/$base/run" "$conzelta" -e -f main "${args[@]}")
    walls+=("$w") rsss+=("$m") st=$s
  done
  mw=$(printf '%s\n' "${walls[@]}" | median)
  mr=$(printf '%s\n' "${rsss[@]}" | median)
  tl=0
  [ -f "$base/tree.txt" ] && tl=$(wc -l <"$base/tree.txt")
  awk -v n="$lines" -v f="$nfiles" -v fu="$funcs" -v w="$mw" -v r="$mr" -v s="$st" -v t="$tl" 'BEGIN {
    lps = (w > 0) ? sprintf("%.0f", n / w) : "n/a";
    printf "| %d | %d | %d | %.3f | %s | %.1f | %d | %d |\n", n, f, fu, w, lps, r / 1024, s, t }'
  if [ "$st" != 1 ]; then
    echo "conzelta did not reach the end of its run on $base (status $st); stdout tail:" >&2
    tail -n 5 "$base/run.out" >&2 || true
  fi
done
echo
echo "Command (in each base folder): conzelta -e -f main $( [ "$mode" = dir ] && echo src || echo '<every .c file of files.txt>')"
echo "Median of $runs runs; wall time and peak RSS from /usr/bin/time -v; $(nproc) cores, $(uname -m)."
