#!/usr/bin/env python3
"""Direct-call recall and precision against GCC's own call graph.

callgraph_truth.py CI_DIR SOURCES_LIST OUT_DIR
callgraph_truth.py --defined CI_DIR   (the names defined in the program)

CI_DIR holds the .ci files of a -fcallgraph-info build (one per unit);
every unit's graph is merged by function name. A pair (caller, callee)
counts when both are defined in the program (a node without the ellipse
shape in some unit). Each tool's pairs are read from OUT_DIR:
  zelta-*.json  tree.json of a conzelta -j run
  cflow.txt     cflow --format=posix --all --all output (each subtree once)
  cscope.txt    lines "caller callee" from cscope -L -2 queries
"""
import glob, json, os, re, sys

NODE = re.compile(r'node: \{ title: "([^"]*)" label: "([^"\\]*)(?:\\n[^"]*)?"(.*)\}')
EDGE = re.compile(r'edge: \{ sourcename: "([^"]*)" targetname: "([^"]*)"')


def truth(ci_dir):
    defined, pairs = set(), set()
    for ci in sorted(glob.glob(os.path.join(ci_dir, "*.ci"))):
        if os.path.basename(ci).startswith("a-conftest"):
            continue
        names = {}
        edges = []
        with open(ci, errors="replace") as f:
            for line in f:
                m = NODE.match(line)
                if m:
                    names[m.group(1)] = m.group(2)
                    if "ellipse" not in m.group(3):
                        defined.add(m.group(2))
                    continue
                m = EDGE.match(line)
                if m:
                    edges.append((m.group(1), m.group(2)))
        for a, b in edges:
            pairs.add((names.get(a, a), names.get(b, b)))
    return defined, {p for p in pairs if p[0] in defined and p[1] in defined}


def zelta_pairs(path):
    d = json.load(open(path))
    out = set()
    for f in d["functions"]:
        for c in f.get("calls", []):
            if "kind" not in c:  # a target reached through a pointer is not a direct call
                out.add((f["name"], c["name"]))
    return out


def cflow_pairs(path):
    out, stack = set(), []
    for line in open(path, errors="replace"):
        m = re.match(r"\s*\d+\s(\s*)(\w+)", line)
        if not m:
            continue
        depth = len(m.group(1)) // 4
        del stack[depth:]
        if depth > 0 and stack:
            out.add((stack[-1], m.group(2)))
        stack.append(m.group(2))
    return out


def cscope_pairs(path):
    out = set()
    for line in open(path, errors="replace"):
        w = line.split()
        if len(w) == 2:
            out.add((w[0], w[1]))
    return out


def main():
    if sys.argv[1] == "--defined":
        print("\n".join(sorted(truth(sys.argv[2])[0])))
        return
    ci_dir, out_dir = sys.argv[1], sys.argv[3]
    defined, t = truth(ci_dir)
    print(f"truth: {len(t)} distinct direct-call pairs between {len(defined)} defined functions")
    print("| tool | pairs | recall | precision |")
    print("|---|---:|---:|---:|")
    tools = [(os.path.basename(p)[6:-5], zelta_pairs, p) for p in sorted(glob.glob(os.path.join(out_dir, "zelta-*.json")))]
    tools += [("cflow", cflow_pairs, os.path.join(out_dir, "cflow.txt")), ("cscope", cscope_pairs, os.path.join(out_dir, "cscope.txt"))]
    for name, read, path in tools:
        if not os.path.exists(path):
            continue
        p = {x for x in read(path) if x[0] in defined and x[1] in defined}
        hit = len(p & t)
        print(f"| {name} | {len(p)} | {100.0 * hit / max(len(t), 1):.1f}% | {100.0 * hit / max(len(p), 1):.1f}% |")
        with open(os.path.join(out_dir, f"misses-{name}.txt"), "w") as f:
            for a, b in sorted(t - p):
                f.write(f"missed {a} -> {b}\n")
            for a, b in sorted(p - t):
                f.write(f"extra {a} -> {b}\n")


main()
