#include "calltree/tree_render.h"

#include <string>

#include "calltree/output_file.h"
#include "calltree/writers/writers.h"
#include "run/run.h"

namespace zelta {

int printdsp(Run& run) {
  TreeBuilder& tb = run.tb;
  std::deque<TreeLine>& lines = tb.lines;
  if (run.opt.flgdebug) run.con.text("---start:printdsp()---\n");
  TextWriter dump;
  if (run.opt.flgmid) OpenOutput(run, dump, "3.txt");

  // A line's ancestors are the nearest lines before it at each shallower
  // level. Walking back line by line to find them is quadratic on deep trees;
  // the most recent line seen at each level is the same answer, so
  // remembering it keeps the pass linear.
  std::vector<long long> lastat;
  auto nearest_before = [&](long long before, int level) -> long long {
    if (level < 0) return -1;
    if (static_cast<size_t>(level) < lastat.size() && lastat[static_cast<size_t>(level)] < before)
      return lastat[static_cast<size_t>(level)];
    for (long long j = before - 1; j >= 0; --j)
      if (lines[static_cast<size_t>(j)].level == level) return j;
    return -1;
  };

  int counter = 1;
  const long long n = static_cast<long long>(lines.size());
  std::string row;
  for (long long i = 0; i < n; ++i) {
    ++counter;
    TreeLine& cur = lines[static_cast<size_t>(i)];
    if (i > 0) {
      TreeLine& p = lines[static_cast<size_t>(i - 1)];
      if (p.level - cur.level > 1) {
        long long at = i;
        for (int t = p.level - 1; t > cur.level; --t) {
          at = nearest_before(at, t);
          if (at < 0) break;
          lines[static_cast<size_t>(at)].hasnext = 0;
        }
      }
      if (p.level == cur.level) p.hasnext = 1;
    }
    if (run.opt.flgmid) {
      row.assign(static_cast<size_t>(cur.level > 0 ? cur.level : 0), '\t');
      SpellLine(run, cur, row);
      dump.raw(row);
      dump.print(" flg:%d\n", cur.hasnext);
    }
    const size_t lv = static_cast<size_t>(cur.level > 0 ? cur.level : 0);
    if (lastat.size() <= lv) lastat.resize(lv + 1, -1);
    lastat[lv] = i;
  }
  if (n > 0) {
    long long at = n - 1;
    for (int t = lines[static_cast<size_t>(n - 1)].level - 1; t > 0; --t) {
      at = nearest_before(at, t);
      if (at < 0) break;
      lines[static_cast<size_t>(at)].hasnext = 0;
    }
  }
  if (run.opt.flgmid) CloseOutput(run, dump, "3.txt");
  return counter;
}

void DrawTree(Run& run, int maxdepth, int count, const CallIndex* index) {
  if (run.opt.flgdebug) run.con.text("---DrawTree:start---\n");
  WriteTree(run, TreeShape{maxdepth, count, index});
}

namespace {

void WriteRecords(TextWriter& out, const Records& recs, size_t from) {
  std::string row;
  for (size_t i = from; i < recs.list.size(); ++i) {
    const FuncRecord& r = recs.list[i];
    row += recs.name_of(r);
    row += '-';
    if (r.groupend) {
      row += '\n';
      out.raw(row);
      row.clear();
    }
  }
  out.raw(row);
}

}  // namespace

void DumpRecords(Run& run) {
  TextWriter out;
  OpenOutput(run, out, "2.txt");
  WriteRecords(out, run.recs, 0);
  CloseOutput(run, out, "2.txt");
}

void RecordDump::update(Run& run) {
  if (!out_.is_open()) {
    OpenOutput(run, out_, "2.txt");
    done_ = 0;
  }
  WriteRecords(out_, run.recs, done_);
  done_ = run.recs.list.size();
  out_.flush();
  if (!out_.good()) CloseOutput(run, out_, "2.txt");
}

void RecordDump::close() { out_.close(); }

}  // namespace zelta
