#!/usr/bin/env bash
# Calls through function pointers (-p) against a run-time truth: objdump and
# readelf of binutils 2.40, built at -O0 -finstrument-functions with the
# hook library bench/pointer_truth/hook.c, record every (callee, call site)
# pair while they read a few binaries of /usr/bin; bench/pointer_truth/truth.py
# turns the pairs into (caller, callee) edges (nm, addr2line) and compares
# them with the edges conzelta reports with and without -p, with -c -p (the
# configured mode, from the build's compile_commands.json, which
# bench/pointer_truth/compile_commands.py writes), and cflow's.
# (cflow -A -A -d 2: every function with its direct callees).
# Then the cost of -p on the Linux core (init kernel mm lib ipc block
# security), RUNS runs each (medians).
#
#   bench/pointers.sh      (CONZELTA, POINTER_WORK=bench/out/pointers, RUNS=3,
#                           STAGES="truth cost": either alone, TRUTH_MISSES=1:
#                           every direct edge -c -p misses, by class)
#
# The build (once, reused) and every run happen in POINTER_WORK, never in the
# repository or the shared corpus.
set -euo pipefail
. "$(dirname "$0")/common.sh"
cd "$bench_root"
apt_ensure time gcc make binutils cflow
conzelta=$(find_conzelta)
work=$(mkdir -p "${POINTER_WORK:-$bench_root/bench/out/pointers}" && cd "${POINTER_WORK:-$bench_root/bench/out/pointers}" && pwd)
runs=${RUNS:-3}
build=$work/binutils
load0=$(cut -d' ' -f1-3 /proc/loadavg)
stages=${STAGES:-truth cost}

# The build serves the truth alone: the cost stage runs without it.
if [[ $stages == *truth* ]]; then
src=$(readlink -f "$bench_root/bench/cache/binutils-2.40")
[ -d "$src/bfd" ] || { echo "binutils 2.40 is not in bench/cache/binutils-2.40" >&2; exit 1; }

# --- the instrumented build (only what objdump and readelf need) -----------
# glibc brings empty hooks the build links against; the library, preloaded,
# stands in for them at run time.
gcc -O2 -g -fPIC -shared "$bench_root/bench/pointer_truth/hook.c" -o "$work/hook.so"
gcc -O0 -g -c "$bench_root/bench/pointer_truth/hook.c" -o "$work/hook.o"  # an input with debug information
if [ ! -x "$build/binutils/objdump" ] || [ ! -x "$build/binutils/readelf" ]; then
  mkdir -p "$build"
  (cd "$build" && "$src/configure" --disable-nls --disable-werror --disable-gdb --disable-gdbserver --disable-sim \
    --disable-ld --disable-gold --disable-gas --disable-gprof --disable-gprofng --disable-libctf \
    --without-debuginfod --without-zstd --disable-shared --disable-plugins \
    CFLAGS="-O0 -g -finstrument-functions" LDFLAGS="-no-pie" >configure.log 2>&1)
  make -C "$build" -j2 all-libiberty all-bfd all-opcodes all-libsframe configure-binutils >"$build/make.log" 2>&1
  make -C "$build/binutils" -j2 objdump readelf >>"$build/make.log" 2>&1
fi
# The build's compile_commands.json, for the configured mode (-c -p).
[ -f "$build/compile_commands.json" ] || python3 "$bench_root/bench/pointer_truth/compile_commands.py" "$build" "$src"

# --- the run-time truth ------------------------------------------------------
inputs=(/usr/bin/ls /usr/bin/true /usr/bin/gzip)
rm -f "$work"/pairs.*
for b in "${inputs[@]}"; do
  LD_PRELOAD=$work/hook.so POINTER_TRUTH_OUT=$work/pairs.objdump "$build/binutils/objdump" -x -d -r "$b" >/dev/null
  LD_PRELOAD=$work/hook.so POINTER_TRUTH_OUT=$work/pairs.readelf "$build/binutils/readelf" -a -W "$b" >/dev/null
done
LD_PRELOAD=$work/hook.so POINTER_TRUTH_OUT=$work/pairs.objdump "$build/binutils/objdump" -W -g -S "$work/hook.o" >/dev/null
LD_PRELOAD=$work/hook.so POINTER_TRUTH_OUT=$work/pairs.readelf "$build/binutils/readelf" -w -a "$work/hook.o" >/dev/null
for p in objdump readelf; do sort -u -o "$work/pairs.$p" "$work/pairs.$p"; done

