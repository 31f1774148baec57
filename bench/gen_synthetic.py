#!/usr/bin/env python3
"""Generates a deterministic synthetic C code base for timing conzelta.

The base looks like ordinary application code: a main.c, modules of a few
hundred to a few thousand lines, group headers with include guards, a common
header with object-like and function-like macros (some of which expand to
calls), a small fake system-header folder, #if/#ifdef/#else blocks, line and
block comments, string and character literals with escapes, file-level
tables and struct definitions, and a call graph that is mostly a DAG with a
few recursive and mutually recursive edges.

The same arguments always give the same bytes (random.Random with a fixed
seed, no dependence on the environment).

    gen_synthetic.py OUTDIR --lines 100000 [--seed 1] [--funcs-per-file 40]
                     [--calls 4] [--files-per-header 8]

Layout of OUTDIR:
    zelta.ini            include_path=sysinc
    sysinc/*.h           stand-ins for system headers (<stdio.h> ...)
    src/*.c, src/*.h     the code base
    files.txt            every .c file, one per line, relative to OUTDIR
    stats.txt            files, lines, functions, calls
"""
import argparse
import os
import random
import sys

SYS_HEADERS = {
    "stdio.h": [
        "#ifndef _SYN_STDIO_H",
        "#define _SYN_STDIO_H",
        "#define EOF (-1)",
        "typedef struct syn_file FILE;",
        "int printf(const char *fmt, ...);",
        "int fprintf(FILE *fp, const char *fmt, ...);",
        "int snprintf(char *buf, unsigned long n, const char *fmt, ...);",
        "int puts(const char *s);",
        "#endif",
    ],
    "string.h": [
        "#ifndef _SYN_STRING_H",
        "#define _SYN_STRING_H",
        "void *memcpy(void *d, const void *s, unsigned long n);",
        "void *memset(void *d, int c, unsigned long n);",
        "unsigned long strlen(const char *s);",
        "int strcmp(const char *a, const char *b);",
        "#endif",
    ],
    "stdlib.h": [
        "#ifndef _SYN_STDLIB_H",
        "#define _SYN_STDLIB_H",
        "#define EXIT_SUCCESS 0",
        "#define EXIT_FAILURE 1",
        "void *malloc(unsigned long n);",
        "void free(void *p);",
        "void abort(void);",
        "#endif",
    ],
}

LIB_CALLS = [
    'printf("%d\\n", {v});',
    'memset(buf, 0, sizeof buf);',
    'memcpy(buf, "abc", 3);',
    '{v} += (int)strlen(buf);',
    'puts("done: \\"ok\\" // not a comment");',
    'snprintf(buf, sizeof buf, "%s=%d", "key", {v});',
]

COMMENTS = [
    "/* keep the counters in step with the table */",
    "// the caller owns the buffer",
    "/* a block comment that mentions f(x) and \"quotes\" */",
    "// TODO: tighten this bound (see issue 12)",
    "/*\n     * multi-line comment with a call-like text g(1, 2);\n     */",
]


class Func:
    __slots__ = ("name", "file", "callees", "static")

    def __init__(self, name, file, static):
        self.name = name
        self.file = file
        self.callees = []
        self.static = static


