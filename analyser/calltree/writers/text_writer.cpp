// tree.txt: the numbered, ruled tree in code page 932.
#include <algorithm>
#include <charconv>

#include "calltree/output_file.h"
#include "calltree/writers/tree_writer.h"
#include "platform/text_codec.h"
#include "run/run.h"

namespace zelta {

void SpellLine(const Run& run, const TreeLine& l, std::string& out) {
  if (!l.hastext) return;
  if (l.kind == LineKind::kLoop) {
    out += "LOOP LOOP LOOP";
    return;
  }
  const Records& recs = run.recs;
  const FuncRecord& r = recs.list[static_cast<size_t>(l.rec)];
  out += recs.name_of(r);
  if (l.pointer) out += ":Pointer";
  switch (l.kind) {
    case LineKind::kRecursive: out += ":RecurrciveCall"; break;
    case LineKind::kReference: {
      // "=%d-%d", without printf's cost on every line of a big tree.
      char first[16], last[16];
      const char* first_end = std::to_chars(first, first + sizeof first, r.firstline).ptr;
      const char* last_end = std::to_chars(last, last + sizeof last, l.aux).ptr;
      out += '=';
      out.append(first, static_cast<size_t>(first_end - first));
      out += '-';
      out.append(last, static_cast<size_t>(last_end - last));
      break;
    }
    case LineKind::kStdfunc:
    case LineKind::kUndefinedStart: out += ":Stdfunc"; break;
    default: break;
  }
  // -v: the defining file, or for an undefined function the calling file; an
  // undefined start function has neither.
  if (run.opt.flgfilename && l.kind != LineKind::kUndefinedStart) {
    out += " [";
    out += recs.files_cp932[static_cast<size_t>(r.file)];
    out += "]";
  }
}

namespace {

int Digits(long long n) {
  int d = 1;
  while (n >= 10) {
    n /= 10;
    ++d;
  }
  return d;
}

class TextTreeWriter final : public TreeWriter {
 public:
  TextTreeWriter(Run& run, const char* file) : run_(run), file_(file) {}

  void begin(const TreeShape& shape) override {
    width_ = Digits(shape.count);
    OpenOutput(run_, out_, file_);
    column_.assign(static_cast<size_t>(shape.maxdepth > 0 ? shape.maxdepth : 0) + 10, 1);
    bars_valid_ = 0;
    const auto& lines = run_.tb.lines;
    if (lines.empty() || !lines.front().hastext) ErrorExit(run_, ErrorCode::kNoFunctionDefined);
    bar_ = utf8_to_cp932(" │");
    blank_ = utf8_to_cp932(" 　");
    tee_ = utf8_to_cp932(" ├");
    elbow_ = utf8_to_cp932(" └");
  }

  void node(const TreeLine& l, long long number) override {
    row_.assign(static_cast<size_t>(width_ > Digits(number) ? width_ - Digits(number) : 0), ' ');
    char num[24];
    row_.append(num, static_cast<size_t>(std::to_chars(num, num + sizeof num, number).ptr - num));
    row_ += ' ';
    const int d = l.level;
    if (d >= 1) {
      if (column_.size() <= static_cast<size_t>(d)) column_.resize(static_cast<size_t>(d) + 10, 1);
      // The bars of the levels above, kept from the line before: lines come
      // in the tree's order, so mostly only the last level's bar changes.
      while (bars_valid_ < d - 1) {
        const int k = ++bars_valid_;
        bars_.resize(bars_end_[static_cast<size_t>(k - 1)]);
        bars_ += column_[static_cast<size_t>(k)] ? bar_ : blank_;
        if (bars_end_.size() <= static_cast<size_t>(k)) bars_end_.resize(static_cast<size_t>(k) + 10);
        bars_end_[static_cast<size_t>(k)] = bars_.size();
      }
      row_.append(bars_, 0, bars_end_[static_cast<size_t>(d - 1)]);
      row_ += l.hasnext ? tee_ : elbow_;
      column_[static_cast<size_t>(d)] = l.hasnext ? 1 : 0;
      bars_valid_ = std::min(bars_valid_, d - 1);
    }
    SpellLine(run_, l, row_);
    row_ += '\n';
    out_.raw(row_);
  }

  void end() override { CloseOutput(run_, out_, file_); }

 private:
  Run& run_;
  const char* file_;
  TextWriter out_;
  int width_ = 1;
  std::vector<char> column_;
  std::string bar_, blank_, tee_, elbow_, row_;
  // The bars of levels 1 to bars_valid_, level k's ending at bars_end_[k].
  std::string bars_;
  std::vector<size_t> bars_end_ = std::vector<size_t>(10, 0);
  int bars_valid_ = 0;
};

}  // namespace

std::unique_ptr<TreeWriter> MakeTextWriter(Run& run, const char* file) {
  return std::make_unique<TextTreeWriter>(run, file);
}

}  // namespace zelta