# --- what the analysers say about the same sources ----------------------------
# The sources compiled into the two programs, by their debug information:
# every compile unit (a unit whose functions all come from a header, elf64.c
# with elfcode.h, or from a .def file, dwarfnames.c, names no function's line
# after a .c file; a file the build generated is read from the build folder),
# and every .c file a function's line names (coff-x86_64.c, which
# pe-x86_64.c includes).
ana=$work/analysis
rm -rf "$ana"
mkdir -p "$ana"
{
  nm -l --defined-only "$build/binutils/objdump" "$build/binutils/readelf" |
    awk '$2 ~ /^[Tt]$/ && NF >= 4 {sub(/:[0-9]+$/, "", $4); print $4}' | grep '\.c$'
  readelf --debug-dump=info "$build/binutils/objdump" "$build/binutils/readelf" 2>/dev/null |
    awk '/\(DW_TAG_compile_unit\)/ {cu = 1; name = ""; next} /^ <1>/ {cu = 0}
         cu && /DW_AT_name/ {name = $NF} cu && /DW_AT_comp_dir/ && name != "" {print (name ~ /^\// ? name : $NF "/" name); cu = 0}'
} | LC_ALL=C sort -u >"$ana/compiled.txt"
built=$(readlink -f "$build")
while read -r f; do
  case $f in
    "$src"/*) echo "${f#"$src"/}" ;;
    "$built"/*) [ -f "$f" ] && echo "build/${f#"$built"/}" ;;
  esac
done <"$ana/compiled.txt" | LC_ALL=C sort -u >"$ana/sources.txt"
for d in "$src"/*/; do ln -s "$d" "$ana/$(basename "$d")"; done
ln -s "$build" "$ana/build"
# Quoted includes are looked for in the first source's folder and in the
# working folder: the headers of include/ and the generated ones sit there.
for h in "$build"/bfd/*.h "$src"/include/*.h "$src"/bfd/*.h "$src"/binutils/*.h "$src"/opcodes/*.h; do [ -e "$ana/$(basename "$h")" ] || ln -s "$h" "$ana/"; done
for d in elf opcode coff; do [ -e "$ana/$d" ] || ln -s "$src/include/$d" "$ana/$d"; done
write_ini "$ana"
mapfile -t files <"$ana/sources.txt"
# (a run that reaches its end exits with status 1)
(cd "$ana" && { "$conzelta" -p -j -e -f objdump.c:main "${files[@]}" >p.out 2>&1 || true; } && mv tree.json p.json)
(cd "$ana" && { "$conzelta" -j -e -f objdump.c:main "${files[@]}" >plain.out 2>&1 || true; } && mv tree.json plain.json)
# -c reads the compile_commands.json of the working folder.
cp "$build/compile_commands.json" "$ana/"
(cd "$ana" && { "$conzelta" -c -p -j -e -f objdump.c:main "${files[@]}" >cp.out 2>&1 || true; } && mv tree.json cp.json)
(cd "$ana" && cflow -A -A -l -d 2 --omit-arguments "${files[@]}" >cflow.txt 2>cflow.err) || true

echo "## Run-time truth: binutils 2.40 objdump and readelf (-O0 -finstrument-functions)"
echo
echo "Inputs: ${inputs[*]} (objdump -x -d -r, readelf -a -W) and a small object with debug information;"
echo "${#files[@]} sources analysed."
for p in objdump readelf; do
  echo
  echo "### $p"
  echo
  python3 "$bench_root/bench/pointer_truth/truth.py" "$build/binutils/$p" "$work/pairs.$p" "$ana/p.json" "$ana/plain.json" "$ana/cflow.txt" "$ana/cp.json"
done

fi

if [[ $stages == *cost* ]]; then
# --- the cost on the Linux core ---------------------------------------------------
unpack_linux
lin=$work/linux
rm -rf "$lin"
mkdir -p "$lin"
for d in "$bench_root"/bench/cache/linux-source-6.1/*; do ln -s "$d" "$lin/"; done
write_ini "$lin"
mapfile -t lfiles < <(cd "$lin" && find -H init kernel mm lib ipc block security -type f -name '*.c' | LC_ALL=C sort)
echo
echo "## Cost on the Linux core (${#lfiles[@]} files)"
echo
echo "| run | wall (s) | CPU (s) | peak MB |"
echo "|---|---:|---:|---:|"
measure() {  # measure RUNS LABEL CMD...
  local n=$1 label=$2 ws=() cs=() ms=() w m s c r
  shift 2
  for ((r = 1; r <= n; r++)); do
    read -r w m s c < <(time_run "$lin" "$lin/run" "$@")
    ws+=("$w") cs+=("$c") ms+=("$m")
  done
  printf '| %s | %.2f | %.2f | %.1f |\n' "$label" "$(printf '%s\n' "${ws[@]}" | median)" \
    "$(printf '%s\n' "${cs[@]}" | median)" "$(printf '%s\n' "${ms[@]}" | median | awk '{print $1 / 1024}')"
}
measure "$runs" "conzelta -e -f start_kernel" "$conzelta" -e -f start_kernel "${lfiles[@]}"
measure "$runs" "conzelta -p -e -f start_kernel" "$conzelta" -p -e -f start_kernel "${lfiles[@]}"
measure "$runs" "conzelta -r -e -j -f enqueue_task_fair" "$conzelta" -r -e -j -f enqueue_task_fair "${lfiles[@]}"
measure "$runs" "conzelta -p -r -e -j -f enqueue_task_fair" "$conzelta" -p -r -e -j -f enqueue_task_fair "${lfiles[@]}"
measure 1 "cflow (whole call graph, one run)" cflow -o /dev/null "${lfiles[@]}"
echo
echo "load average before: $load0, after: $(cut -d' ' -f1-3 /proc/loadavg)"
fi
