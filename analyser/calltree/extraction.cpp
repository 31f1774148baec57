#include "calltree/extraction.h"

#include <unordered_set>
#include <utility>

#include "calltree/declared_functions.h"
#include "calltree/pointers/fact_scan.h"
#include "calltree/pointers/token_reader.h"
#include "calltree/resolution.h"

#include "platform/text_codec.h"
#include "prepare/line_map.h"
#include "prepare/mid_reader.h"
#include "prepare/readers.h"
#include "run/run.h"

namespace zelta {

void MakeKeywordList(Run& run) {
  run.recs.keywords = {"if", "switch", "else", "while", "do", "for"};
}

int IsNotKeyword(Run& run, std::string_view name) {
  for (const std::string& k : run.recs.keywords)
    if (name == k) return 0;
  return 1;
}

int InternFile(Run& run, const std::string& filename, const std::string& path) {
  Records& r = run.recs;
  auto it = r.file_ids.find(path);
  if (it != r.file_ids.end()) return it->second;
  const int id = static_cast<int>(r.files.size());
  r.files.push_back(filename);
  r.files_cp932.push_back(locale_to_cp932(filename));
  // A folder run opens dir//x.c; -f FILE:NAME matches the path with one
  // slash between its parts.
  std::string& kept = r.paths.emplace_back();
  for (char c : path)
    if (c != '/' || kept.empty() || kept.back() != '/') kept += c;
  r.file_ids.emplace(path, id);
  return id;
}

void AddRecord(Run& run, std::string_view name, int file) {
  Records& r = run.recs;
  ReaderState& rd = run.rd;
  if (rd.bracedepth == 0 && rd.bodyclosed == 1 && !r.list.empty()) {
    r.list.back().groupend = 1;
    rd.bodyclosed = 0;
  }
  const std::uint64_t h = NameIndex::hash(name);
  int id = r.nameids.find(name, h);
  if (id < 0) {
    id = static_cast<int>(r.names.size());
    r.nameids.add(r.names.emplace_back(name), h, id);
    r.firstdef.push_back(-1);
  }
  FuncRecord& rec = r.list.emplace_back();
  rec.nameid = id;
  rec.file = file;
  const int idx = static_cast<int>(r.list.size()) - 1;
  // The very first record starts the definition chain whatever it is.
  if (idx == 0 || rd.bracedepth == 0) {
    rec.isdef = 1;
    r.defs.push_back(idx);
    NoteDefinition(r, idx);
    if (r.names[static_cast<size_t>(id)] == "main") {
      r.maincount++;
      r.main_by_file.try_emplace(file, idx);
    }
  }
}

namespace {

// One file's scan over the cleaned-text tokens. Tokens and remembered names
// are views into the text, which stays in place while it is scanned.
// `Reader`: MidReader, or a TokenReader where -p has made the tokens.
template <class Reader>
class Scanner {
 public:
  Scanner(Run& run, Reader in, std::string_view text, int file, const LineMap* map, std::string_view decls)
      : run_(run), in_(std::move(in)), file_(file), cursor_(map, text), located_(map != nullptr),
        pointers_(run.opt.flgptr != 0), configured_(run.opt.flgconf != 0), decls_(decls) {}

  void scan() {
    int r = next();
    while (r != kEnd) r = toplevel(r);
  }

 private:
  int next() {
    const int r = in_.next();
    if (configured_) parenthesised_callee(r);
    return r;
  }
  size_t name_start() const { return located_ || pointers_ ? in_.name_start() : 0; }

  // -c: "(f) (...)" calls f as "f (...)" does, as a macro that takes the
  // function to call writes it ("(FUNC) ((PTR), amount)"), when the source
  // declares f as a function; any other name in those parentheses is a
  // cast's type or a pointer.
  void parenthesised_callee(int r) {
    if (r == kName) {
      paren_state_ = paren_state_ == 1 ? 2 : 0;
      paren_name_ = in_.tok();
      paren_at_ = name_start();
    } else if (is(r, ')')) {
      paren_state_ = paren_state_ == 2 ? 3 : 0;
    } else {
      if (paren_state_ == 3 && is(r, '(') && run_.rd.bracedepth > 0 && declared(paren_name_))
        record(paren_name_, paren_at_);
      paren_state_ = is(r, '(') ? 1 : 0;
    }
  }
  bool is(int r, char c) const { return r != kName && r != kEnd && in_.tok().size() == 1 && in_.tok()[0] == c; }

  void record(std::string_view name, size_t at) {
    if (!IsNotKeyword(run_, name)) return;
    AddRecord(run_, name, file_);
    // -p: where each record's name stands, for the pointer scan of the same text.
    if (pointers_) run_.ptr.unit_records.emplace_back(at, static_cast<int>(run_.recs.list.size()) - 1);
    if (located_) {
      const SourceLoc loc = cursor_.at(at);
      std::vector<RecordPlace>& places = run_.recs.places;
      places.resize(run_.recs.list.size());
      places.back() = RecordPlace{loc.file, loc.line};
    }
  }

