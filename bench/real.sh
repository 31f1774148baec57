#!/usr/bin/env bash
# Real-corpus benchmark: conzelta -e against GNU cflow and Universal Ctags
# on Debian's sources, and a sweep of conzelta -e over glibc and bluez that
# reports every run ending in a lexical-reading error (-8, -99, -100, -200).
#
#   bench/real.sh [STAGE...]     stages: small medium large sweep whole linux-sweep
#                                (default: small medium large sweep)
#
# Environment: CONZELTA (default build/conzelta), RUNS (default 3),
# SWEEP_TIMEOUT (seconds per sweep run, default 120).
#
# Installs binutils-source, linux-source-6.1, cflow, universal-ctags,
# glibc-source, bluez-source and time when missing (apt-get), and unpacks
# what it needs into bench/cache/ (git-ignored) once.
#
# Corpora (every .c file below the named folders, sorted by path):
#   small   binutils 2.40 gprof/                                     -f main
#   medium  binutils 2.40 binutils/                                  -f main
#   large   linux 6.1 init kernel mm lib ipc block security         -f start_kernel
#   whole   linux 6.1, every .c file of the tree as one list         -f init/main.c:start_kernel
#           (WHOLE_EXCLUDE: an extended regular expression of paths to
#           leave out; the run happens in a folder of links to the tree's
#           top-level entries, so nothing is written into the tree)
# The tools run in the corpus root with the same relative paths on the
# command line, one after the other in each round; conzelta gets a zelta.ini
# with an empty include_path, so no tool reads system headers (cflow does
# not preprocess without --cpp; conzelta still reads local "..." headers, as
# it always does). ctags lists the definitions only (-o /dev/null
# --languages=C): reading and tokenising the input once is the floor for
# every tool, and ctags does little beyond it.
#
# Command lines: the largest list (glibc, ~10,900 paths, ~0.5 MB) is far
# below ARG_MAX (2 MB with the default 8 MB stack; checked below), so every
# corpus is passed as one list. The sweep runs one list per directory,
# because an error ends a run and would hide the later files of a bigger
# list; a directory whose run fails is run again file by file to name every
# failing file.
#
# linux-sweep: one conzelta -e run per folder of the whole Linux 6.1 tree
# that holds .c files (its .c files as a list, with SWEEP_TIMEOUT), listing
# every folder whose run ends in an error code, crashes or times out; the
# designed ends for valid input are counted apart: "main関数がNつあります"
# (a folder of several programs) and "関数が定義されていません" (a folder
# of tables and declarations only). The runs take place in bench/cache/linux-sweep/, a folder
# of links to the tree's top-level entries, so the tree itself is never
# written to.
set -euo pipefail
. "$(dirname "$0")/common.sh"
root=$bench_root
cd "$root"
runs=${RUNS:-3}
stages=("$@")
[ ${#stages[@]} -gt 0 ] || stages=(small medium large sweep)
cache=$root/bench/cache
mkdir -p "$cache"
export LC_ALL=C.UTF-8  # conzelta's messages in UTF-8, for the grep below

apt_ensure time cflow universal-ctags binutils-source linux-source-6.1 glibc-source bluez-source
conzelta=$(find_conzelta)
load0=$(cut -d' ' -f1-3 /proc/loadavg)

corpus_files() {  # corpus_files ROOT DIR... : every .c file, relative to ROOT, sorted
  (cd "$1" && shift && find -H "$@" -type f -name '*.c' | LC_ALL=C sort)
}

arg_max=$(getconf ARG_MAX)

# One row of the comparison table.
compare() {  # compare LABEL ROOT START DIR...
  local label=$1 croot=$2 start=$3
  shift 3
  local files
  mapfile -t files < <(corpus_files "$croot" "$@")
  local bytes
  bytes=$(printf '%s ' "${files[@]}" | wc -c)
  if [ "$bytes" -ge $((arg_max / 2)) ]; then
    echo "$label: the list ($bytes bytes) comes too close to ARG_MAX ($arg_max)" >&2
    return 1
  fi
  local lines
  lines=$(cd "$croot" && cat "${files[@]}" | wc -l)
  write_ini "$croot"
  local cw=() cm=() cc=() fw=() fm=() fc=() tw=() tm=() tc=() cst=0 fst=0 r w m s c
  for ((r = 1; r <= runs; r++)); do
    read -r w m s c < <(time_run "$croot" "$cache/$label.conzelta" "$conzelta" -e -f "$start" "${files[@]}")
    cw+=("$w") cm+=("$m") cc+=("$c") cst=$s
    read -r w m s c < <(time_run "$croot" "$cache/$label.cflow" cflow -b --omit-arguments -m "$start" "${files[@]}")
    fw+=("$w") fm+=("$m") fc+=("$c") fst=$s
    read -r w m s c < <(time_run "$croot" "$cache/$label.ctags" ctags -o /dev/null --languages=C "${files[@]}")
    tw+=("$w") tm+=("$m") tc+=("$c")
  done
  local tl fl
  tl=$( [ -f "$croot/tree.txt" ] && wc -l <"$croot/tree.txt" || echo 0)
  fl=$(wc -l <"$cache/$label.cflow.out")
  local med=()
  med_of() { printf '%s\n' "$@" | median; }
  med=("$(med_of "${cw[@]}")" "$(med_of "${cm[@]}")" "$(med_of "${cc[@]}")" "$(med_of "${fw[@]}")"
    "$(med_of "${fm[@]}")" "$(med_of "${fc[@]}")" "$(med_of "${tw[@]}")" "$(med_of "${tm[@]}")" "$(med_of "${tc[@]}")")
  awk -v l="$label" -v n="${#files[@]}" -v ln="$lines" -v s="$start" -v tl="$tl" -v fl="$fl" -v cst="$cst" -v fst="$fst" \
    -v cw="${med[0]}" -v cm="${med[1]}" -v cc="${med[2]}" -v fw="${med[3]}" -v fm="${med[4]}" -v fc="${med[5]}" \
    -v tw="${med[6]}" -v tm="${med[7]}" -v tc="${med[8]}" 'BEGIN {
      # Below a twentieth of a second the tools spend their time starting up.
      fwr = (cw >= 0.05 && fw >= 0.05) ? sprintf("%.1fx", fw / cw) : "-";
      fcr = (cc >= 0.05 && fc >= 0.05) ? sprintf("%.1fx", fc / cc) : "-";
      twr = (cw >= 0.05 && tw >= 0.05) ? sprintf("%.2fx", tw / cw) : "-";
      tcr = (cc >= 0.05 && tc >= 0.05) ? sprintf("%.2fx", tc / cc) : "-";
      printf "| %s | %d | %d | %s | %.3f | %.2f | %.1f | %d (%d) | %.3f | %.2f | %.1f | %d (%d) | %.3f | %.2f | %.1f | %s, %s | %s, %s |\n",
        l, n, ln, s, cw, cc, cm / 1024, tl, cst, fw, fc, fm / 1024, fl, fst, tw, tc, tm / 1024, fwr, fcr, twr, tcr }'
  if [ "$cst" != 1 ]; then
    echo "$label: conzelta ended with status $cst; its last output:" >&2
    tail -n 3 "$cache/$label.conzelta.out" >&2 || true
  fi
}

# The four error reports of the lexical reading, as conzelta prints them.
lexical_error() {  # lexical_error OUTFILE : prints the code found, if any
  if grep -q 'エラー : -8' "$1"; then echo -8
  elif grep -q 'シングルコーテーションの対応がとれてません' "$1"; then echo -99
  elif grep -q 'ダブルコーテーションの対応がとれてません' "$1"; then echo -100
  elif grep -q 'エラーナンバー : -200' "$1"; then echo -200
  fi
}

# sweep_run ROOT LOG PATH... : prints the lexical error code, "timeout" or
# "status-N" for a failure, "tree" for a run that drew its tree and "other"
# for another error report (for example more than one main).
sweep_run() {
  local croot=$1 log=$2
  shift 2
  local st=0
  (cd "$croot" && TMP="$cache/tmp" timeout "${SWEEP_TIMEOUT:-120}" "$conzelta" -e "$@" >"$log.out" 2>"$log.err" </dev/null) || st=$?
  rm -f "$cache/tmp"/* 2>/dev/null || true
  local code
  code=$(lexical_error "$log.out")
  if [ -n "$code" ]; then echo "$code"
  elif [ "$st" = 124 ]; then echo "timeout"
  elif [ "$st" != 0 ] && [ "$st" != 1 ]; then echo "status-$st"
  elif [ "$st" = 1 ]; then echo "tree"
  else echo "other"
  fi
}

sweep() {  # sweep LABEL ROOT
  local label=$1 croot=$2
  mkdir -p "$cache/tmp"
  write_ini "$croot"
  local dirs d total=0 runs_done=0 failures=0 trees=0 others=0 nfiles lines
  mapfile -t all < <(corpus_files "$croot" .)
  nfiles=${#all[@]}
  lines=$(cd "$croot" && printf '%s\0' "${all[@]}" | xargs -0 cat | wc -l)
  mapfile -t dirs < <(printf '%s\n' "${all[@]}" | sed 's|/[^/]*$||' | LC_ALL=C sort -u)
  local report=$cache/$label.sweep.txt
  : >"$report"
  local t0 t1
  t0=$(date +%s)
  for d in "${dirs[@]}"; do
    local files
    mapfile -t files < <(cd "$croot" && find "$d" -maxdepth 1 -type f -name '*.c' | LC_ALL=C sort)
    [ ${#files[@]} -gt 0 ] || continue
    runs_done=$((runs_done + 1))
    local code
    code=$(sweep_run "$croot" "$cache/$label.sweep" "${files[@]}")
    case $code in
      tree) trees=$((trees + 1)); continue ;;
      other) others=$((others + 1)); continue ;;
    esac
    # Find every failing file of this directory.
    local f
    for f in "${files[@]}"; do
      code=$(sweep_run "$croot" "$cache/$label.one" "$f")
      if [ "$code" != tree ] && [ "$code" != other ]; then
        failures=$((failures + 1))
        echo "$code $f" >>"$report"
      fi
    done
  done
  t1=$(date +%s)
  echo "| $label | $nfiles | $lines | $runs_done | $trees | $others | $failures | $((t1 - t0)) s |"
  if [ "$failures" -gt 0 ]; then
    sed 's/^/    /' "$report" >&2
  fi
}

# linux_sweep ROOT : the per-folder sweep of a whole Linux tree.
linux_sweep() {
  local croot=$1 work=$cache/linux-sweep
  rm -rf "$work"
  mkdir -p "$work" "$cache/tmp"
  local e
  for e in "$croot"/*; do
    case ${e##*/} in zelta.ini | zelta_err.txt | tree.* | [0-9].txt | abcd.txt) continue ;; esac  # as in whole
    ln -s "$e" "$work/"
  done
  write_ini "$work"
  local report=$cache/linux-sweep.txt
  : >"$report"
  local dirs d runs_done=0 trees=0 mains=0 nodefs=0 failures=0 nfiles=0 t0 t1
  mapfile -t dirs < <(cd "$croot" && find -H ./* -type f -name '*.c' | sed 's|^\./||; s|/[^/]*$||' | LC_ALL=C sort -u)
  t0=$(date +%s)
  for d in "${dirs[@]}"; do
    local files
    mapfile -t files < <(cd "$croot" && find "$d" -maxdepth 1 -type f -name '*.c' | LC_ALL=C sort)
    [ ${#files[@]} -gt 0 ] || continue
    runs_done=$((runs_done + 1))
    nfiles=$((nfiles + ${#files[@]}))
    local code
    code=$(sweep_run "$work" "$cache/linux-sweep.run" "${files[@]}")
    case $code in
      tree) trees=$((trees + 1)) ;;
      other)
        if grep -q 'main関数が[0-9]*つあります' "$cache/linux-sweep.run.out"; then
          mains=$((mains + 1))
        elif grep -q '^関数が定義されていません' "$cache/linux-sweep.run.out"; then
          nodefs=$((nodefs + 1))
        else
          failures=$((failures + 1))
          echo "other $d: $(grep -v '^[[:space:]]*$' "$cache/linux-sweep.run.out" | tail -n 1)" >>"$report"
        fi
        ;;
      *)
        failures=$((failures + 1))
        echo "$code $d" >>"$report"
        ;;
    esac
  done
  t1=$(date +%s)
  echo "| linux-sweep | $nfiles | $runs_done | $trees | $mains | $nodefs | $failures | $((t1 - t0)) s |"
  if [ "$failures" -gt 0 ]; then
    sed 's/^/    /' "$report" >&2
  fi
}

for stage in "${stages[@]}"; do
  case $stage in
    linux-sweep)
      # The whole tree; a tree already unpacked whole is taken as it is.
      [ -d "$cache/linux-source-6.1/arch" ] && [ -d "$cache/linux-source-6.1/drivers" ] ||
        unpack linux-tree /usr/src/linux-source-6.1.tar.xz
      ;;
    small | medium)
      unpack_binutils
      ;;
    large)
      unpack_linux
      ;;
    whole) ;;
    sweep)
      unpack glibc /usr/src/glibc/glibc-2.36.tar.xz
      unpack bluez /usr/src/bluez.tar.bz2
      ;;
    *) echo "unknown stage $stage (small medium large sweep whole linux-sweep)" >&2; exit 2 ;;
  esac
done

# The whole Linux tree as one list: conzelta and ctags in the same rounds,
# and cflow once when WHOLE_CFLOW_TIMEOUT (seconds) is set: left out by
# default, since cflow holds 451 MB for the million lines of the Linux core
# and the whole tree is 23 times that.
whole() {
  local src=/usr/src/linux-source-6.1.tar.xz tree=$cache/linux-source-6.1
  if [ ! -d "$tree/drivers" ]; then
    echo "unpacking the whole of $src into bench/cache/" >&2
    (cd "$cache" && tar xf "$src")
  fi
  local work=$cache/whole e
  mkdir -p "$work"
  # What a run writes is never linked: a tree root that holds a run's files
  # (the large stage runs there) would get this run's through the links.
  for e in "$tree"/*; do
    case ${e##*/} in zelta.ini | zelta_err.txt | tree.* | [0-9].txt | abcd.txt) continue ;; esac
    ln -sfn "$e" "$work/"
  done
  find "$work" -maxdepth 1 -type l \( -name 'zelta*' -o -name 'tree.*' -o -name '[0-9].txt' -o -name abcd.txt \) -delete
  local files
  mapfile -t files < <(cd "$tree" && find -H ./* -type f -name '*.c' | sed 's|^\./||' | LC_ALL=C sort |
    { if [ -n "${WHOLE_EXCLUDE:-}" ]; then grep -Ev "$WHOLE_EXCLUDE"; else cat; fi; })
  local bytes
  bytes=$(printf '%s ' "${files[@]}" | wc -c)
  # One argument list for the whole tree: ARG_MAX less the environment.
  if [ "$bytes" -ge $((arg_max - 65536)) ]; then
    echo "whole: the list ($bytes bytes) does not fit ARG_MAX ($arg_max)" >&2
    return 1
  fi
  local lines
  lines=$(cd "$tree" && printf '%s\0' "${files[@]}" | xargs -0 cat | wc -l)
  write_ini "$work"
  local cw=() cm=() cc=() tw=() tm=() tc=() cst=0 r w m s c
  for ((r = 1; r <= runs; r++)); do
    read -r w m s c < <(time_run "$work" "$cache/whole.conzelta" "$conzelta" -e -f init/main.c:start_kernel "${files[@]}")
    cw+=("$w") cm+=("$m") cc+=("$c") cst=$s
    read -r w m s c < <(time_run "$work" "$cache/whole.ctags" ctags -o /dev/null --languages=C "${files[@]}")
    tw+=("$w") tm+=("$m") tc+=("$c")
  done
  local tl
  tl=$([ -f "$work/tree.txt" ] && wc -l <"$work/tree.txt" || echo 0)
  local fw=- fc=- fm=- fl=- fst=- ft=${WHOLE_CFLOW_TIMEOUT:-0}
  if [ "$ft" != 0 ]; then
    read -r w m s c < <(time_run "$work" "$cache/whole.cflow" timeout "$ft" cflow -b --omit-arguments -m start_kernel "${files[@]}")
    fst=$s
    if [ "$s" = 124 ]; then fw=">$ft"
    else fw=$w fc=$c fm=$(awk -v m="$m" 'BEGIN {printf "%.1f", m / 1024}') fl=$(wc -l <"$cache/whole.cflow.out")
    fi
  fi
  med_of() { printf '%s\n' "$@" | median; }
  local mw mc mm tww tcc tmm
  mw=$(med_of "${cw[@]}") mc=$(med_of "${cc[@]}") mm=$(med_of "${cm[@]}")
  tww=$(med_of "${tw[@]}") tcc=$(med_of "${tc[@]}") tmm=$(med_of "${tm[@]}")
  awk -v n="${#files[@]}" -v ln="$lines" -v cw="$mw" -v cc="$mc" -v cm="$mm" -v tl="$tl" -v cst="$cst" \
    -v fw="$fw" -v fc="$fc" -v fm="$fm" -v fl="$fl" -v fst="$fst" -v tw="$tww" -v tc="$tcc" -v tm="$tmm" 'BEGIN {
      printf "| whole | %d | %d | init/main.c:start_kernel | %.3f | %.2f | %.1f | %d (%s) | %s | %s | %s | %s (%s) | %.3f | %.2f | %.1f | - | %.2fx, %.2fx |\n",
        n, ln, cw, cc, cm / 1024, tl, cst, fw, fc, fm, fl, fst, tw, tc, tm / 1024, tw / cw, tc / cc }'
  if [ "$cst" != 1 ]; then
    echo "whole: conzelta ended with status $cst; its last output:" >&2
    tail -n 3 "$cache/whole.conzelta.out" >&2 || true
  fi
}

header_done=
for stage in "${stages[@]}"; do
  case $stage in
    small | medium | large | whole)
      if [ -z "$header_done" ]; then
        echo "| corpus | .c files | lines | start | conzelta -e wall (s) | CPU (s) | peak MB | tree lines (exit) | cflow -b wall (s) | CPU (s) | peak MB | output lines (exit) | ctags wall (s) | CPU (s) | peak MB | cflow / conzelta (wall, CPU) | ctags / conzelta (wall, CPU) |"
        echo "|---|---:|---:|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|"
        header_done=1
      fi
      ;;
  esac
  case $stage in
    small) compare small "$cache/binutils-2.40" main gprof ;;
    medium) compare medium "$cache/binutils-2.40" main binutils ;;
    large) compare large "$cache/linux-source-6.1" start_kernel init kernel mm lib ipc block security ;;
    whole) whole ;;
  esac
done
if [ -n "$header_done" ]; then
  echo
  echo "Median of $runs runs each, one after the other on the same machine ($(nproc) cores, $(uname -m),"
  echo "load average before the runs: $load0, after: $(cut -d' ' -f1-3 /proc/loadavg)); CPU = user + system time."
  echo "In the corpus root: conzelta -e -f START <files>, cflow -b --omit-arguments -m START <files> and"
  echo "ctags -o /dev/null --languages=C <files>, one after the other in each round; peak memory is the maximum"
  echo "resident set size from /usr/bin/time -v. A ratio above 1 means conzelta took less time."
  echo "$(cflow --version | head -n 1); $(ctags --version | head -n 1 | cut -d, -f1)"
fi

for stage in "${stages[@]}"; do
  if [ "$stage" = sweep ]; then
    echo
    echo "| sweep | .c files | lines | runs | runs with a tree | runs with another report | files ending in -8/-99/-100/-200, crash or time-out | time |"
    echo "|---|---:|---:|---:|---:|---:|---:|---:|"
    sweep glibc "$cache/glibc-2.36"
    sweep bluez "$cache/bluez-source"
    echo
    echo "One conzelta -e run per directory (its .c files as a list, in the corpus root); a failing"
    echo "directory is run again file by file. \"Another report\" is an ordinary end such as more than one"
    echo "main in a directory of test programs. Failing files are listed on stderr and in"
    echo "bench/cache/{glibc,bluez}.sweep.txt."
  fi
done

for stage in "${stages[@]}"; do
  if [ "$stage" = linux-sweep ]; then
    echo
    echo "| sweep | .c files | folder runs | runs with a tree | more than one main | no definition | folders ending in an error code, crash or time-out | time |"
    echo "|---|---:|---:|---:|---:|---:|---:|---:|"
    linux_sweep "$cache/linux-source-6.1"
    echo
    echo "One conzelta -e run per folder of the whole tree (its .c files as a list), with a time-out of"
    echo "${SWEEP_TIMEOUT:-120} s each. Failing folders are listed on stderr and in bench/cache/linux-sweep.txt."
  fi
done
