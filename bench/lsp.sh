#!/usr/bin/env bash
# zelta-lsp on the Linux core and on the whole Linux tree: initialize to the
# first call-hierarchy answer (kmem_cache_init in mm/slab.c, the definition
# calls resolve to), every position request over 1,000 random functions,
# an edit to an answer that shows it, peak memory.
#
#   bench/lsp.sh [core] [whole] [clangd]     (ZELTA_LSP, default build/zelta-lsp)
#
# clangd: zelta-lsp beside clangd (Debian 12's, --background-index) on a
# program with a compile_commands.json (CLANGD_PROGRAM, a folder; default a
# copy of examples/calc, which gets one entry per source; CLANGD_FILE and
# CLANGD_FUNCTION name where to ask): from initialize to the end of each
# server's indexing progress, then the callers of the function, and the peak.
#
# A workspace is a folder: the core one is a folder of links to the seven
# core folders of the shared unpacked tree (bench/out/lsp/core), the whole
# one a link to the tree itself. Nothing is written into the corpus: the
# edit is an unsaved buffer, which the server analyses as a save would.
set -euo pipefail
. "$(dirname "$0")/common.sh"
cd "$bench_root"
apt_ensure linux-source-6.1 python3
unpack_linux
server=$(readlink -f "${ZELTA_LSP:-$bench_root/build/zelta-lsp}")
[ -x "$server" ] || { echo "build zelta-lsp first (cmake --build build --target zelta-lsp)" >&2; exit 1; }
cache=$bench_root/bench/cache
out=$bench_root/bench/out/lsp
stages=("$@")
[ ${#stages[@]} -eq 0 ] && stages=(core whole)
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
for stage in "${stages[@]}"; do
  case $stage in
    core)
      rm -rf "$out/core"
      mkdir -p "$out/core"
      for d in init kernel mm lib ipc block security; do ln -s "$cache/linux-source-6.1/$d" "$out/core/"; done
      echo "== Linux core ($(find -L "$out/core" -name '*.c' | wc -l) .c files)"
      LSP_LOG=$out/core.log python3 bench/lsp_client.py "$server" "$out/core" mm/slab.c kmem_cache_init \
        --requests 1000 --edit
      ;;
    whole)
      mkdir -p "$out"
      ln -sfn "$cache/linux-source-6.1" "$out/whole"
      echo "== whole Linux tree ($(find -L "$out/whole/" -name '*.c' | wc -l) .c files)"
      LSP_LOG=$out/whole.log python3 bench/lsp_client.py "$server" "$out/whole" mm/slab.c kmem_cache_init
      echo "sources left out: $(grep -c 'left out' "$out/whole.log" || true)"
      grep 'left out' "$out/whole.log" | sed 's/^/  /' || true
      ;;
    clangd)
      command -v clangd >/dev/null || { echo "clangd is not installed (apt-get install clangd)" >&2; exit 1; }
      prog=${CLANGD_PROGRAM:-}
      if [ -z "$prog" ]; then
        prog=$out/calc
        rm -rf "$prog"
        cp -r "$bench_root/examples/calc" "$prog"
        (cd "$prog" && printf '[' && first=1 && for f in *.c; do
          [ -n "$first" ] || printf ','
          first=
          printf '\n {"directory": "%s", "file": "%s", "arguments": ["cc", "-c", "%s"]}' "$prog" "$f" "$f"
        done && printf '\n]\n') >"$prog/compile_commands.json"
      fi
      file=${CLANGD_FILE:-lexer.c} function=${CLANGD_FUNCTION:-lexer_next}
      echo "== $(basename "$prog") ($(find -L "$prog" -name '*.c' | wc -l) .c files, $(find -L "$prog" -name '*.[ch]' -exec cat {} + | wc -l) lines)"
      printf 'zelta-lsp: '
      LSP_LOG=$out/clangd.zelta.log python3 bench/lsp_client.py "$server" -- "$prog" "$file" "$function" --index
      printf 'clangd: '
      LSP_LOG=$out/clangd.log python3 bench/lsp_client.py clangd --background-index --log=error -- "$prog" "$file" "$function" --index
      ;;
    *) echo "unknown stage $stage" >&2; exit 1 ;;
  esac
done
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
