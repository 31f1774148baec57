#!/usr/bin/env bash
# Builds zelta and runs the main job.
#   scripts/example.sh            analyse the bundled example program (examples/calc) in a
#                                 scratch folder and print the resulting tree.txt
#   scripts/example.sh ARGS...    run conzelta with your own switches and paths in the
#                                 current folder (a default zelta.ini is written when missing)
#   scripts/example.sh --gui      start the front-end with the example folder in its list
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/deps.sh"
. "$root/scripts/configure.sh"

write_ini() {  # the settings file as the front-end writes it: CP932, CR LF
  printf '%s/usr/include\n' "$(cat "$root/config/zelta.ini.in")" | iconv -f UTF-8 -t CP932 | sed 's/$/\r/' > "$1"
}

if [ "${1:-}" = "--gui" ]; then
  configure_main_build
  cmake --build "$root/build" -j"$(nproc)" --target conzelta zelta
  cd "$root/build"
  [ -f zelta.ini ] || write_ini zelta.ini
  exec ./zelta "$root/examples/calc"
fi

configure_main_build
cmake --build "$root/build" -j"$(nproc)" --target conzelta

if [ $# -gt 0 ]; then
  if [ ! -f zelta.ini ]; then
    echo "(writing a default zelta.ini in $(pwd))"
    write_ini zelta.ini
  fi
  exec "$root/build/conzelta" "$@"
fi

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cp -r "$root/examples/calc" "$scratch/"
write_ini "$scratch/zelta.ini"
cd "$scratch"
echo "\$ conzelta -e -v calc        (in a scratch folder holding a copy of examples/calc)"
status=0
"$root/build/conzelta" -e -v calc || status=$?
charset=$(locale charmap 2>/dev/null || echo UTF-8)
case "$charset" in ANSI_X3.4-1968|ASCII|"") charset=UTF-8 ;; esac
if [ -f tree.txt ]; then
  echo
  echo "tree.txt:"
  iconv -f CP932 -t "$charset" tree.txt | tr -d '\r'
else
  echo "(no tree.txt was written; exit status $status)"
fi
