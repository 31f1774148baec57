#!/usr/bin/env bash
# Front-end benchmark: how soon the result view is usable on big trees, and
# what folding, finding and reading tree.json cost there, in the real zelta
# window (on Xvfb when it is installed, else on the offscreen platform).
#
#   bench/frontend.sh [CASE...]     cases: objdump linux synthetic graph callers list (default: all)
#
#   objdump    conzelta -j -f main over binutils 2.40's objdump sources, without -e
#              (about 627,000 lines)
#   linux      conzelta -j -e -v -f start_kernel over the Linux 6.1 core
#              (init kernel mm lib ipc block security: 1,214 files)
#   synthetic  bench/gen_tree.py: 4,999,999 lines (the most the analyser writes)
#              with a matching tree.json, about 380 MB of text
#   graph      conzelta -j -a -e -v -f start_kernel over the Linux 6.1 core, then
#              the graph panel: kmalloc (undefined, so -a) at depth 2 and
#              start_kernel at depth 3, each timed from choosing its line to its
#              picture on screen, and a click on one of start_kernel's callees;
#              then the graph's own window maximised on a 1280x1024 screen:
#              kmalloc with its "他226件" opened, and every path from
#              start_kernel to kmem_cache_init (and to mutex_lock and kfree, denser)
#   callers    conzelta -r -j -e -f kmalloc over the Linux 6.1 core (the callers
#              tree), then the graph window on kmalloc with its "他N件" opened
#   list       the input list: the whole Linux 6.1 tree dropped as one folder
#              (55,418 .c and .h files), then a hundred pages scrolled, an
#              entry removed, the paths read as a run reads them, the list cleared
#
# zelta_bench (bench/frontend_driver/: the real window, not the shipped zelta)
# is given the tree: it loads the file as after
# a run, folds and unfolds the root, chooses level 1, finds a name (hits inside
# folds), steps 20 times to the next hit, waits for tree.json, opens the file
# again as ﾌｧｲﾙ > 開く does (open_to_usable, facts_after_open), prints each
# figure and quits. Wall time and peak memory also come from /usr/bin/time -v.
# Environment: RUNS (default 3; the medians are printed), CONZELTA, ZELTA_BENCH.
set -euo pipefail
. "$(dirname "$0")/common.sh"
root=$bench_root
cd "$root"
runs=${RUNS:-3}
cases=("$@")
[ ${#cases[@]} -gt 0 ] || cases=(objdump linux synthetic graph callers list)
cache=$root/bench/cache
out=$root/bench/out/frontend
mkdir -p "$cache" "$out"
export LC_ALL=C.UTF-8

apt_ensure time binutils-source linux-source-6.1 xvfb xauth
conzelta=$(find_conzelta)
driver=${ZELTA_BENCH:-$root/build/zelta_bench}
if [ ! -x "$driver" ]; then
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build build --target zelta_bench -j2 >/dev/null
fi
driver=$(readlink -f "$driver")

# tree DIR START SWITCHES SRCROOT PATH... : runs conzelta in DIR on the .c files
# PATH... (a folder: every .c file below it) of SRCROOT, named through a link
# so that the paths stay short.
tree() {
  local dir=$1 start=$2 switches=$3 src=$4
  shift 4
  mkdir -p "$dir"
  ln -sfn "$src" "$dir/src"
  write_ini "$dir"
  local files
  mapfile -t files < <(cd "$dir" && for d in "$@"; do find -L "src/$d" -type f -name '*.c'; done | LC_ALL=C sort)
  [ ${#files[@]} -gt 0 ] || { echo "no sources for $dir" >&2; return 1; }
  (cd "$dir" && "$conzelta" $switches -f "$start" "${files[@]}" >/dev/null 2>&1) || true
  [ -f "$dir/tree.txt" ] || { echo "no tree.txt in $dir" >&2; return 1; }
}

# measure LABEL TREE NEEDLE [GRAPHS] : RUNS runs of the timing hook; medians per
# figure. GRAPHS ("name:depth ...") also times the graph panel's pictures.
measure() {
  local label=$1 treefile=$2 needle=$3 graphs=${4:-} r
  local runner=(env QT_QPA_PLATFORM=offscreen)
  command -v xvfb-run >/dev/null && runner=(xvfb-run -a -s "-screen 0 ${SCREEN:-1400x900}x24")
  if [ -d "$treefile" ]; then
    echo "== $label: the folder $treefile dropped on the input list"
  else
    echo "== $label: $(wc -l <"$treefile") lines, $(($(stat -c %s "$treefile") / 1048576)) MB; find \"$needle\""
  fi
  local args=("$treefile")
  [ -d "$treefile" ] || args+=("$needle" "$graphs")
  for ((r = 1; r <= runs; r++)); do
    (cd "$(dirname "$treefile")" &&
      XDG_CONFIG_HOME="$out/config" "${runner[@]}" /usr/bin/time -v -o "$out/$label.time.$r" "$driver" "${args[@]}" \
        >"$out/$label.out.$r" 2>/dev/null)
    awk -F': ' '/Maximum resident set size/ {printf "process_peak_rss %.0f MB\n", $2 / 1024}' "$out/$label.time.$r" \
      >>"$out/$label.out.$r"
  done
  # One line per figure: the median of the runs (find_next: the worst step of each run).
  python3 - "$out/$label".out.* <<'PY'
import sys, statistics
rows, order = {}, []
for path in sys.argv[1:]:
    for line in open(path):
        f = line.split()
        if len(f) < 2 or f[0] == "find_next":
            continue
        if f[0] not in rows:
            rows[f[0]] = []
            order.append(f[0])
        rows[f[0]].append(f[1:])
for k in order:
    vals = rows[k]
    try:
        nums = sorted(float(v[0]) for v in vals)
        print("  %-18s %10s %s" % (k, [v[0] for v in vals if float(v[0]) == statistics.median_low(nums)][0],
                                   " ".join(vals[0][1:])))
    except ValueError:
        print("  %-18s %s" % (k, " ".join(vals[0])))
PY
}

for c in "${cases[@]}"; do
  case $c in
    objdump)
      unpack_binutils
      b=$out/objdump
      [ "$b/tree.txt" -nt "$conzelta" ] || tree "$b" main "-j" "$cache/binutils-2.40/binutils" \
        objdump.c dwarf.c prdbg.c rddbg.c debug.c stabs.c rdcoff.c bucomm.c version.c filemode.c elfcomm.c demanguse.c
      measure objdump "$b/tree.txt" bfd_nonfatal
      ;;
    linux)
      unpack_linux
      b=$out/linux
      [ "$b/tree.txt" -nt "$conzelta" ] || tree "$b" start_kernel "-j -e -v" "$cache/linux-source-6.1" init kernel mm lib ipc block security
      measure linux "$b/tree.txt" kmem_cache_init
      ;;
    graph)
      unpack_linux
      b=$out/linux-graph
      [ "$b/tree.txt" -nt "$conzelta" ] || tree "$b" start_kernel "-j -a -e -v" "$cache/linux-source-6.1" init kernel mm lib ipc block security
      SCREEN=1280x1024 measure graph "$b/tree.txt" kmem_cache_init \
        "kmalloc:2 start_kernel:3 big:kmalloc:1 path:start_kernel>kmem_cache_init:6 path:start_kernel>mutex_lock:12 path:start_kernel>mutex_lock:20 path:start_kernel>kfree:20"
      ;;
    callers)
      unpack_linux
      b=$out/linux-callers
      [ "$b/tree.txt" -nt "$conzelta" ] || tree "$b" kmalloc "-r -j -e" "$cache/linux-source-6.1" init kernel mm lib ipc block security
      SCREEN=1280x1024 measure callers "$b/tree.txt" kmem_cache_init "big:kmalloc:1"
      ;;
    synthetic)
      b=$out/synthetic
      mkdir -p "$b"
      [ -f "$b/tree.txt" ] || python3 "$root/bench/gen_tree.py" 4999999 "$b"
      measure synthetic "$b/tree.txt" merge_read_3649
      ;;
    list)
      unpack_linux
      b=$out/list
      mkdir -p "$b"
      # A folder of its own named without a dot (a dropped folder is judged
      # by its name, and a linked one is not walked), its files linked.
      [ -d "$b/linux" ] || cp -as "$(readlink -f "$cache/linux-source-6.1")" "$b/linux"
      measure list "$b/linux" -
      ;;
    *) echo "unknown case: $c" >&2; exit 2 ;;
  esac
done
