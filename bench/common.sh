# Helpers shared by the bench scripts (sourced, not run).

bench_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# apt_ensure PKG... : installs the Debian packages that are missing.
apt_ensure() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "installing: ${missing[*]}" >&2
  local sudo=
  [ "$(id -u)" -ne 0 ] && sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# The analyser under test: $CONZELTA, else build/conzelta (built when missing).
find_conzelta() {
  local c=${CONZELTA:-$bench_root/build/conzelta}
  if [ ! -x "$c" ]; then
    (cd "$bench_root" && cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null &&
      cmake --build build --target conzelta -j2 >/dev/null)
  fi
  readlink -f "$c"
}

# median of the numbers on stdin
median() { sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

# time_run DIR LOG CMD... : runs CMD in DIR under /usr/bin/time -v with stdout
# and stderr in LOG.out / LOG.err; prints "wall_seconds peak_rss_kb status cpu_seconds".
# The wall time comes from the clock around the run (time -v rounds to 10 ms);
# the CPU time (user + system) tells how much of it was the run's own work
# when other jobs share the cores.
time_run() {
  local dir=$1 log=$2
  shift 2
  local st=0 t0 t1 wall rss cpu
  t0=$(date +%s%N)
  (cd "$dir" && /usr/bin/time -v -o "$log.time" "$@" >"$log.out" 2>"$log.err") || st=$?
  t1=$(date +%s%N)
  wall=$(awk -v a="$t0" -v b="$t1" 'BEGIN {printf "%.3f", (b - a) / 1e9}')
  rss=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$log.time")
  cpu=$(awk -F': ' '/(User|System) time/ {s += $2} END {printf "%.2f", s}' "$log.time")
  echo "$wall ${rss:-0} $st $cpu"
}

# write_ini DIR [INCLUDE_PATH] : the four-line zelta.ini the front-end writes (CP932, CR LF).
write_ini() {
  printf '%s%s\n' "$(cat "$bench_root/config/zelta.ini.in")" "${2:-}" |
    iconv -f UTF-8 -t CP932 | sed 's/$/\r/' >"$1/zelta.ini"
}

# unpack NAME TARBALL [MEMBERS...] : unpacks into bench/cache/ once.
unpack() {
  local cache=$bench_root/bench/cache name=$1 tarball=$2
  shift 2
  mkdir -p "$cache"
  [ -f "$cache/.$name.done" ] && return 0
  echo "unpacking $tarball into bench/cache/" >&2
  (cd "$cache" && tar xf "$tarball" "$@")
  touch "$cache/.$name.done"
}

# The corpora the benches share: binutils 2.40 (gprof, binutils and their
# headers) and the Linux 6.1 core (init kernel mm lib ipc block security).
unpack_binutils() {
  unpack binutils /usr/src/binutils/binutils-2.40.tar.xz binutils-2.40/gprof binutils-2.40/binutils binutils-2.40/include
}
unpack_linux() {
  unpack linux /usr/src/linux-source-6.1.tar.xz --wildcards 'linux-source-6.1/init/*' 'linux-source-6.1/kernel/*' \
    'linux-source-6.1/mm/*' 'linux-source-6.1/lib/*' 'linux-source-6.1/ipc/*' 'linux-source-6.1/block/*' \
    'linux-source-6.1/security/*' 'linux-source-6.1/include/*'
}
