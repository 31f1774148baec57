#!/usr/bin/env python3
"""Compares the calls a program made at run time with the calls the analyser
reports (bench/pointers.sh).

    truth.py BINARY PAIRS TREE_JSON_P TREE_JSON_PLAIN CFLOW_OUT [TREE_JSON_CP]

PAIRS: "callee site" hex pairs the hook library recorded. Each pair becomes
a (caller, callee) edge by the symbols of BINARY (nm); an edge is reached
directly when one of its call sites is a direct call of the callee (the
five bytes before the site are a call rel32 landing on it), else only
through a pointer. Edges are compared by function names.

TRUTH_MISSES=1 prints every direct edge the first analysis (-c -p when
given, else -p) misses, with its call sites, by class: a caller or callee
the analysis does not define (a source the list lacks, or a definition
the reader does not see), or a call lost between two defined functions.
The precision tables (targets per site, the share seen at run time) are
printed for -c -p when its tree.json is given, and for -p; the missed
pointer-only edges listed are those of the first row.
"""
import os
import bisect
import collections
import json
import struct
import subprocess
import sys


def symbols(binary):
    out = subprocess.run(["nm", "-n", "-S", "--defined-only", binary], capture_output=True, text=True, check=True).stdout
    addrs, names, ends, by_addr = [], [], [], {}
    for line in out.splitlines():
        parts = line.split()
        # GCC's local alias of a global function (NAME.localalias, at the
        # same address) is the same function: the call sites inside it
        # belong to NAME.
        if len(parts) == 4 and parts[2] in "Tt" and not parts[3].endswith(".localalias"):
            a = int(parts[0], 16)
            addrs.append(a)
            ends.append(a + int(parts[1], 16))
            names.append(parts[3])
            by_addr.setdefault(a, parts[3])
    return addrs, names, ends, by_addr


class Elf:
    """Reads bytes at virtual addresses of a non-PIE ELF64 file."""

    def __init__(self, path):
        self.data = open(path, "rb").read()
        d = self.data
        phoff, = struct.unpack_from("<Q", d, 0x20)
        phentsize, phnum = struct.unpack_from("<HH", d, 0x36)
        self.loads = []
        for i in range(phnum):
            p_type, _, p_offset, p_vaddr, _, p_filesz = struct.unpack_from("<IIQQQQ", d, phoff + i * phentsize)
            if p_type == 1:
                self.loads.append((p_vaddr, p_offset, p_filesz))

    def read(self, addr, n):
        for vaddr, off, size in self.loads:
            if vaddr <= addr and addr + n <= vaddr + size:
                return self.data[off + addr - vaddr: off + addr - vaddr + n]
        return b""


def runtime_edges(binary, pairs_path):
    addrs, names, ends, by_addr = symbols(binary)
    elf = Elf(binary)
    edges = collections.defaultdict(lambda: [False, set()])  # (caller, callee) -> [direct, sites]
    for line in open(pairs_path):
        fn, site = (int(x, 16) for x in line.split())
        callee = by_addr.get(fn)
        i = bisect.bisect_right(addrs, site - 1) - 1
        # A call from outside the program's own code (the C library's start
        # calling main) has no caller here.
        if callee is None or i < 0 or site > ends[i]:
            continue
        caller = names[i]
        code = elf.read(site - 5, 5)
        direct = len(code) == 5 and code[0] == 0xE8 and (site + struct.unpack("<i", code[1:])[0]) & 0xFFFFFFFFFFFFFFFF == fn
        e = edges[(caller, callee)]
        e[0] = e[0] or direct
        e[1].add(site)
    return edges


def site_lines(binary, sites):
    """(file base name, line) of each call site (the call instruction)."""
    sites = sorted(sites)
    out = subprocess.run(["addr2line", "-e", binary] + ["%x" % (s - 1) for s in sites],
                         capture_output=True, text=True, check=True).stdout.splitlines()
    res = {}
    for s, loc in zip(sites, out):
        f, _, l = loc.rpartition(":")
        l = l.split()[0] if l else "0"
        res[s] = (f.rsplit("/", 1)[-1], int(l) if l.isdigit() else 0)
    return res


def defined_names(path):
    return {f["name"] for f in json.load(open(path))["functions"]}


def print_misses(binary, rt, analysed, json_path):
    defined = defined_names(json_path)
    missed = sorted(e for e, (d, _) in rt.items() if d and e not in analysed)
    sitelines = site_lines(binary, {s for e in missed for s in rt[e][1]})
    classes = collections.defaultdict(list)
    for caller, callee in missed:
        cls = ("caller not defined in the analysis" if caller not in defined else
               "callee not defined in the analysis" if callee not in defined else "call lost")
        where = " ".join(sorted({"%s:%d" % sitelines[s] for s in rt[(caller, callee)][1]}))
        classes[cls].append("%s->%s (%s)" % (caller, callee, where))
    print("direct edges missed: %d" % len(missed))
    for cls in sorted(classes):
        print("- %s: %d" % (cls, len(classes[cls])))
        for line in classes[cls]:
            print("  - " + line)
    print()


