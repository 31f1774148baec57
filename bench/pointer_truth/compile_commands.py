#!/usr/bin/env python3
"""Writes BUILD/compile_commands.json for the instrumented binutils build.

The build's make log hides most compiles behind automake's silent rules
("CC elf.lo"), so each object's command is asked of make itself: for every
object a folder's dependency files name (.deps/X.Plo: "X.lo: SOURCE ..."),
`make -n V=1 -W SOURCE OBJECT` prints the compile it would run, and runs
nothing. libiberty has no dependency files: its compiles are plain lines of
the log.

  compile_commands.py BUILD SRC
"""
import json
import os
import re
import shlex
import subprocess
import sys

build, src = (os.path.realpath(a) for a in sys.argv[1:3])
entries, seen = [], set()


def add(folder, source, words):
    words = words[words.index("gcc"):]
    key = os.path.normpath(os.path.join(folder, source))
    if key not in seen:
        seen.add(key)
        entries.append({"directory": folder, "file": source, "arguments": words})


for sub in ("bfd", "opcodes", "libsframe", "zlib", "binutils"):
    folder = os.path.join(build, sub)
    deps = os.path.join(folder, ".deps")
    if not os.path.isdir(deps):
        continue
    for name in sorted(os.listdir(deps)):
        first = open(os.path.join(deps, name), errors="replace").readline()
        m = re.match(r"^(\S+):\s+(\S+\.c)\b", first)
        if not m or not os.path.exists(os.path.join(folder, m.group(1))):
            continue
        obj, source = m.groups()
        out = subprocess.run(["make", "-n", "V=1", "-W", source, obj], cwd=folder,
                             capture_output=True, text=True).stdout
        for line in out.splitlines():
            if re.search(r"(^|\s)gcc\s.*\s-c\s", line):
                add(folder, source, shlex.split(line.split(" && ")[0].rstrip("\\ ")))
                break

for line in open(os.path.join(build, "make.log"), errors="replace"):
    m = re.match(r"^(?:libtool: compile: +)?gcc (.*)$", line.rstrip("\n"))
    if not m or " -c " not in line:
        continue
    words = ["gcc"] + shlex.split(m.group(1))
    sources = [w for w in words if w.endswith(".c")]
    if sources and sources[-1].startswith(src + "/"):
        add(os.path.join(build, os.path.relpath(sources[-1], src).split("/")[0]), sources[-1], words)

json.dump(entries, open(os.path.join(build, "compile_commands.json"), "w"), indent=1)
print(f"compile_commands.json: {len(entries)} sources", file=sys.stderr)
