#include "calltree/tree_render.h"

#include <string>

#include "run/run.h"
#include "platform/text_codec.h"

namespace zelta {

namespace {

// An output file that cannot be written ends the run like every other error:
// the message on the console and in the log, the key wait, status 0.
[[noreturn]] void OutputFileError(Run& run, const char* name, bool created) {
  const char* fmt = created ? "エラー : %sに書き込めません\n" : "エラー : %sを作成できません\n";
  run.con.print(fmt, name);
  run.errlog.print(fmt, name);
  KeyWait(run);
  EndRun(0);
}

void OpenOutput(Run& run, TextWriter& w, const char* name) {
  if (!w.open(name)) OutputFileError(run, name, false);
}

// Flushes and closes; a failed write removes the incomplete file.
void CloseOutput(Run& run, TextWriter& w, const char* name) {
  w.flush();
  const bool ok = w.good();
  w.close();
  if (!ok) {
    remove_file(name);
    OutputFileError(run, name, true);
  }
}

int Digits(long long n) {
  int d = 1;
  while (n >= 10) {
    n /= 10;
    ++d;
  }
  return d;
}

}  // namespace

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
      row += tb.text(cur);
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

void DrawTree(Run& run, int maxdepth, int count) {
  TreeBuilder& tb = run.tb;
  const int width = Digits(count);
  if (run.opt.flgdebug) run.con.text("---DrawTree:start---\n");
  TextWriter out;
  OpenOutput(run, out, "tree.txt");
  std::vector<char> column(static_cast<size_t>(maxdepth > 0 ? maxdepth : 0) + 10, 1);
  if (tb.lines.empty() || !tb.lines.front().hastext) ErrorExit(run, -3);

  const std::string bar = utf8_to_cp932(" │");
  const std::string blank = utf8_to_cp932(" 　");
  const std::string tee = utf8_to_cp932(" ├");
  const std::string elbow = utf8_to_cp932(" └");
  std::string row;
  char num[32];
  long long number = 0;
  for (const TreeLine& l : tb.lines) {
    ++number;
    row.assign(static_cast<size_t>(width > Digits(number) ? width - Digits(number) : 0), ' ');
    row.append(num, static_cast<size_t>(std::snprintf(num, sizeof num, "%lld ", number)));
    const int d = l.level;
    if (d >= 1) {
      if (column.size() <= static_cast<size_t>(d)) column.resize(static_cast<size_t>(d) + 10, 1);
      for (int k = 1; k < d; ++k) row += column[static_cast<size_t>(k)] ? bar : blank;
      row += l.hasnext ? tee : elbow;
      column[static_cast<size_t>(d)] = l.hasnext ? 1 : 0;
    }
    row += tb.text(l);
    row += '\n';
    out.raw(row);
  }
  CloseOutput(run, out, "tree.txt");
}

namespace {

void WriteRecords(TextWriter& out, const Records& recs, size_t from) {
  std::string row;
  for (size_t i = from; i < recs.list.size(); ++i) {
    const FuncRecord& r = recs.list[i];
    row += r.name;
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
