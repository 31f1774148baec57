#include "prepare/macro_expansion.h"

#include <algorithm>
#include <array>

#include "prepare/readers.h"
#include "run/run.h"

namespace zelta {

namespace {

// Expanded text beyond this size is left unexpanded: the expansions of a
// few nested macros can grow a line exponentially.
constexpr size_t kMaxLine = size_t{1} << 20;
// Nesting of expansions (rescans and arguments) beyond this is not followed.
constexpr int kMaxDepth = 200;

struct DelimTable {
  std::array<bool, 256> d{};
  DelimTable() {
    for (const char* p = " ,\t\n*+&|!$;-/%~[]<>=()"; *p; ++p) d[static_cast<unsigned char>(*p)] = true;
  }
};
const DelimTable kDelims;
inline bool is_delim(char c) { return kDelims.d[static_cast<unsigned char>(c)]; }

// Marks a name that a macro's own expansion brought back (directly or
// through the macros it expands): such a name is never expanded again on
// this line. The marks are taken out once the line is done.
constexpr char kPaint = '\x01';

// Scratch buffers, one set per nesting depth, reused from line to line.
struct Pools {
  std::array<std::string, kMaxDepth + 2> out, copy;
  std::array<std::vector<std::string>, kMaxDepth + 2> args;
  std::array<std::vector<std::pair<size_t, size_t>>, kMaxDepth + 2> regions;
};

class Expander {
 public:
  Expander(Run& run, LineSource* more) : run_(run), mt_(run.pp.macrotab), more_(more) {}

  // Expands every macro named by a piece of `text` (split at the delimiter
  // set). `count` applies the brace rule of body lines after each expansion.
  // Spans of a text, as [from, to) offsets.
  using Regions = std::vector<std::pair<size_t, size_t>>;
  // With `regions`, only pieces that overlap one of them are looked at: the
  // rescan of an expansion looks at what the expansion brought, not at the
  // rest of the line (which the caller deals with).
  void expand_all(std::string& text, bool allow_more, bool count, const Regions* regions = nullptr);
  bool expandmacro(const MacroRec& r, std::string& line, bool allow_more);

  int braces = 0;  // "{" tokens of the line, including further lines read
  bool painted = false;
  // The net of "{" less "}" in the source text of the line and of the
  // further lines read, kept only while earlier expansions of the body have
  // "{" open: only then may this line's expansions close some.
  bool track_net = false;
  int source_net = 0;

  // After the line's expansions: the "{" they left open are remembered, and
  // the "}" they brought beyond the source's own close what earlier ones
  // opened.
  void settle_braces(const std::string& line);

  // Takes the marks out again.
  void unpaint(std::string& line) const {
    if (painted) std::erase(line, kPaint);
  }

 private:
  bool blocked(const MacroRec* r) const {
    for (const MacroRec* a : active_)
      if (a == r) return true;
    return false;
  }
  bool paints(std::string_view name, const MacroRec& r) const {
    if (name == r.macroname) return true;
    for (const MacroRec* a : active_)
      if (name == a->macroname) return true;
    return false;
  }
  void append_body(const MacroRec& r, const std::vector<std::string>* args, std::string& out);
  bool collect_args(const MacroRec& r, std::string& line, size_t& i, bool allow_more, std::vector<std::string>& args);
  void count_braces(const std::string& line);

