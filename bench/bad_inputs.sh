#!/usr/bin/env bash
# The bad-input cases that are too slow for the end-to-end tests, ten times
# larger: each must end with status 0 (an error report) or 1 (a tree), never
# a signal or a time-out. Prints a Markdown table with time and peak memory.
#
#   bench/bad_inputs.sh            (CONZELTA, BAD_TIMEOUT=300 s per run)
set -euo pipefail
. "$(dirname "$0")/common.sh"
cd "$bench_root"
apt_ensure time
conzelta=$(find_conzelta)
work=$bench_root/bench/out/bad
rm -rf "$work"
mkdir -p "$work"
limit=${BAD_TIMEOUT:-300}
failed=0

# case NAME ARGS... : runs conzelta -e ARGS in $work/NAME (prepared beforehand)
run_case() {
  local name=$1
  shift
  local dir=$work/$name w m s verdict
  write_ini "$dir"
  read -r w m s _ < <(time_run "$dir" "$dir/run" timeout -s KILL "$limit" "$conzelta" -e "$@")
  if [ "$s" = 0 ] || [ "$s" = 1 ]; then verdict=clean; else verdict="NOT CLEAN"; failed=1; fi
  local msg
  msg=$(grep -v '^$' "$dir/run.out" | grep -v -E '^\*+' | tail -n 1 | cut -c1-60)
  printf '| %s | %s | %s | %.1f | %s | %s |\n' "$name" "$s" "$w" "$(awk -v m="$m" 'BEGIN {print m / 1024}')" "$verdict" "$msg"
}

gen() { python3 - "$@"; }

echo "| case | exit | time (s) | peak MB | verdict | last message |"
echo "|---|---:|---:|---:|---|---|"

mkdir -p "$work/source-200MB"
gen "$work/source-200MB/big.c" <<'EOF'
import sys
out = open(sys.argv[1], "w")
out.write("int main(void)\n{\n" + "".join("  f%d(k);\n" % k for k in range(1000)) + "  return 0;\n}\n")
for h in range(100):
    out.write("int h%d(int v, const char *s) { return v + *s; }\n" % h)
size, k = 0, 0
while size < 200 * 1024 * 1024:
    body = "".join('  acc += h%d(v + %d, "text; with { and ( inside"); // note\n' % ((k + l) % 100, l) for l in range(12))
    chunk = "/* function %d */\nint f%d(int v)\n{\n  int acc = 0;\n%s  return acc + '}';\n}\n\n" % (k, k, body)
    out.write(chunk)
    size += len(chunk)
    k += 1
EOF
run_case source-200MB big.c

mkdir -p "$work/line-10M"
gen "$work/line-10M/a.c" <<'EOF'
import sys
open(sys.argv[1], "w").write("int main(void) { " + "f(); " * 2000000 + "}\nint f(void) { return 0; }\n")
EOF
run_case line-10M a.c

mkdir -p "$work/name-10M"
gen "$work/name-10M/a.c" <<'EOF'
import sys
n = "n" * 10000000
open(sys.argv[1], "w").write("int main(void) { %s(); }\nint %s(void) { return 0; }\n" % (n, n))
EOF
run_case name-10M a.c

for kind in braces parens ifs; do
  mkdir -p "$work/nest-100k-$kind"
  gen "$work/nest-100k-$kind/a.c" "$kind" <<'EOF'
import sys
n = 100000
kind = sys.argv[2]
if kind == "braces":
    src = "int main(void) {" + "{" * n + " f(); " + "}" * n + "}\n"
elif kind == "parens":
    src = "int main(void) { x = " + "(" * n + "f()" + ")" * n + "; }\n"
else:
    src = "#ifndef NOPE\n" * n + "int main(void) { f(); }\n" + "#endif\n" * n
open(sys.argv[1], "w").write(src + "int f(void) { return 0; }\n")
EOF
  run_case "nest-100k-$kind" a.c
done

for n in 5000 50000; do
  mkdir -p "$work/dir-$n/src"
  gen "$work/dir-$n/src" "$n" <<'EOF'
import os, sys
d, n = sys.argv[1], int(sys.argv[2])
with open(os.path.join(d, "main.c"), "w") as m:
    m.write("int main(void)\n{\n")
    for k in range(n):
        m.write("  f%05d();\n" % k)
        with open(os.path.join(d, "f%05d.c" % k), "w") as f:
            f.write("int f%05d(void)\n{\n  return g(%d);\n}\n" % (k, k))
    m.write("  return 0;\n}\nint g(int v) { return v; }\n")
EOF
  run_case "dir-$n" src
done

# -p: a callback handed on through 20,000 parameters and round a cycle, a
# table of a million stores (made by a macro), a chain of 20,000 members
# of a struct that points to itself.
mkdir -p "$work/pointer-flows"
gen "$work/pointer-flows/a.c" <<'EOF'
import sys
n = 20000
with open(sys.argv[1], "w") as out:
    out.write("struct s { struct s *next; int (*run)(int); };\n#define ROW(f) { 0, f },\n")
    out.write("int cb(int x) { return x; }\nint other(int x) { return x; }\n")
    out.write("static struct s table[] = {\n" + "ROW(cb) { .run = other },\n" * 500000 + "};\n")
    for k in range(n):
        out.write("int hop%d(int (*f)(int), int v) { return hop%d(f, v) + f(v); }\n" % (k, (k + 1) % n))
    out.write("int walk(struct s *p) { return p" + "->next" * n + "->run(1); }\n")
    out.write("int main(void) { return hop0(cb, 1) + walk(table); }\n")
EOF
run_case pointer-flows -p a.c

mkdir -p "$work/binary-100MB"
gen "$work/binary-100MB/x.c" <<'EOF'
import random, sys
open(sys.argv[1], "wb").write(random.Random(1).randbytes(100 * 1024 * 1024))
EOF
run_case binary-100MB x.c

echo
echo "Each case: conzelta -e <input> in its own folder under bench/out/bad/, killed after ${limit} s."
exit $failed
