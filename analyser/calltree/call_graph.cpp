#include "calltree/call_graph.h"

#include <cstdio>

#include "calltree/call_index.h"
#include "calltree/resolution.h"
#include "run/run.h"

namespace zelta {

namespace {

// The tree grows one line per displayed call and, without -e, expands every
// call occurrence in full; on real code that can mean billions of lines.
// Stopping at the limit keeps time, memory and the file bounded.
[[noreturn]] void TooManyLines(Run& run) {
  run.con.print("エラー : 解析結果が%lld行を超えました。-eオプションで省略して表示してください\n", run.tb.maxlines);
  run.errlog.print("エラー : 解析結果が%lld行を超えました。-eオプションで省略して表示してください\n", run.tb.maxlines);
  EndRun(0);
}

// Starts a new line (the first line of the run reuses the empty one); Done
// gives it its number.
TreeLine& NewLine(Run& run, int level, int hasnext, LineKind kind, int rec) {
  TreeBuilder& tb = run.tb;
  TreeLine* l;
  if (!tb.started) {
    tb.started = true;
    l = &tb.lines.front();
  } else {
    l = &tb.lines.emplace_back();
  }
  // The tree stops when it reaches the limit: a tree of exactly that many
  // lines is refused too.
  if (static_cast<long long>(tb.lines.size()) >= tb.maxlines) TooManyLines(run);
  l->level = level;
  l->hasnext = hasnext ? 1 : 0;
  l->hastext = 1;
  l->kind = kind;
  l->rec = rec;
  l->aux = 0;
  l->pointer = 0;
  return *l;
}

void Done(Run& run) { run.tb.nextline++; }

// The marker under a line whose function `def` is being expanded higher
// up the path, on line `target`.
void AddLoopLine(Run& run, int level, int def, int target) {
  TreeLine& l = NewLine(run, level, 0, LineKind::kLoop, def);
  l.aux = target;
  Done(run);
}

// The walk's entries: the record list itself for the callees tree, the
// reversed list for the callers tree.
FuncRecord& Edge(TreeBuilder& tb, int at) {
  if (tb.pointers && at >= tb.pointers->base) return tb.pointers->edges[static_cast<size_t>(at - tb.pointers->base)];
  return (*tb.edges)[static_cast<size_t>(at)];
}
// The number of entries the walk may reach.
size_t EdgeCount(const TreeBuilder& tb) { return tb.pointers ? tb.pointers->entries() : tb.edges->size(); }
// Where the walk of a definition's edges starts.
int Head(const TreeBuilder& tb, int def) { return tb.defhead ? (*tb.defhead)[static_cast<size_t>(def)] : def; }
// The record an entry stands for, in Records::list.
int RecordOf(const TreeBuilder& tb, int at) {
  if (tb.pointers) return tb.pointers->record_of(at);
  return tb.edgedef ? (*tb.edgedef)[static_cast<size_t>(at)] : at;
}

void Grow(TreeBuilder& tb, int depth) {
  const size_t need = static_cast<size_t>(depth) + 3;
  if (tb.levelfunc.size() < need) {
    tb.levelfunc.resize(need, kNoRecord);
    tb.levelcursor.resize(need, kNoRecord);
    tb.position.resize(need, kNoRecord);
  }
}

void SetLastline(Run& run, int depth, int value) {
  const int f = run.tb.levelfunc[static_cast<size_t>(depth)];
  if (f >= 0) run.recs.list[static_cast<size_t>(f)].lastline = value;
}

// `def`: the definition being expanded (-1: an undefined start); `line`:
// the line on which it is being expanded.
void PathPush(TreeBuilder& tb, int nameid, int def, int line) {
  tb.pathnames.push_back(nameid);
  tb.pathdefs.push_back(def);
  tb.pathlines.push_back(line);
  if (nameid >= 0) tb.onpath[static_cast<size_t>(nameid)]++;
}

void PathPop(TreeBuilder& tb) {
  const int id = tb.pathnames.back();
  if (id >= 0) tb.onpath[static_cast<size_t>(id)]--;
  tb.pathnames.pop_back();
  tb.pathdefs.pop_back();
  tb.pathlines.pop_back();
}

// The line on which definition `def` (named `nameid`) is being expanded
// higher up the path, or 0 when it is not on the path. Same-named functions
// of other files are other functions; the count per name keeps the scan to
// the rare paths that hold the name at all.
int PathLineOf(const TreeBuilder& tb, int nameid, int def) {
  if (tb.onpath[static_cast<size_t>(nameid)] == 0) return 0;
  for (size_t i = tb.pathdefs.size(); i-- > 0;)
    if (tb.pathnames[i] == nameid && tb.pathdefs[i] == def) return tb.pathlines[i];
  return 0;
}

// The last added line closes its group.
void CloseLastLine(TreeBuilder& tb) { tb.lines.back().hasnext = 0; }

// Depth-first expansion of one start definition with an explicit stack.
void Expand(Run& run, std::string_view startname, int start) {
  TreeBuilder& tb = run.tb;
  Records& recs = run.recs;
  while (!tb.pathnames.empty()) PathPop(tb);
  tb.onpath.resize(recs.names.size(), 0);
  PathPush(tb, recs.name_id(startname), tb.levelfunc[0], tb.nextline - 1);
  tb.treedepth = 0;
  Grow(tb, 0);
  tb.position[0] = start;
  for (;;) {
    const int d = tb.treedepth;
    // A name that an earlier descent stored at this depth leaves the path.
    while (static_cast<int>(tb.pathnames.size()) > d + 1) PathPop(tb);
    const int c = NextCallee(run, tb.position[static_cast<size_t>(d)], d);
    tb.levelcursor[static_cast<size_t>(d)] = c;
    bool exhausted = (c == kNoRecord);
    if (!exhausted) {
      FuncRecord& crec = Edge(tb, c);
      const int r = AddTreeLine(run, run.recs.name_of(crec), d + 1, c);
      tb.position[static_cast<size_t>(d)] = c;
      if (r == kNoRecord) continue;
      if (tb.gave_record) {
        if (!crec.groupend) {
          // The rest of a stretch of undefined calls would change nothing.
          if (!tb.quietrun.empty() && tb.quietrun[static_cast<size_t>(c)] > c)
            tb.position[static_cast<size_t>(d)] = tb.quietrun[static_cast<size_t>(c)];
          continue;
        }
        SetLastline(run, d, tb.nextline - 1);
        exhausted = true;
      } else {
        const int def = tb.levelfunc[static_cast<size_t>(d + 1)];
        if (d >= 1) {
          if (const int at = PathLineOf(tb, crec.nameid, def); at > 0) {
            AddLoopLine(run, d + 2, def, at);
            continue;
          }
        }
        PathPush(tb, crec.nameid, def, tb.nextline - 1);
        tb.treedepth = d + 1;
        Grow(tb, d + 1);
        if (d + 1 > tb.maxdepth) tb.maxdepth = d + 1;
        tb.position[static_cast<size_t>(d + 1)] = r;
        continue;
      }
    }
    // The group at this depth is exhausted.
    CloseLastLine(tb);
    if (d == 0) break;
    tb.treedepth = d - 1;
  }
  tb.treedepth = -1;
}

// Undefined calls that are not the last of their group: AddTreeLine only
// marks them (marks they already carry) and NextCallee presets nothing for
// them. A call of main is left out, as it resolves by file.
void FindQuietRuns(Run& run) {
  TreeBuilder& tb = run.tb;
  const Records& recs = run.recs;
  const size_t n = EdgeCount(tb);
  tb.quietrun.assign(n, -1);
  for (size_t i = n; i-- > 0;) {
    const FuncRecord& r = Edge(tb, static_cast<int>(i));
    if (r.isdef || r.groupend || r.stdfunc != 1 || recs.def_of(r.nameid) >= 0 || recs.name_of(r) == "main") continue;
    const bool next_quiet = i + 1 < n && tb.quietrun[i + 1] >= 0;
    tb.quietrun[i] = next_quiet ? tb.quietrun[i + 1] : static_cast<int>(i);
  }
}

// Places one start line and expands it when it has calls.
void StartTree(Run& run, std::string_view startname, int def) {
  const int r = AddTreeLine(run, startname, -1, Head(run.tb, def));
  if (r >= 0) Expand(run, startname, r);
}

}  // namespace

int NextCallee(Run& run, int record, int depth) {
  TreeBuilder& tb = run.tb;
  tb.callee.clear();
  const size_t c = static_cast<size_t>(record) + 1;
  if (Edge(tb, record).groupend || c >= EdgeCount(tb)) {
    SetLastline(run, depth, tb.nextline - 1);
    return kNoRecord;
  }
  const FuncRecord& crec = Edge(tb, static_cast<int>(c));
  if (crec.groupend && run.opt.flgomit)
    SetLastline(run, depth, (crec.stdfunc == 1 && !run.opt.flgall) ? tb.nextline - 1 : tb.nextline);
  tb.callee = run.recs.name_of(crec);
  return static_cast<int>(c);
}

int AddTreeLine(Run& run, std::string_view name, int level, int record) {
  TreeBuilder& tb = run.tb;
  Records& recs = run.recs;
  const Options& o = run.opt;
  FuncRecord& rec = Edge(tb, record);
  tb.gave_record = false;

  int f = -1;
  bool resolved = false;
  if (!tb.started) {
    f = StartDefinition(recs, tb.startword.empty() ? name : tb.startword);
    if (f >= 0) resolved = true;
    else if (o.flgfunc) return kStartNotFound;
  }
  if (!resolved && level >= 0 && (tb.pointers ? rec.pointer != 0 : tb.edgedef != nullptr)) {
    // A caller (or a pointer's target) is the definition it stands for.
    f = RecordOf(tb, record);
  } else if (!resolved) {
    if (name == "main" && recs.name_of(rec) != "main") {
      // The first start line when no main is defined: the first definition
      // of the record's name in the record's file stands in.
      f = -1;
      for (int d : recs.defs) {
        const FuncRecord& dr = recs.list[static_cast<size_t>(d)];
        if (dr.nameid == rec.nameid && dr.file == rec.file) {
          f = d;
          break;
        }
      }
    } else {
      f = ResolveCall(recs, rec);
    }
  }

  if (f < 0) {
    // A function the sources do not define.
    rec.stdfunc = 1;
    rec.shown = 1;
    if (o.flgall) {
      NewLine(run, level < 0 ? 0 : level, 1, LineKind::kStdfunc, RecordOf(tb, record));
      Done(run);
    }
    tb.gave_record = true;
    return record;
  }

  FuncRecord& fr = recs.list[static_cast<size_t>(f)];
  const LineKind kind = rec.recursive == 1 ? LineKind::kRecursive : LineKind::kFunction;
  TreeLine& l = NewLine(run, level < 0 ? 0 : level, 1, kind, f);
  l.pointer = rec.pointer != 0 && level >= 0 ? 1 : 0;
  fr.stdfunc = 0;
  Grow(tb, tb.treedepth + 1);
  tb.levelfunc[static_cast<size_t>(tb.treedepth + 1)] = f;
  if (!fr.shown) fr.firstline = tb.nextline;
  if (o.flgomit && fr.shown && rec.recursive != 1) {
    if (fr.lastline == 0) {
      // Being expanded higher up the path: indirect recursion.
      Done(run);
      AddLoopLine(run, level + 1, f, fr.firstline);
      return kNoRecord;
    }
    // firstline stays as it is once shown; lastline may still move, so the
    // line keeps the value it shows.
    l.kind = LineKind::kReference;
    l.aux = fr.lastline;
    Done(run);
    return kNoRecord;
  }
  Done(run);
  fr.shown = 1;
  if (Edge(tb, Head(tb, f)).groupend == 1) {
    // No calls (no callers, in the callers tree): nothing to expand.
    fr.lastline = tb.nextline - 1;
    return kNoRecord;
  }
  if (rec.recursive == 1) {
    tb.gave_record = true;
    return record;
  }
  return Head(tb, f);
}

int BuildTree(Run& run, int capacity, const std::string& startname, CallIndex* callers) {
  TreeBuilder& tb = run.tb;
  Records& recs = run.recs;
  const Options& o = run.opt;
  tb.lines.clear();
  tb.lines.emplace_back();  // the empty first line, level 0
  tb.started = false;
  tb.nextline = 1;
  tb.treedepth = -1;
  tb.maxdepth = 0;
  tb.maxlines = run.cfg.max_lines;
  // -p: the callees walk the list that holds the pointer targets as well.
  const bool pointers = !callers && run.ptr.joined;
  tb.edges = callers ? &callers->reversed : &recs.list;
  tb.edgedef = callers ? &callers->reversed_def : nullptr;
  tb.defhead = callers ? &callers->head : pointers ? &run.ptr.head : nullptr;
  tb.pointers = pointers ? &run.ptr : nullptr;
  Grow(tb, capacity > 0 ? capacity - 1 : 0);
  tb.quietrun.clear();
  // The callers tree holds no undefined functions (they call nothing).
  if (!o.flgall && !callers) FindQuietRuns(run);

  const int first = recs.defs.empty() ? 0 : recs.defs.front();
  if (o.flgfunc || !o.flgfuncall) {
    if (!o.flgfunc && recs.maincount >= 2) {
      run.con.print("エラー : main関数が%dつあります", recs.maincount);
      run.errlog.print("エラー : main関数が%dつあります", recs.maincount);
      EndRun(0);
    }
    // -f FILE:NAME names a definition; only a plain name may be an
    // undefined function.
    const std::string_view name = StartName(startname);
    tb.startword = startname;
    const int r = AddTreeLine(run, name, -1, Head(tb, first));
    if (r == kStartNotFound) {
      // A function the sources call but do not define still has callers.
      const int u = callers && name.size() == startname.size() ? callers->undefined_of(recs.name_id(name)) : -1;
      if (u < 0) {
        run.con.print("エラー : %sの関数がありせん\n", startname.c_str());
        run.errlog.text("エラー : 指定の関数名がありません\n");
        run.errlog.print("エラー : %sという関数名がありせん\n", startname.c_str());
        run.con.text("zeltaを終了します\n");
        EndRun(0);
      }
      NewLine(run, 0, 1, LineKind::kUndefinedStart, callers->first_call(u));
      Done(run);
      tb.levelfunc[0] = kNoRecord;
      Expand(run, name, callers->undefined_head(u));
    } else if (r >= 0) {
      // A start function without calls is a tree of its one line.
      Expand(run, name, r);
    }
  } else {
    // Every function as the start of its own tree, main (or the first
    // definition standing in for it) first.
    tb.startword.clear();
    const int r = AddTreeLine(run, "main", -1, Head(tb, first));
    const int firsttree = tb.levelfunc[0];
    if (r >= 0) Expand(run, "main", r);
    for (size_t i = 0; i < recs.defs.size(); ++i) {
      const int d = recs.defs[i];
      const FuncRecord& dr = recs.list[static_cast<size_t>(d)];
      if (d == firsttree) continue;
      if (recs.name_of(dr) == "main" && dr.shown) continue;
      StartTree(run, recs.name_of(dr), d);
    }
  }

  if (o.flgdebug) {
    run.con.text("start->");
    run.con.text("->end\n");
  }
  return tb.maxdepth;
}

}  // namespace zelta
