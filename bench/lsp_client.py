#!/usr/bin/env python3
"""Drives zelta-lsp over pipes for bench/lsp.sh and prints one line of figures.

  lsp_client.py SERVER... -- ROOT FILE FUNCTION [--requests N] [--edit] [--seed S] [--index]
  (or SERVER ROOT FILE FUNCTION ... when the server takes no arguments)

Times initialize to the first call-hierarchy answer for FUNCTION in FILE;
then, with --requests, N random functions (from the files' document symbols)
through every position request, and with --edit, an edit of FILE that adds
a caller of FUNCTION until the incoming calls show it. With --index, the time
from initialize to the end of the server's indexing progress (FILE opened, as
an editor would), and the call sites of FUNCTION then. Peak memory is the
server's VmHWM.
"""
import json, os, random, re, subprocess, sys, time

args = sys.argv[1:]
if "--" in args:
    server, args = args[:args.index("--")], args[args.index("--") + 1:]
else:
    server, args = args[:1], args[1:]
root, rel, function = args[:3]
requests = int(args[args.index("--requests") + 1]) if "--requests" in args else 0
seed = int(args[args.index("--seed") + 1]) if "--seed" in args else 1
edit = "--edit" in args
index = "--index" in args

proc = subprocess.Popen(server, stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=open(os.environ.get("LSP_LOG", "/dev/null"), "w"))
next_id = [0]


def send(obj):
    body = json.dumps(obj).encode()
    proc.stdin.write(b"Content-Length: %d\r\n\r\n" % len(body) + body)
    proc.stdin.flush()


def recv():
    length = None
    while True:
        line = proc.stdout.readline()
        if not line:
            raise SystemExit("server ended")
        if line == b"\r\n":
            break
        if line.lower().startswith(b"content-length:"):
            length = int(line.split(b":")[1])
    return json.loads(proc.stdout.read(length))


progress_ended = [False]


def seen(msg):
    """Answers the server's own requests (progress tokens and the like) and notes the end of a progress."""
    if "method" not in msg:
        return
    if "id" in msg:
        send({"jsonrpc": "2.0", "id": msg["id"], "result": None})
    elif msg["method"] == "$/progress" and msg.get("params", {}).get("value", {}).get("kind") == "end":
        progress_ended[0] = True


def request(method, params):
    next_id[0] += 1
    send({"jsonrpc": "2.0", "id": next_id[0], "method": method, "params": params})
    while True:
        msg = recv()
        seen(msg)
        if msg.get("id") == next_id[0] and "method" not in msg:
            if "error" in msg:
                return None
            return msg["result"]


def timed(method, params, into):
    t = time.perf_counter()
    r = request(method, params)
    into.setdefault(method, []).append((time.perf_counter() - t) * 1000)
    return r


def peak_mb():
    with open("/proc/%d/status" % proc.pid) as f:
        for line in f:
            if line.startswith("VmHWM:"):
                return int(line.split()[1]) / 1024
    return 0


def uri(path):
    return "file://" + path


def position_of(path, name):
    with open(path, errors="replace") as f:
        for n, line in enumerate(f):
            m = re.search(r"\b%s\s*\(" % re.escape(name), line)
            if m and not line.startswith((" ", "\t")):
                return n, m.start()
    raise SystemExit("%s not defined in %s" % (name, path))


path = os.path.join(root, rel)
line, col = position_of(path, function)
where = {"textDocument": {"uri": uri(path)}, "position": {"line": line, "character": col}}
t0 = time.perf_counter()
request("initialize", {"rootUri": uri(root), "capabilities": {"window": {"workDoneProgress": index}},
                       "processId": os.getpid()})
send({"jsonrpc": "2.0", "method": "initialized", "params": {}})
if index:
    with open(path, errors="surrogateescape") as f:
        send({"jsonrpc": "2.0", "method": "textDocument/didOpen",
              "params": {"textDocument": {"uri": uri(path), "languageId": "c", "version": 1, "text": f.read()}}})
    while not progress_ended[0] and time.perf_counter() - t0 < 600:
        seen(recv())
    print("index %.3f s" % (time.perf_counter() - t0), end="; ")
items = request("textDocument/prepareCallHierarchy", where)
first_item = items[0]
incoming = request("callHierarchy/incomingCalls", {"item": items[0]})
outgoing = request("callHierarchy/outgoingCalls", {"item": items[0]})
first = time.perf_counter() - t0
sites = sum(len(c.get("fromRanges", [])) for c in incoming or [])
figures = ["first answer %.3f s" % first,
           "%s: %d callers at %d call sites, %d callees" % (function, len(incoming or []), sites, len(outgoing or []))]

if requests:
    times = {}
    files = []
    for dirpath, dirs, names in os.walk(root, followlinks=True):
        dirs.sort()
        files += [os.path.join(dirpath, n) for n in sorted(names) if n.endswith(".c")]
    rng = random.Random(seed)
    rng.shuffle(files)
    picked = []
    for f in files:
        for s in timed("textDocument/documentSymbol", {"textDocument": {"uri": uri(f)}}, times) or []:
            picked.append((f, s))
        if len(picked) >= requests * 4:
            break
    picked = rng.sample(picked, min(requests, len(picked)))
    for f, s in picked:
        at = {"textDocument": {"uri": uri(f)}, "position": s["selectionRange"]["start"]}
        items = timed("textDocument/prepareCallHierarchy", at, times)
        if items:
            timed("callHierarchy/incomingCalls", {"item": items[0]}, times)
            timed("callHierarchy/outgoingCalls", {"item": items[0]}, times)
        timed("textDocument/definition", at, times)
        timed("textDocument/references", dict(at, context={"includeDeclaration": False}), times)
        timed("textDocument/hover", at, times)
        timed("workspace/symbol", {"query": s["name"][:4]}, times)
    every = sorted(t for ts in times.values() for t in ts)
    p95 = lambda ts: sorted(ts)[int(len(ts) * 0.95)]
    figures.append("%d requests over %d functions: p50 %.2f ms, p95 %.2f ms, max %.1f ms"
                   % (len(every), len(picked), every[len(every) // 2], p95(every), every[-1]))
    for m in sorted(times):
        figures.append("  %s: n %d, p95 %.2f ms" % (m, len(times[m]), p95(times[m])))

if edit:
    with open(path, errors="surrogateescape") as f:
        text = f.read()
    send({"jsonrpc": "2.0", "method": "textDocument/didOpen",
          "params": {"textDocument": {"uri": uri(path), "languageId": "c", "version": 1, "text": text}}})
    caller = "zelta_bench_added_caller"
    text += "\nvoid %s(void)\n{\n\t%s();\n}\n" % (caller, function)
    t = time.perf_counter()
    send({"jsonrpc": "2.0", "method": "textDocument/didChange",
          "params": {"textDocument": {"uri": uri(path), "version": 2}, "contentChanges": [{"text": text}]}})
    item = first_item
    while time.perf_counter() - t < 60:
        calls = request("callHierarchy/incomingCalls", {"item": item}) or []
        if any(c["from"]["name"] == caller for c in calls):
            figures.append("edit to an answer that shows it %.3f s" % (time.perf_counter() - t))
            break
        time.sleep(0.01)
    else:
        figures.append("edit: not seen within 60 s")

figures.append("peak %.0f MB" % peak_mb())
request("shutdown", None)
send({"jsonrpc": "2.0", "method": "exit"})
proc.wait()
print("; ".join(figures[:2]))
for f in figures[2:]:
    print(f)