def plan(args, rng):
    """Decides files, functions and the call graph."""
    # One function with its comments and blocks is about 22 lines; the
    # per-file overhead (includes, tables, structs) about 30.
    per_file = args.funcs_per_file
    approx_file_lines = per_file * 22 + 30
    nfiles = max(1, round(args.lines / approx_file_lines))
    files = ["main.c"] + ["m%04d.c" % i for i in range(1, nfiles)]
    funcs = []
    by_file = {}
    for fi, fname in enumerate(files):
        lst = []
        count = per_file if fi else max(4, per_file // 4)
        for j in range(count):
            if fi == 0:
                name = "main" if j == 0 else "app_step%d" % j
            else:
                name = "m%04d_f%03d" % (fi, j)
            f = Func(name, fname, static=(fi != 0 and j % 7 == 6))
            lst.append(f)
            funcs.append(f)
        by_file[fname] = lst
    # Every function gets a level; calls go to deeper levels (mostly within
    # the same file, as in real modules), so the tree is as deep as real
    # call trees are (a few dozen levels) however large the base. A few
    # edges make direct and indirect recursion.
    levels = args.levels
    lvl = {}
    glob = [[] for _ in range(levels + 1)]
    local = {}
    for fname in files:
        local[fname] = [[] for _ in range(levels + 1)]
        for j, f in enumerate(by_file[fname]):
            lv = 0 if f.name == "main" else (1 if j == 0 else rng.randint(1, levels))
            lvl[f.name] = lv
            local[fname][lv].append(f)
            if not f.static:
                glob[lv].append(f)

    def pick(pool_by_level, lo):
        choices = [lv for lv in range(lo, min(levels, lo + 2) + 1) if pool_by_level[lv]]
        if not choices:
            return None
        bucket = pool_by_level[rng.choice(choices)]
        return bucket[rng.randrange(len(bucket))]

    for i, f in enumerate(funcs):
        k = rng.randint(max(1, args.calls - 2), args.calls + 2)
        lv = lvl[f.name]
        for _ in range(k):
            r = rng.random()
            if r < 0.02:
                target = f  # direct recursion
            elif r < 0.65:
                target = pick(local[f.file], lv + 1)
            else:
                target = pick(glob, lv + 1)
            if target is None or target.name == "main":
                continue
            if target.static and target.file != f.file:
                continue
            f.callees.append(target)
            # Now and then the callee calls back: indirect recursion, in short
            # cycles as real code has them.
            if target is not f and target.file == f.file and not f.static and rng.random() < 0.01:
                target.callees.append(f)
    # main reaches every module's first function, so the tree covers the base.
    main = funcs[0]
    for fname in files[1:]:
        first = by_file[fname][0]
        if first not in main.callees:
            main.callees.append(first)
    return files, by_file, funcs


def header_of(fi, args):
    return "grp%03d.h" % ((fi - 1) // args.files_per_header) if fi else "app.h"


def write_common(out):
    lines = [
        "/* common.h: project-wide macros */",
        "#ifndef SYN_COMMON_H",
        "#define SYN_COMMON_H",
        "",
        "#include <stddef.h>",
        "#include <stdio.h>",
        "#include <string.h>",
        "#include <stdlib.h>",
        "",
        "#define FEATURE_LEVEL 3",
        "#define USE_TRACE",
        "#define BUF_SIZE 256",
        "#define ARRAY_LEN(a) (sizeof(a) / sizeof((a)[0]))",
        "#define MIN(a, b) ((a) < (b) ? (a) : (b))",
        "#define MAX(a, b) ((a) > (b) ? (a) : (b))",
        "#define CHECK(x) do { if (!(x)) fail_check(#x, __LINE__); } while (0)",
        "#define TRACE(msg) trace_message(__FILE__, __LINE__, msg)",
        "#define LOG2(level, msg) log_message(level, \"[\" msg \"]\")",
        "#define MULTI_LINE_MACRO(a, b) \\",
        "    ((a) * 31 + \\",
        "     (b))",
        "",
        "struct syn_item {",
        "  int key;",
        "  const char *name;",
        "  int (*handler)(int);",
        "};",
        "",
        "void fail_check(const char *expr, int line);",
        "void trace_message(const char *file, int line, const char *msg);",
        "void log_message(int level, const char *msg);",
        "",
        "#endif /* SYN_COMMON_H */",
    ]
    return lines


def write_util():
    return [
        "/* util.c: helpers reached through the macros of common.h */",
        "#include \"common.h\"",
        "",
        "static int check_failures;",
        "",
        "void fail_check(const char *expr, int line)",
        "{",
        "  check_failures++;",
        "  fprintf(NULL, \"check failed: %s at %d\\n\", expr, line);",
        "}",
        "",
        "void trace_message(const char *file, int line, const char *msg)",
        "{",
        "#ifdef USE_TRACE",
        "  printf(\"%s:%d: %s\\n\", file, line, msg);",
        "#endif",
        "}",
        "",
        "void log_message(int level, const char *msg)",
        "{",
        "  if (level > 1)",
        "    trace_message(\"log\", level, msg);",
        "}",
    ]


def func_lines(f, rng, fi):
    out = []
    params = "int value, const char *label" if f.name != "main" else "int argc, char **argv"
    if rng.random() < 0.3:
        out.append(COMMENTS[rng.randrange(len(COMMENTS))])
    ret = "static int" if f.static else "int"
    # Two header styles: everything on one line, or K&R-ish with the type above.
    if rng.random() < 0.5:
        out.append("%s %s(%s)" % (ret, f.name, params))
        out.append("{")
    else:
        out.append(ret)
        out.append("%s(%s) {" % (f.name, params))
    v = "value" if f.name != "main" else "argc"
    out.append("  char buf[BUF_SIZE];")
    out.append("  int i, acc = 0;")
    out.append("  const char quote = '\\'', dq = '\"', brace = '{';")
    if f.name == "main":
        out.append("  (void)argv;")
    for ci, callee in enumerate(f.callees):
        r = rng.random()
        if f.name == "main":
            call = "%s(%s + %d, \"main\");" % (callee.name, v, ci)
        else:
            call = "%s(%s + %d, label);" % (callee.name, v, ci)
        if r < 0.15:
            out.append("  for (i = 0; i < MIN(%s, %d); i++) {" % (v, ci + 3))
            out.append("    acc += " + call[:-1] + ";")
            out.append("  }")
        elif r < 0.25:
            out.append("#if FEATURE_LEVEL > %d" % rng.randint(1, 4))
            out.append("  acc += " + call)
            out.append("#else")
            out.append("  acc -= 1;")
            out.append("#endif")
        elif r < 0.32:
            out.append("#ifdef FEATURE_%d_OFF" % (ci % 5))
            out.append("  acc += " + call)
            out.append("#endif")
        elif r < 0.42:
            out.append("  if (%s > %d && acc != '}') {" % (v, ci))
            out.append("    acc += " + call + " /* call it only when positive */")
            out.append("  } else {")
            out.append("    acc = MAX(acc, %d);" % ci)
            out.append("  }")
        elif r < 0.5:
            out.append("  switch (%s & 3) {" % v)
            out.append("  case 0:")
            out.append("    " + call)
            out.append("    break;")
            out.append("  default:")
            out.append("    acc ^= MULTI_LINE_MACRO(acc, %d);" % ci)
            out.append("  }")
        else:
            out.append("  " + call + ("  // step %d" % ci if rng.random() < 0.3 else ""))
    if rng.random() < 0.5:
        lib = LIB_CALLS[rng.randrange(len(LIB_CALLS))].format(v=v)
        out.append("  " + lib)
    if rng.random() < 0.3:
        out.append("  TRACE(\"in %s: \\\"(\\\" ; { } \");" % f.name)
    if rng.random() < 0.2:
        out.append("  CHECK(acc >= 0 || quote == dq || brace == '{');")
    if rng.random() < 0.1:
        out.append("  LOG2(2, \"level two\");")
    out.append("#if 0")
    out.append("  never_called_%d(acc); /* dead code */" % fi)
    out.append("#endif")
    out.append("  return acc + (int)quote + (int)dq + (int)brace;")
    out.append("}")
    out.append("")
    return out


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("outdir")
    ap.add_argument("--lines", type=int, default=100000, help="approximate total lines")
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--funcs-per-file", type=int, default=40)
    ap.add_argument("--calls", type=int, default=4, help="average calls per function")
    ap.add_argument("--files-per-header", type=int, default=8)
    ap.add_argument("--levels", type=int, default=12, help="depth of the call graph")
    args = ap.parse_args()

    rng = random.Random(args.seed)
    files, by_file, funcs = plan(args, rng)
    out = args.outdir
    src = os.path.join(out, "src")
    sysinc = os.path.join(out, "sysinc")
    os.makedirs(src, exist_ok=True)
    os.makedirs(sysinc, exist_ok=True)

    total = 0
    calls = 0

    def emit(path, lines):
        nonlocal total
        text = "\n".join(lines) + "\n"
        with open(path, "w", encoding="ascii", newline="\n") as fh:
            fh.write(text)
        total += len(lines)

    for name, lines in SYS_HEADERS.items():
        emit(os.path.join(sysinc, name), lines)
    emit(os.path.join(sysinc, "stddef.h"),
         ["#ifndef _SYN_STDDEF_H", "#define _SYN_STDDEF_H", "#define NULL ((void *)0)", "#endif"])
    emit(os.path.join(src, "common.h"), write_common(out))

    # Group headers: prototypes of the non-static functions of their files.
    groups = {}
    for fi, fname in enumerate(files):
        groups.setdefault(header_of(fi, args), []).append(fname)
    for hname, members in groups.items():
        guard = "SYN_" + hname.replace(".", "_").upper()
        lines = ["/* %s: interface of %s */" % (hname, ", ".join(members[:3]) + (" ..." if len(members) > 3 else "")),
                 "#ifndef " + guard, "#define " + guard, "", "#include \"common.h\"", ""]
        for fname in members:
            for f in by_file[fname]:
                if not f.static and f.name != "main":
                    lines.append("int %s(int value, const char *label);" % f.name)
        lines += ["", "#endif"]
        emit(os.path.join(src, hname), lines)

    file_index = {fname: fi for fi, fname in enumerate(files)}
    cfiles = []
    for fi, fname in enumerate(files):
        needed = {header_of(fi, args)}
        for f in by_file[fname]:
            for c in f.callees:
                needed.add(header_of(file_index[c.file], args))
        lines = ["/*", " * %s -- generated module %d" % (fname, fi), " */",
                 "#include \"common.h\""]
        for h in sorted(needed):
            lines.append("#include \"%s\"" % h)
        lines += [
            "",
            "#define LOCAL_LIMIT_%d %d" % (fi, 10 + fi % 90),
            "",
            "struct local_state_%d {" % fi,
            "  int count;",
            "  char name[32];",
            "  struct { int x, y; } pos;",
            "};",
            "",
            "static const struct syn_item table_%d[] = {" % fi,
            "  { 1, \"one\", NULL },",
            "  { 2, \"two } { \\\" \", NULL },",
            "  { 3, \"three\", NULL },",
            "};",
            "",
            "enum mode_%d { MODE_A_%d, MODE_B_%d = 'b', MODE_C_%d };" % (fi, fi, fi, fi),
            "",
        ]
        # Forward declarations of the file's own static functions.
        for f in by_file[fname]:
            if f.static:
                lines.append("static int %s(int value, const char *label);" % f.name)
        lines.append("")
        for f in by_file[fname]:
            lines += func_lines(f, rng, fi)
            calls += len(f.callees)
        emit(os.path.join(src, fname), lines)
        cfiles.append("src/" + fname)
    emit(os.path.join(src, "util.c"), write_util())
    cfiles.append("src/util.c")

    # zelta.ini as the front-end writes it: CP932 with CR LF.
    template = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "config", "zelta.ini.in")
    with open(template, encoding="utf-8") as fh:
        ini = (fh.read().rstrip("\n") + "sysinc\n").replace("\n", "\r\n").encode("cp932")
    with open(os.path.join(out, "zelta.ini"), "wb") as fh:
        fh.write(ini)
    with open(os.path.join(out, "files.txt"), "w") as fh:
        fh.write("\n".join(cfiles) + "\n")
    with open(os.path.join(out, "stats.txt"), "w") as fh:
        fh.write("files %d\nlines %d\nfunctions %d\ncalls %d\n" % (len(cfiles), total, len(funcs) + 3, calls))
    sys.stdout.write("%s: %d .c files, %d lines, %d functions, %d calls\n"
                     % (out, len(cfiles), total, len(funcs) + 3, calls))


if __name__ == "__main__":
    main()