def analyser_edges(path):
    j = json.load(open(path))
    funcs = j["functions"]
    files = [f["path"].rsplit("/", 1)[-1] for f in j["files"]]
    edges, kinds = set(), {}
    sites = collections.defaultdict(list)  # (caller, file, line, how) -> [(callee, kind)]
    for f in funcs:
        for c in f["calls"]:
            if "function" not in c:
                continue
            callee = funcs[c["function"]]["name"]
            edges.add((f["name"], callee))
            if "kind" in c:
                kinds.setdefault((f["name"], callee), c["kind"])
                how = c.get("field") or c.get("variable")
                key = (f["name"], files[c["file"]] if "file" in c else "", c.get("line", 0), how)
                sites[key].append((callee, c["kind"]))
    return edges, kinds, sites, j["run"].get("pointer_calls", {})


def cflow_edges(path):
    edges, stack = set(), []
    for line in open(path, errors="replace"):
        if not line.startswith("{"):
            continue
        level = int(line[1:line.index("}")])
        name = line[line.index("}") + 1:].strip().split("(")[0].strip()
        del stack[level:]
        if level >= 1 and stack:
            edges.add((stack[level - 1], name))
        stack.append(name)
    return edges


def pct(a, b):
    return "%.1f%% (%d of %d)" % (100.0 * a / b, a, b) if b else "-"


def precision(label, sites, counts, seen_at):
    by_kind = collections.defaultdict(list)
    for key, targets in sites.items():
        by_kind[targets[0][1]].append(len(targets))
    reached = collections.Counter()
    hit = collections.Counter()
    for (caller, f, l, how), targets in sites.items():
        if (caller, f, l) not in seen_at:
            continue
        kind = targets[0][1]
        reached[kind] += len(targets)
        hit[kind] += sum(1 for t, _ in targets if t in seen_at[(caller, f, l)])
    print("%s:" % label)
    print()
    print("| kind | resolved sites | targets per site | reached sites' targets seen at run time |")
    print("|---|---:|---:|---:|")
    for kind in ("struct_field", "field", "variable", "parameter"):
        v = by_kind.get(kind, [])
        print("| %s | %d | %s | %s |" % (kind, len(v), "%.2f" % (sum(v) / len(v)) if v else "-",
                                          pct(hit[kind], reached[kind])))
    tot_r, tot_h = sum(reached.values()), sum(hit.values())
    print("| all | %d | %s | %s |" % (len(sites), "%.2f" % (sum(map(len, sites.values())) / len(sites)) if sites else "-",
                                      pct(tot_h, tot_r)))
    print()
    print("pointer call sites: %s; unresolved: %s" % (counts.get("sites", "-"), counts.get("unresolved", "-")))
    print()


def main():
    binary, pairs, json_p, json_plain, cflow_out = sys.argv[1:6]
    json_cp = sys.argv[6] if len(sys.argv) > 6 else None  # -c -p: the build's own configuration
    rt = runtime_edges(binary, pairs)
    all_edges = set(rt)
    ptr_only = {e for e, (direct, _) in rt.items() if not direct}
    direct = all_edges - ptr_only
    a_p, kinds, sites, counts = analyser_edges(json_p)
    a_plain, _, _, _ = analyser_edges(json_plain)
    cf = cflow_edges(cflow_out)
    print("| edges at run time | all | through pointers only | direct |")
    print("|---|---:|---:|---:|")
    print("| count | %d | %d | %d |" % (len(all_edges), len(ptr_only), len(direct)))
    rows = [("conzelta -p", a_p), ("conzelta", a_plain), ("cflow", cf)]
    if json_cp:
        rows.insert(0, ("conzelta -c -p", analyser_edges(json_cp)[0]))
    headline = rows[0]
    for label, a in rows:
        print("| %s | %s | %s | %s |" % (label, pct(len(all_edges & a), len(all_edges)),
                                         pct(len(ptr_only & a), len(ptr_only)), pct(len(direct & a), len(direct))))
    print()
    if os.environ.get("TRUTH_MISSES"):
        print_misses(binary, rt, rows[0][1], json_cp or json_p)
    # Precision: targets per resolved site by kind; at the sites the run
    # reached, the share of reported targets the run saw there.
    sitelines = site_lines(binary, {s for _, ss in rt.values() for s in ss})
    seen_at = collections.defaultdict(set)  # (caller, file, line) -> callees seen
    for (caller, callee), (_, ss) in rt.items():
        for s in ss:
            f, l = sitelines[s]
            seen_at[(caller, f, l)].add(callee)
    runs = [("conzelta -p", sites, counts)]
    if json_cp:
        _, _, cp_sites, cp_counts = analyser_edges(json_cp)
        runs.insert(0, ("conzelta -c -p", cp_sites, cp_counts))
    for label, sites, counts in runs:
        precision(label, sites, counts, seen_at)
    missed = sorted(ptr_only - headline[1])
    if missed:
        print("pointer-only edges %s misses (first 15): " % headline[0] + ", ".join("%s->%s" % e for e in missed[:15]))


if __name__ == "__main__":
    main()