  // One step of the file-level scan starting at token r; returns the token
  // to go on with (kEnd at end of input).
  int toplevel(int r) {
    if (r != kName) return next();
    cand_ = in_.tok();
    cand_at_ = name_start();
    while ((r = next()) == kName) {
      cand_ = in_.tok();
      cand_at_ = name_start();
    }
    if (!is(r, '(')) return r;
    int depth = 1;
    while (depth > 0) {
      r = next();
      if (r == kEnd) return kEnd;
      if (is(r, '(')) ++depth;
      else if (is(r, ')')) --depth;
    }
    r = next();
    if (!is(r, '{')) return r;  // a declaration or prototype
    run_.rd.bracedepth = 0;
    record(cand_, cand_at_);
    run_.rd.bracedepth = 1;
    return body();
  }

  // Scans one body; returns the token after it (kEnd at end of input).
  int body() {
    int r = next();
    for (;;) {
      if (r == kEnd) return kEnd;
      if (r == kBodyClosed) return next();
      if (r != kName) {
        r = next();
        continue;
      }
      word_ = in_.tok();
      word_at_ = name_start();
      while ((r = next()) == kName) {
        word_ = in_.tok();
        word_at_ = name_start();
      }
      if (!is(r, '(')) continue;  // goes on from that token (a -3 ends the body)
      record(word_, word_at_);
      int depth = 1;
      bool prevword = false;
      while (depth > 0) {
        r = next();
        if (r == kEnd) return kEnd;
        if (is(r, '(')) {
          ++depth;
          if (prevword) record(prevtok_, prevtok_at_);
        } else if (is(r, ')')) {
          --depth;
        }
        prevword = (r == kName);
        if (prevword) {
          prevtok_ = in_.tok();
          prevtok_at_ = name_start();
        }
      }
      r = next();
    }
  }

  Run& run_;
  Reader in_;
  int file_;
  LineCursor cursor_;
  bool located_;
  bool pointers_;
  bool configured_;
  // Read from the declarations when first asked: few sources write the form.
  bool declared(std::string_view name) {
    if (!declared_read_) DeclaredFunctions(decls_, declared_);
    declared_read_ = true;
    return declared_.count(name) != 0;
  }
  // -c: the functions the source declares, and where "( name ) (" stands:
  // 1 after "(", 2 after its name, 3 after ")".
  std::string_view decls_;
  std::unordered_set<std::string_view> declared_;
  bool declared_read_ = false;
  int paren_state_ = 0;
  std::string_view paren_name_;
  size_t paren_at_ = 0;
  std::string_view cand_, word_, prevtok_;
  size_t cand_at_ = 0, word_at_ = 0, prevtok_at_ = 0;
};

}  // namespace

namespace {

void Extract(Run& run, std::string_view text, bool sjis, const std::string& filename, const std::string& path,
             int mode_a, const LineMap* map, std::string_view decls = {}) {
  ReaderState& rd = run.rd;
  if (run.opt.flgdebug)
    run.con.text(mode_a ? "-------------getfilename3_mode_a()-----------------\n"
                        : "-------------getfilename3()-----------------\n");
  rd.pushback.clear();
  rd.bracedepth = 0;
  if (run.opt.flgtime) Checkpoint(run, "1-2 %d.%03d\n");
  if (run.recs.empty()) MakeKeywordList(run);

  const size_t before = run.recs.list.size();
  const int file = InternFile(run, filename, path);
  if (!run.opt.flgptr) {
    Scanner<MidReader>(run, MidReader(run, text, sjis), text, file, map, decls).scan();
  } else {
    // -p reads the text's tokens anyway: made first, they serve the
    // extraction too when both readers read the text alike (-d echoes bytes).
    ScanPointerFacts(run, decls, text, file, map, [&](bool tokens_read_alike) {
      if (tokens_read_alike && !run.opt.flgdebug) {
        Scanner<TokenReader>(run, TokenReader(run, text, run.ptr.tokens), text, file, map, decls).scan();
      } else {
        Scanner<MidReader>(run, MidReader(run, text, sjis), text, file, map, decls).scan();
      }
    });
  }
  if (map && run.recs.list.size() > before) run.recs.units.emplace_back(static_cast<int>(before), map->unit);
}

void Finish(Run& run, int mode_a) {
  if (!run.recs.empty()) {
    run.recs.list.back().groupend = 1;
    if (run.opt.flgdebug)
      run.con.text(mode_a ? "-------------END-getfilename3_mode_a()-----------------\n"
                          : "-------------END-getfilename3()-----------------\n");
  }
}

}  // namespace

int getfilename3(Run& run, const CleanedText& text, const std::string& filename, int mode_a, const LineMap* map,
                 const std::string* path) {
  run.rd.bodyclosed = 0;
  Extract(run, text.text, text.sjis, filename, path ? *path : filename, mode_a, map, text.decls);
  Finish(run, mode_a);
  return 1;
}

int getfilename3(Run& run, const std::string& conv, const std::string& filename, int mode_a, const LineMap* map) {
  ReaderState& rd = run.rd;
  rd.bodyclosed = 0;
  // A cleaned text that cannot be opened reads as an empty one.
  if (!rd.mid.open(conv)) rd.mid.open_bytes("");
  Extract(run, rd.mid.data(), rd.mid_sjis, filename, filename, mode_a, map);
  rd.mid.close();
  Finish(run, mode_a);
  return 1;
}

}  // namespace zelta
