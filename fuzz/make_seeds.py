#!/usr/bin/env python3
"""Writes the seed corpus of pipeline_fuzzer into OUTDIR.

Seeds: every .c file of examples/ and tests/ (with the first .h file of its
folder as the header), plus a few hand-written programs that reach the
corners of the conversion pass (includes, macros, #if, literals, comments,
recursion). Layout of one seed: switch byte, mode byte, source, NUL NUL NUL,
header (see pipeline_fuzzer.cpp). Deterministic: same tree, same seeds.

    make_seeds.py OUTDIR [REPO_ROOT]
"""
import hashlib
import os
import sys

SEP = b"\0\0\0"

HANDWRITTEN = [
    (b'#include "b.h"\n#include <b.h>\n#define CALL(x) g(x)\n#define N 3\n'
     b'int f(int a) { return CALL(a) + N; }\n'
     b'int main(void) {\n  /* c */ char *s = "x\\"y(";  // z(\n  char c = \'\\\'\';\n'
     b'#if N > 2\n  f(1);\n#elif defined(Q)\n  h();\n#else\n  k();\n#endif\n  return main();\n}\n',
     b'#ifndef B_H\n#define B_H\n#define G2(a, b) g(a); g(b)\nint g(int);\nint g(int v) { G2(v, v); return h(v); }\n'
     b'static int h(int v) { return g(v - 1); }\n#endif\n'),
    (b'struct s { int a; } t = { 1 };\nenum e { A, B };\n'
     b'int a(void) { b(); c(); return 0; }\nint b(void) { c(); a(); return 1; }\n'
     b'int c(void) { printf("%d\\n", 1); return d(e(f())); }\n'
     b'int main(int argc, char **argv) { a(); b(); c(); return 0; }\n', b''),
    (b'#define P(a, ...) a(__VA_ARGS__) __VA_OPT__(x)\n#define S(x) #x\n#define C(a, b) a ## b\n'
     b'#if defined(P) && (1 ? 2 : 1 / 0) && -1 < 0 && 0x7fffffffffffffff + 1 > 0u && \'\\377\' < 0\n'
     b'int f(void) { P(g, 1); C(g, h)(); return S(x)[0]; }\n#elif __has_include(<b.h>) || (1 / 0) || (\n'
     b'#else\n#include HDR\n#endif\n#include "b.h"\nint main(void) { f(); }\n',
     b'#pragma once\n#define HDR "b.h"\nint g(int v) { return v; }\n#include "b.h"\n'),
    (b'#define LONG_MACRO(a, b, c) \\\n  do { x(a); y(b); \\\n  z(c); } while (0)\n'
     b'int main() {\n  LONG_MACRO(1, (2, 3), "4,5");\n  if (1) { { { w(); } } }\n}\n', b''),
    # Braces one macro opens and another closes, an annotation after the
    # parameter list, a literal right after a macro's parameter list, calls
    # side by side in an argument; the header ends inside such a literal.
    (b'#define EACH(i) do { for (i = 0;;) { {\n#define END } } } while (0)\n#define CLOSE } }\n'
     b'#define F(x)" " x\n#define S(t) asm ( #t\n#define E : : );\n#define T(c) S(c) E\n#define ALL(t) a = 1; t\n'
     b'int __f(int i) __must_hold(i) {\n EACH(i) {\n  g(F(i));\n } END;\n ALL(T(1)\n T(2))\n return 0;\n}\n'
     b'int __e(int *p) __acquires(p) {\n CLOSE;\n h();\n}\n#include "b.h"\nint main(void) { return __f(1) + __e(0); }\n',
     b'#define G(x)" x\n'),
]


# Calls through pointers (-p, mode bit 6): ops tables designated and
# positional, a table of functions, members through members, a callback
# handed on in a cycle, pointer variables; the header brings the types.
POINTER_SEEDS = [
    (b'#include "b.h"\n#define OPS(n) const struct ops n##_ops\n'
     b'static int f(int x) { return x; }\nstatic int g(int x) { return x; }\n'
     b'OPS(a) = { .run = f, [1] = &g, .sub = { .run = g } };\nstruct ops b_ops = { f, g };\n'
     b'static int (*tab[])(int) = { f, g, };\nint (*gp)(int) = f;\n'
     b'static int ping(int (*cb)(int), int n);\nstatic int pong(int (*cb)(int), int n) { return n ? ping(cb, n - 1) : (*cb)(n); }\n'
     b'static int ping(int (*cb)(int), int n) { return pong(cb, n); }\n'
     b'int main(void) {\n  struct ops *o = &a_ops; int (*lp)(int) = &g;\n  o->run(1); o->sub.run(2); (*o->run)(3);\n'
     b'  tab[1](4); lp(5); gp(6); x->y->z(7); ping(f, 2); o->run = g; qsort(0, 0, 0, f);\n  return (*lp)(0);\n}\n',
     b'struct inner { int (*run)(int); };\ntypedef struct ops { int (*run)(int); int (*more)(int); struct inner sub; } ops_t;\n'),
]


def main():
    out = sys.argv[1]
    root = sys.argv[2] if len(sys.argv) > 2 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    os.makedirs(out, exist_ok=True)
    seeds = []
    for src, hdr in HANDWRITTEN:
        for sw, mode in ((0x00, 0), (0x02, 2), (0x87, 5), (0x1D, 1), (0x86, 0x3D), (0x02, 0x30), (0x02, 0x90)):
            seeds.append(bytes([sw, mode]) + src + SEP + hdr)
    for src, hdr in POINTER_SEEDS:
        for sw, mode in ((0x00, 0x40), (0x86, 0x78), (0x02, 0x5A), (0x87, 0x44)):
            seeds.append(bytes([sw, mode]) + src + SEP + hdr)
    for top in ("examples", "tests"):
        base = os.path.join(root, top)
        for dirpath, dirnames, filenames in os.walk(base):
            dirnames.sort()
            cs = sorted(f for f in filenames if f.endswith(".c"))
            hs = sorted(f for f in filenames if f.endswith(".h"))
            hdr = b""
            if hs:
                with open(os.path.join(dirpath, hs[0]), "rb") as fh:
                    hdr = fh.read()
            for c in cs:
                with open(os.path.join(dirpath, c), "rb") as fh:
                    src = fh.read()
                if len(src) > 8192:
                    continue
                seeds.append(bytes([0x02, 0]) + src + SEP + hdr)
                seeds.append(bytes([0x01, 2]) + src + SEP + hdr)
                if b"#if" in src:  # the configured preprocessing's #if evaluator and expander
                    seeds.append(bytes([0x02, 0x80]) + src + SEP + hdr)
    for s in seeds:
        name = hashlib.sha1(s).hexdigest()
        with open(os.path.join(out, name), "wb") as fh:
            fh.write(s)
    print("%d seeds in %s" % (len(seeds), out))


if __name__ == "__main__":
    main()
