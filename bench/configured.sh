#!/usr/bin/env bash
# The configured mode (-c) against GCC's own call graph on binutils 2.40.
#
#   bench/configured.sh        (BUILD=scratch folder of the build, RUNS=3, CONZELTA)
#
# 1. Configures binutils out of tree in $BUILD (never in this checkout, never in
#    the read-only corpus) and builds all-binutils under bear with
#    CFLAGS="-O0 -fcallgraph-info": compile_commands.json and one .ci file per unit.
# 2. The truth: binutils/'s .ci files merged by function name, the distinct
#    (caller, callee) pairs with both defined in the program.
# 3. The same sources (binutils/ as built, the generated arlex.c included)
#    through conzelta -c, conzelta without -c, cflow and cscope; recall and
#    precision of each (bench/callgraph_truth.py), and the time of the -c run.
set -euo pipefail
. "$(dirname "$0")/common.sh"
cd "$bench_root"
runs=${RUNS:-3}
src=${BINUTILS_SRC:-$bench_root/bench/cache/binutils-2.40}
build=${BUILD:-${TMPDIR:-/tmp}/zelta-configured-binutils}
apt_ensure time bear cflow cscope
conzelta=$(find_conzelta)
[ -f "$src/binutils/ar.c" ] || { echo "binutils 2.40 sources not found in $src" >&2; exit 1; }
src=$(readlink -f "$src")

if [ ! -f "$build/.built" ]; then
  mkdir -p "$build"
  (cd "$build" && "$src/configure" CFLAGS="-O0 -fcallgraph-info" --disable-nls --disable-werror \
    --disable-gdb --disable-gdbserver --disable-sim --disable-gprofng --disable-gold --disable-ld \
    --disable-gas --disable-gprof --without-zstd >configure.log 2>&1)
  # The scanners the tarball ships are used as they are (no flex needed).
  mkdir -p "$build/binutils"
  for f in arlex.c deflex.c syslex.c; do cp "$src/binutils/$f" "$build/binutils/" && touch "$build/binutils/$f"; done
  (cd "$build" && bear -- make -j2 all-binutils >make.log 2>&1)
  touch "$build/.built"
fi

work=$bench_root/bench/out/configured
rm -rf "$work"
mkdir -p "$work"
write_ini "$work"
cp "$build/compile_commands.json" "$work/"
python3 - "$build" >"$work/sources" <<'PY'
import json, os, sys
build = os.path.join(sys.argv[1], "binutils")
seen = []
for e in json.load(open(os.path.join(sys.argv[1], "compile_commands.json"))):
    f = os.path.normpath(os.path.join(e["directory"], e["file"]))
    if os.path.normpath(e["directory"]) == os.path.normpath(build) and "/testsuite/" not in f and f not in seen:
        seen.append(f)
print("\n".join(seen))
PY
mapfile -t files <"$work/sources"
lines=$(cat "${files[@]}" | wc -l)
echo "sources: ${#files[@]} files, $lines lines; load before: $(cut -d' ' -f1-3 /proc/loadavg)"

# Timing: each mode over the same list, median of $runs (-e keeps the
# tree short: the analysis is what is measured, not the writing of tree.txt).
timed() {  # timed NAME SWITCHES... : sets wall and cpu, keeps tree.json as zelta-NAME.json
  local name=$1 ws=() cs=() r w m s c
  shift
  for ((r = 1; r <= runs; r++)); do
    rm -f "$work/tree.txt" "$work/tree.json"
    read -r w m s c < <(time_run "$work" "$work/$name" "$conzelta" "$@" -e -j -f objdump.c:main "@$work/sources")
    ws+=("$w") cs+=("$c")
  done
  cp "$work/tree.json" "$work/zelta-$name.json"
  wall=$(printf '%s\n' "${ws[@]}" | median)
  cpu=$(printf '%s\n' "${cs[@]}" | median)
}
timed designed
echo "conzelta (designed): wall $wall s, CPU $cpu s, $(awk -v l="$lines" -v w="$wall" 'BEGIN {printf "%.0f", l / w}') source lines/s"
timed configured -c
# What the compiler reads for the same sources: lines of its preprocessed text.
# Each source as its entry compiles it, from an argument list (no shell).
pplines=$(python3 - "$work/compile_commands.json" "$work/sources" <<'PY'
import json, os, shlex, subprocess, sys
entries = {}
for e in json.load(open(sys.argv[1])):
    entries.setdefault(os.path.normpath(os.path.join(e["directory"], e["file"])), e)
total = 0
for f in open(sys.argv[2]).read().split("\n"):
    e = entries.get(f)
    if not e:
        continue
    a = e.get("arguments") or shlex.split(e["command"])
    keep, i = [], 1
    while i < len(a):
        if a[i] == "-c" or a[i] in (f, e["file"]) or a[i].startswith("-fcallgraph"):
            i += 1; continue
        if a[i] == "-o":
            i += 2; continue
        keep.append(a[i]); i += 1
    r = subprocess.run(["gcc", "-E", *keep, f], cwd=e["directory"], capture_output=True)
    total += r.stdout.count(b"\n")
print(total)
PY
)
echo "conzelta -c: wall $wall s, CPU $cpu s (median of $runs); preprocessed text: $pplines lines," \
  "$(awk -v l="$pplines" -v w="$wall" 'BEGIN {printf "%.0f", l / w}') lines/s; load after: $(cut -d' ' -f1-3 /proc/loadavg)"
# The direct calls with calls through pointers also followed: the same pairs
# are expected (callgraph_truth.py leaves the pointer targets out).
timed pointers -p
timed configured-pointers -c -p

cflow --format=posix --all --all --omit-arguments "${files[@]}" >"$work/cflow.txt" 2>/dev/null || true
(cd "$work" && cscope -b -k -f cscope.out "${files[@]}" 2>/dev/null)
python3 bench/callgraph_truth.py --defined "$build/binutils" >"$work/names"
while read -r name; do
  (cd "$work" && cscope -d -L -2 "$name" -f cscope.out 2>/dev/null) | awk -v c="$name" '{print c, $2}'
done <"$work/names" >"$work/cscope.txt"
python3 bench/callgraph_truth.py "$build/binutils" "$work/sources" "$work"