  Run& run_;
  MacroTable& mt_;
  LineSource* more_;
  int depth_ = 0;
  bool further_ = false;                 // collect_args read a further line
  bool full_ = false;                    // the line reached kMaxLine: nothing more is expanded
  int applied_ = 0;                      // surplus of "{" already added to bracedepth for this line
  std::vector<const MacroRec*> active_;  // macros whose own expansion is being rescanned
  static thread_local Pools pools_;
};

thread_local Pools Expander::pools_;

void Expander::expand_all(std::string& text, bool allow_more, bool count, const Regions* regions) {
  if (mt_.empty() || depth_ >= kMaxDepth || full_) return;
  // Pieces are taken from the text as it stood on entry; the copy is made
  // only once the first macro is found.
  const std::string* src = &text;
  std::string& copy = pools_.copy[static_cast<size_t>(depth_)];
  const MacroRec* done_small[8];
  std::vector<const MacroRec*> done_more;
  size_t ndone = 0;
  const std::pair<size_t, size_t> whole(0, text.size());
  const std::pair<size_t, size_t>* first = regions ? regions->data() : &whole;
  const std::pair<size_t, size_t>* last = regions ? first + regions->size() : &whole + 1;
  for (const auto* region = first; region != last; ++region) {
    const auto [from, to] = *region;
    size_t i = std::min(from, src->size());
    while (i > 0 && !is_delim((*src)[i - 1])) --i;  // the whole piece
    while (i < to) {
      const char* base = src->data();
      const size_t n = src->size();
      while (i < n && is_delim(base[i])) ++i;
      if (i >= to || i >= n) break;
      size_t start = i;
      while (i < n && !is_delim(base[i])) ++i;
      std::string_view piece(base + start, i - start);
      const MacroRec* r = mt_.find_for_expansion(piece);
      if (!r || blocked(r)) continue;
      bool seen = false;
      for (size_t k = 0; k < ndone && !seen; ++k) seen = (k < 8 ? done_small[k] : done_more[k - 8]) == r;
      if (seen) continue;
      if (ndone < 8)
        done_small[ndone] = r;
      else
        done_more.push_back(r);
      ++ndone;
      if (src == &text) {
        copy = text;
        src = &copy;
      }
      expandmacro(*r, text, allow_more);
      if (count) count_braces(text);
    }
  }
}

// "{" less "}" in a line; escapes, character literals and string literals
// are passed over.
int net_braces(const std::string& line) {
  int total = 0;
  size_t n = line.size();
  for (size_t i = 0; i < n;) {
    char c = line[i];
    if (c == '\\') {
      i += 2;
    } else if (c == '\'') {
      i += 3;
    } else if (c == '"') {
      ++i;
      while (i < n && line[i] != '"') i += line[i] == '\\' ? 2 : 1;
      ++i;
    } else {
      if (c == '{')
        ++total;
      else if (c == '}')
        --total;
      ++i;
    }
  }
  return total;
}

// The brace rule of body lines: every "{" adds one and every "}" takes one
// off a total for the whole line; a total above the reader's own count raises
// bracedepth. Several expansions on one line raise it by the largest surplus.
void Expander::count_braces(const std::string& line) {
  int surplus = net_braces(line) - braces;
  if (surplus > applied_) {
    run_.rd.bracedepth += surplus - applied_;
    applied_ = surplus;
  }
}

void Expander::settle_braces(const std::string& line) {
  ReaderState& rd = run_.rd;
  if (track_net) {
    const int closed = std::min(source_net - net_braces(line), rd.macrobraces);
    if (closed > 0) {
      rd.bracedepth -= closed;
      rd.macrobraces -= closed;
    }
  }
  rd.macrobraces += applied_;
}

// Collects the arguments of a call whose "(" ends just before `i`. Only a
// comma at the call's own parenthesis level separates arguments. Returns
// false when the list does not close (and no further line may be read).
bool Expander::collect_args(const MacroRec& r, std::string& line, size_t& i, bool allow_more,
                            std::vector<std::string>& args) {
  args.clear();
  args.emplace_back();
  int depth = 0;
  for (;;) {
    if (i >= line.size() || (line[i] == '\n' && i + 1 == line.size())) {
      if (!allow_more || !more_) return false;
      if (!more_->next_line(line, braces)) {
        run_.con.print("エラーナンバー : -200\n");
        run_.errlog.print("エラーナンバー : -200\n");
        KeyWait(run_);
        EndRun(0);
      }
      further_ = true;
      if (track_net) source_net += net_braces(line);
      i = 0;
      continue;
    }
    char c = line[i];
    bool quoted = i > 0 && line[i - 1] == '\'' && i + 1 < line.size() && line[i + 1] == '\'';
    if (!quoted) {
      if (c == '(') {
        ++depth;
      } else if (c == ')') {
        if (depth == 0) {
          ++i;
          return true;
        }
        --depth;
      } else if (c == ',' && depth == 0 && args.size() < r.params.size()) {
        args.emplace_back();
        ++i;
        continue;
      }
    }
    if (c != ' ' && c != '\t' && c != '\n') args.back().push_back(c);
    ++i;
  }
}

// Before the variable arguments, ", ##" loses its "##", and its comma too
// when they are empty, as C does; `from` is where the body began in `out`.
void paste_comma(std::string& out, size_t from, bool empty) {
  size_t j = out.size();
  while (j > from && (out[j - 1] == ' ' || out[j - 1] == '\t')) --j;
  if (j < from + 2 || out[j - 1] != '#' || out[j - 2] != '#') return;
  size_t k = j - 2;
  while (k > from && (out[k - 1] == ' ' || out[k - 1] == '\t')) --k;
  if (k == from || out[k - 1] != ',') return;
  out.resize(empty ? k - 1 : j - 2);
}

// The body with its parameters replaced (when `args` is given): a name equal
// to a parameter that received an argument becomes that argument, also
// before "(" (RUN(fn, x) fn(x)). The variable parameter stands for all the
// later arguments and for none when the call gives none. A name of the macro
// itself or of one being expanded around it is marked so that it stays as it is.
void Expander::append_body(const MacroRec& r, const std::vector<std::string>* args, std::string& out) {
  const std::string& body = r.body;
  const size_t from = out.size();
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  for (size_t b = 0; b < body.size();) {
    if (body[b] == '#' && args) {
      size_t n = b + 1;
      if (n < body.size() && body[n] == '#') {
        // a ## b pastes the two tokens into one; ", ##" before the variable
        // arguments is left to paste_comma.
        size_t j = out.size();
        while (j > from && blank(out[j - 1])) --j;
        if (j > from && out[j - 1] != ',') {
          out.resize(j);
          for (b = n + 1; b < body.size() && blank(body[b]);) ++b;
        } else {
          out.append("##");
          b = n + 1;
        }
        continue;
      } else {
        // #param makes a string literal, which the cleaned text holds as
        // nothing.
        while (n < body.size() && blank(body[n])) ++n;
        size_t e = n;
        while (e < body.size() && is_name_char(static_cast<unsigned char>(body[e]))) ++e;
        const std::string_view name(body.data() + n, e - n);
        bool param = false;
        for (const std::string& p : r.params) param = param || (!name.empty() && p == name);
        if (param) {
          b = e;
          continue;
        }
      }
    }
    if (!is_name_char(static_cast<unsigned char>(body[b]))) {
      out.push_back(body[b++]);
      continue;
    }
    size_t e = b;
    while (e < body.size() && is_name_char(static_cast<unsigned char>(body[e]))) ++e;
    std::string_view name(body.data() + b, e - b);
    b = e;
    if (args) {
      bool replaced = false;
      for (size_t k = 0; k < r.params.size(); ++k) {
        if (r.params[k] != name) continue;
        const bool rest = r.variadic && k + 1 == r.params.size();
        if (k < args->size() || rest) {
          const std::string none;
          const std::string& arg = k < args->size() ? (*args)[k] : none;
          if (rest) paste_comma(out, from, arg.empty());
          out += arg;
          replaced = true;
        }
        break;
      }
      if (replaced) continue;
    }
    if (paints(name, r)) {
      out.push_back(kPaint);
      painted = true;
    }
    out.append(name);
  }
}

bool Expander::expandmacro(const MacroRec& r, std::string& line, bool allow_more) {
  const std::string& pat = r.pattern;
  if (pat.empty() || depth_ >= kMaxDepth || full_) return false;
  ++depth_;
  const size_t d = static_cast<size_t>(depth_);
  std::string& out = pools_.out[d];
  std::vector<std::string>& args = pools_.args[d];
  Regions& regions = pools_.regions[d];
  out.clear();
  regions.clear();
  bool used = false;
  // Where the rest of a further line read for a call's arguments begins:
  // none of it has been looked at yet, so the rescan takes it all in.
  size_t rest = std::string::npos;
  size_t pos = 0;
  while (pos < line.size()) {
    // Uses start at the pattern; a match inside a name fails the test of
    // the character before it, as a character-by-character scan would.
    size_t p = line.find(pat, pos);
    if (p == std::string::npos) {
      out.append(line, pos, std::string::npos);
      break;
    }
    out.append(line, pos, p - pos);
    pos = p;
    if ((pos == 0 || (!is_name_char(static_cast<unsigned char>(line[pos - 1])) && line[pos - 1] != kPaint)) &&
        (r.has_params || pos + pat.size() >= line.size() ||
         !is_name_char(static_cast<unsigned char>(line[pos + pat.size()])))) {
      if (!r.has_params) {
        if (out.size() + 2 * r.body.size() <= kMaxLine) {
          size_t mark = out.size();
          append_body(r, nullptr, out);
          regions.emplace_back(mark, out.size());
          pos += pat.size();
          used = true;
          continue;
        }
        full_ = true;
      } else {
        size_t i = pos + pat.size();
        further_ = false;
        if (collect_args(r, line, i, allow_more, args)) {
          const bool further = further_;
          // Arguments are expanded on their own first, so that a call nested
          // in an argument of the same macro is expanded while a use that
          // the body brings is not.
          for (std::string& a : args) expand_all(a, false, false);
          size_t mark = out.size();
          append_body(r, &args, out);
          if (out.size() > kMaxLine) {
            // Too large: the call stays as it was written (blanks aside).
            full_ = true;
            out.resize(mark);
            out += pat;
            for (size_t k = 0; k < args.size(); ++k) {
              if (k) out.push_back(',');
              out += args[k];
            }
            out.push_back(')');
          } else {
            regions.emplace_back(mark, out.size());
          }
          // The blanks between arguments are gone (F(A(x) B(y))), so a name
          // may follow the call at once: the body's last name must not run
          // into it.
          if (i < line.size() && (is_name_char(static_cast<unsigned char>(line[i])) || line[i] == kPaint) &&
              !out.empty() && is_name_char(static_cast<unsigned char>(out.back())))
            out.push_back(' ');
          if (further && rest == std::string::npos) rest = out.size();
          used = true;  // also keeps further lines the arguments were read from
          pos = i;
          continue;
        }
      }
    }
    if (is_name_char(static_cast<unsigned char>(line[pos]))) {
      size_t e = pos;
      while (e < line.size() && is_name_char(static_cast<unsigned char>(line[e]))) ++e;
      out.append(line, pos, e - pos);
      pos = e;
    } else {
      out.push_back(line[pos++]);
    }
  }
  if (used) {
    if (rest != std::string::npos) regions.emplace_back(rest, out.size());
    active_.push_back(&r);
    expand_all(out, allow_more, false, &regions);
    active_.pop_back();
    line.swap(out);
  }
  --depth_;
  return used;
}

}  // namespace

void expandline(Run& run, std::string& line, int braces, LineSource* more) {
  if (run.pp.macrotab.empty()) return;
  Expander ex(run, more);
  ex.braces = braces;
  if (run.rd.macrobraces > 0) {
    ex.track_net = true;
    ex.source_net = net_braces(line);
  }
  ex.expand_all(line, true, true);
  ex.unpaint(line);
  ex.settle_braces(line);
}

void expandclosing(Run& run, std::string& text) {
  if (run.pp.macrotab.empty()) return;
  const std::string before = text;
  Expander ex(run, nullptr);
  ex.expand_all(text, false, false);
  ex.unpaint(text);
  // Most lines name no macro: the same bytes keep their braces.
  if (text != before && net_braces(text) != net_braces(before)) text = before;
}

bool expandmacro(Run& run, const MacroRec& rec, std::string& line, LineSource* more) {
  Expander ex(run, more);
  bool used = ex.expandmacro(rec, line, true);
  ex.unpaint(line);
  return used;
}

}  // namespace zelta
