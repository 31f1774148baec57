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


def main():
    out = sys.argv[1]
    root = sys.argv[2] if len(sys.argv) > 2 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    os.makedirs(out, exist_ok=True)
    seeds = []
    for src, hdr in HANDWRITTEN:
        for sw, mode in ((0x00, 0), (0x02, 2), (0x87, 5), (0x1D, 1), (0x86, 0x3D), (0x02, 0x30), (0x02, 0x50)):
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
                    seeds.append(bytes([0x02, 0x40]) + src + SEP + hdr)
    for s in seeds:
        name = hashlib.sha1(s).hexdigest()
        with open(os.path.join(out, name), "wb") as fh:
            fh.write(s)
    print("%d seeds in %s" % (len(seeds), out))


if __name__ == "__main__":
    main()
