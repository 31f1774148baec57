#!/usr/bin/env python3
"""Writes a synthetic result of exactly LINES lines in the analyser's formats:
tree.txt (CP932, CR LF, numbered and ruled as conzelta draws it, without -e)
and the matching tree.json. The tree is the full expansion of a generated
acyclic call graph, so every function's sub-tree is the same wherever it is
called, as in a real tree; main's calls are chosen to make the line count
exact. Deterministic for a given seed.

    gen_tree.py LINES OUTDIR [SEED]
"""
import json
import os
import random
import re
import sys


def project_version():
    """The version as the top CMakeLists.txt states it in project()."""
    top = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "CMakeLists.txt")
    with open(top, encoding="utf-8") as fh:
        return re.search(r"project\(\w+ VERSION ([0-9.]+)", fh.read()).group(1)


BAR, BLANK, TEE, ELBOW = (" │".encode("cp932"), " 　".encode("cp932"),
                          " ├".encode("cp932"), " └".encode("cp932"))
WORDS = ("parse read write find get set init free alloc scan emit check load "
         "store walk open close next lookup update print copy merge split").split()


def main():
    lines = int(sys.argv[1])
    out = sys.argv[2]
    rnd = random.Random(int(sys.argv[3]) if len(sys.argv) > 3 else 1)

    nfunc = 4000
    nfiles = 120
    files = ["src/mod%03d.c" % i for i in range(nfiles)]
    names = ["main"] + ["%s_%s_%d" % (rnd.choice(WORDS), rnd.choice(WORDS), i) for i in range(1, nfunc)]
    filef = [0] + [rnd.randrange(nfiles) for _ in range(1, nfunc)]
    linef = [1] + [rnd.randrange(10, 5000) for _ in range(1, nfunc)]
    undefined = ["memcpy", "strlen", "printf", "malloc", "free"]

    # Calls go to later functions only, so the graph is acyclic and each
    # function's sub-tree size is known bottom-up. Later functions are
    # leaves more often, which keeps sizes spread over many magnitudes.
    calls = [[] for _ in range(nfunc)]
    size = [1] * nfunc
    cap = lines * 10
    for i in range(nfunc - 1, 0, -1):
        k = 0 if i > nfunc - 300 else rnd.choice((0, 1, 1, 2, 2, 3, 3, 4, 5))
        for _ in range(k):
            c = rnd.randrange(i + 1, min(nfunc, i + 60)) if i + 1 < nfunc else None
            if c is not None and size[i] + size[c] <= cap:
                calls[i].append(c)
                size[i] += size[c]
    # main: sub-trees of every size until exactly `lines` lines.
    left = lines - 1
    by_size = sorted(range(1, nfunc), key=lambda f: size[f])
    while left > 0:
        fit = [f for f in by_size if size[f] <= left]
        big = [f for f in fit if size[f] * 40 >= left]
        f = rnd.choice(big) if big else fit[-1]
        calls[0].append(f)
        left -= size[f]
    size[0] = 1 + sum(size[c] for c in calls[0])
    assert size[0] == lines

    callers = [set() for _ in range(nfunc)]
    for f in range(nfunc):
        for c in calls[f]:
            callers[c].add(f)
    functions = []
    for f in range(nfunc):
        cl = [{"name": names[c], "file": filef[f], "line": linef[f] + 1 + j, "defined": True, "function": c}
              for j, c in enumerate(calls[f])]
        if f % 7 == 0:
            cl.append({"name": undefined[f % 5], "file": filef[f], "line": linef[f] + 2, "defined": False})
        functions.append({"name": names[f], "file": filef[f], "line": linef[f], "unit": filef[f],
                          "calls": cl, "callers": sorted(callers[f])})
    und = [{"name": u, "callers": [f for f in range(0, nfunc, 7) if f % 5 == i]} for i, u in enumerate(undefined)]
    head = {"format_version": 1, "analyser": {"name": "conzelta", "version": project_version()},
            "run": {"start": "main", "direction": "callees", "all_functions": False,
                    "switches": ["j"], "inputs": list(range(nfiles))},
            "files": [{"path": p} for p in files], "functions": functions, "undefined": und}

    width = len(str(lines + 1))
    deepest = 0
    with open(out + "/tree.txt", "wb") as t, open(out + "/tree.json", "w") as j:
        j.write(json.dumps(head, separators=(",", ":"))[:-1] + ',"tree":[\n')
        rows, entries = [], []
        number = 0

        def emit(depth, prefix, last, f):
            nonlocal number, deepest
            number += 1
            deepest = max(deepest, depth)
            row = str(number).rjust(width).encode() + b" "
            if depth > 0:
                row += prefix + (ELBOW if last else TEE)
            rows.append(row + names[f].encode() + b"\r\n")
            entries.append('%s{"line":%d,"depth":%d,"name":"%s","function":%d,"file":%d}\n'
                           % ("," if number > 1 else "", number, depth, names[f], f, filef[f]))
            if len(rows) >= 65536:
                t.write(b"".join(rows))
                j.write("".join(entries))
                rows.clear()
                entries.clear()

        emit(0, b"", True, 0)
        # Depth first with an explicit stack of (function, next call, the
        # ruling its children's lines begin with, depth). A child's children
        # continue the column of their parent: a bar while the parent has a
        # later sibling, else a blank.
        stack = [(0, 0, b"", 0)]
        while stack:
            f, k, prefix, depth = stack.pop()
            if k >= len(calls[f]):
                continue
            stack.append((f, k + 1, prefix, depth))
            c = calls[f][k]
            last = k == len(calls[f]) - 1
            emit(depth + 1, prefix, last, c)
            if calls[c]:
                stack.append((c, 0, prefix + (BLANK if last else BAR), depth + 1))
        t.write(b"".join(rows))
        j.write("".join(entries))
        j.write("]}\n")
    print("%d lines, %d functions, depth %d" % (number, nfunc, deepest))


if __name__ == "__main__":
    main()
