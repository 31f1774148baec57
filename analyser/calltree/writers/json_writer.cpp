// tree.json: the run, every file, every function with its calls and callers,
// and the tree as drawn, for other programs (UTF-8, LF; docs/tree-json.md).
//
// A large code base has hundreds of thousands of calls and a tree of up to
// the size guard's lines: the file is streamed, one array element at a time.
// The few small entries are made and written by the JSON library. The many
// call and tree entries are laid out here, key by key in the documented
// order, around values the library has written: made as library objects,
// they were the slowest part of a -j run on the Linux core (0.2 s of 1.3 s).
#include <charconv>
#include <nlohmann/json.hpp>

#include "calltree/call_index.h"
#include "calltree/pointers/pointer_join.h"
#include "calltree/output_file.h"
#include "calltree/writers/tree_writer.h"
#include "config/version.h"
#include "platform/text_codec.h"
#include "platform/utf8_check.h"
#include "run/run.h"

namespace zelta {

namespace {

using Json = nlohmann::ordered_json;

constexpr int kFormatVersion = 1;

std::string Dump(const Json& j) { return j.dump(-1, ' ', false, Json::error_handler_t::replace); }

// One object's members, written in the order given. Keys are the writer's
// own names; a text value comes already written by the library.
class Members {
 public:
  explicit Members(std::string& out) : out_(out) { out_ += '{'; }
  ~Members() { out_ += '}'; }
  Members(const Members&) = delete;
  Members& operator=(const Members&) = delete;

  Members& number(const char* key, long long v) {
    this->key(key);
    char buf[24];
    out_.append(buf, static_cast<size_t>(std::to_chars(buf, buf + sizeof buf, v).ptr - buf));
    return *this;
  }
  Members& boolean(const char* key, bool v) {
    this->key(key);
    out_ += v ? "true" : "false";
    return *this;
  }
  Members& json(const char* key, std::string_view written) {
    this->key(key);
    out_ += written;
    return *this;
  }
  // Starts a member whose value the caller writes.
  std::string& key(const char* key) {
    if (!first_) out_ += ',';
    first_ = false;
    out_ += '"';
    out_ += key;
    out_ += "\":";
    return out_;
  }

 private:
  std::string& out_;
  bool first_ = true;
};

void AppendNumber(std::string& out, long long v) {
  char buf[24];
  out.append(buf, static_cast<size_t>(std::to_chars(buf, buf + sizeof buf, v).ptr - buf));
}

// A path as JSON text: the bytes as they name the file in the locale's
// charset, repeated slashes as one. Bytes that do not decode are kept in
// `bytes` (hex) beside a path with U+FFFD in their place.
Json PathEntry(const std::string& raw) {
  std::string p;
  p.reserve(raw.size());
  for (size_t i = 0; i < raw.size(); ++i)
    if (!(raw[i] == '/' && i > 1 && raw[i - 1] == '/')) p.push_back(raw[i]);
  Json e;
  std::string utf8;
  if (valid_utf8(p)) {
    e["path"] = p;
  } else if (convert_charset(locale_charset(), "UTF-8", p, utf8) && valid_utf8(utf8)) {
    e["path"] = utf8;
  } else {
    e["path"] = p;
    static const char kHex[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : p) {
      hex.push_back(kHex[c >> 4]);
      hex.push_back(kHex[c & 15]);
    }
    e["bytes"] = hex;
  }
  return e;
}

class JsonTreeWriter final : public TreeWriter {
 public:
  JsonTreeWriter(Run& run, const char* file) : run_(run), recs_(run.recs), file_(file) {}

  void begin(const TreeShape& shape) override {
    index_ = shape.index;
    if (!index_) {
      own_.build(recs_, false, run_.ptr.joined ? &run_.ptr : nullptr);
      index_ = &own_;
    }
    OpenOutput(run_, out_, file_, true);
    out_.raw("{\n  \"format_version\": ");
    out_.raw(std::to_string(kFormatVersion));
    out_.raw(",\n  \"analyser\": ");
    out_.raw(Dump(Json{{"name", "conzelta"}, {"version", kVersionText}}));
    out_.raw(",\n  \"run\": ");
    out_.raw(Dump(RunEntry()));

    open_array("files");
    for (const std::string& p : run_.sources.paths) element(PathEntry(p));
    close_array();

    open_array("functions");
    for (size_t k = 0; k < recs_.defs.size(); ++k) {
      text_.clear();
      FunctionEntry(static_cast<int>(k), text_);
      written(text_);
    }
    close_array();

    open_array("undefined");
    for (size_t u = 0; u < index_->undefined().size(); ++u) {
      Json e;
      e["name"] = recs_.names[static_cast<size_t>(index_->undefined()[u])];
      e["callers"] = Callers(index_->undefined_callers(static_cast<int>(u)));
      element(e);
    }
    close_array();

    open_array("tree");
  }

  void node(const TreeLine& l, long long number) override {
    if (!l.hastext) return;
    const FuncRecord& r = recs_.list[static_cast<size_t>(l.rec)];
    text_.clear();
    {
      Members e(text_);
      e.number("line", number).number("depth", l.level).json("name", name(r.nameid));
      switch (l.kind) {
        case LineKind::kStdfunc:
          file(e, recs_.unit_of(l.rec));
          e.json("marker", "\"stdfunc\"");
          break;
        case LineKind::kUndefinedStart: e.json("marker", "\"stdfunc\""); break;
        case LineKind::kLoop:
          e.number("function", index_->ordinal(l.rec)).json("marker", "\"loop\"").number("target", l.aux);
          break;
        default:
          e.number("function", index_->ordinal(l.rec));
          file(e, recs_.unit_of(l.rec));
          if (l.kind == LineKind::kRecursive) e.json("marker", "\"recursive\"");
          if (l.pointer) e.boolean("pointer", true);
          if (l.kind == LineKind::kReference) {
            std::string& v = e.key("ref");
            v += '[';
            AppendNumber(v, r.firstline);
            v += ',';
            AppendNumber(v, l.aux);
            v += ']';
          }
          break;
      }
    }
    written(text_);
  }

  void end() override {
    close_array();
    out_.raw("\n}\n");
    CloseOutput(run_, out_, file_);
  }

 private:
  Json RunEntry() const {
    const Options& o = run_.opt;
    const std::pair<char, int> letters[] = {
        {'a', o.flgall},     {'c', o.flgconf},  {'d', o.flgdebug}, {'e', o.flgomit},     {'f', o.flgfunc},  {'g', o.flgdot},
        {'j', o.flgjson},    {'m', o.flgmid},   {'n', o.flgn},        {'o', o.flgout},   {'r', o.flgrev},
        {'p', o.flgptr},     {'s', o.flgfuncall}, {'t', o.flgtime}, {'v', o.flgfilename}, {'w', o.flgerrlog}};
    Json switches = Json::array();
    for (const auto& [c, n] : letters)
      if (n) switches.push_back(std::string(1, c));
    Json e;
    e["start"] = o.startfunc;
    e["direction"] = o.flgrev ? "callers" : "callees";
    e["all_functions"] = o.flgfuncall != 0 && o.flgfunc == 0;
    e["switches"] = switches;
    e["inputs"] = run_.sources.inputs;
    if (o.flgconf) {
      e["preprocessing"] = "configured";
      e["configuration"] = run_.cfg.compile_database.empty() ? Json() : Json(run_.cfg.compile_database);
    }
    if (run_.ptr.joined)
      e["pointer_calls"] = Json{{"sites", run_.ptr.sites.size()}, {"unresolved", run_.ptr.unresolved}};
    return e;
  }

  // A name as JSON text: each distinct name is written by the library once.
  const std::string& name(int nameid) {
    if (names_.size() <= static_cast<size_t>(nameid)) names_.resize(static_cast<size_t>(nameid) + 1);
    std::string& n = names_[static_cast<size_t>(nameid)];
    if (n.empty()) n = Dump(Json(recs_.names[static_cast<size_t>(nameid)]));
    return n;
  }
  // Where a record stands, when the run kept it.
  void place(Members& e, int record) const {
    const RecordPlace p = recs_.place_of(record);
    if (p.file < 0) return;
    e.number("file", p.file).number("line", p.line);
  }
  static void file(Members& e, int unit) {
    if (unit >= 0) e.number("file", unit);
  }
  static void numbers(std::string& out, std::span<const int> v) {
    out += '[';
    for (size_t i = 0; i < v.size(); ++i) {
      if (i) out += ',';
      AppendNumber(out, v[i]);
    }
    out += ']';
  }

  Json Callers(std::span<const int> by) const {
    Json a = Json::array();
    for (int c : by) a.push_back(c);
    return a;
  }

  void FunctionEntry(int k, std::string& out) {
    const int d = recs_.defs[static_cast<size_t>(k)];
    const FuncRecord& f = recs_.list[static_cast<size_t>(d)];
    Members e(out);
    e.json("name", name(f.nameid));
    place(e, d);
    const int unit = recs_.unit_of(d);
    if (unit >= 0) e.number("unit", unit);
    std::string& calls = e.key("calls");
    calls += '[';
    // The calls of a definition are the records of its group, as the tree
    // builder walks them.
    if (run_.ptr.joined) {
      PointerCalls(d, calls);
    } else if (!f.groupend) {
      for (size_t i = static_cast<size_t>(d) + 1; i < recs_.list.size(); ++i) {
        const FuncRecord& c = recs_.list[i];
        if (i > static_cast<size_t>(d) + 1) calls += ',';
        Members call(calls);
        call.json("name", name(c.nameid));
        place(call, static_cast<int>(i));
        call.boolean("defined", recs_.def_of(c.nameid) >= 0);
        const int t = index_->target(static_cast<int>(i));
        if (t >= 0) call.number("function", index_->ordinal(t));
        if (c.groupend) break;
      }
    }
    calls += ']';
    numbers(e.key("callers"), index_->callers(k));
    if (run_.ptr.joined) {
      auto it = run_.ptr.passed_to.find(d);
      if (it != run_.ptr.passed_to.end()) {
        Json to = Json::array();
        for (int n : it->second) to.push_back(std::string(run_.ptr.names.text(n)));
        e.json("passed_to", Dump(to));
      }
    }
  }

  // -p: the entries of the definition's group in the edge list, each
  // pointer target with how it was found.
  void PointerCalls(int d, std::string& calls) {
    const PointerFacts& p = run_.ptr;
    const int h = p.head[static_cast<size_t>(d)];
    if (p.entry(recs_, h).groupend) return;
    for (int i = h + 1; static_cast<size_t>(i) < p.entries(); ++i) {
      const FuncRecord& c = p.entry(recs_, i);
      if (i > h + 1) calls += ',';
      Members call(calls);
      call.json("name", name(c.nameid));
      const int site = p.site_of(i);
      if (site < 0) {
        place(call, p.record_of(i));
      } else if (const RecordPlace& at = p.sites[static_cast<size_t>(site)].place; at.file >= 0) {
        call.number("file", at.file).number("line", at.line);
      }
      call.boolean("defined", recs_.def_of(c.nameid) >= 0);
      const int t = index_->target(i);
      if (t >= 0) call.number("function", index_->ordinal(t));
      if (site >= 0) {
        const PointerSite& s = p.sites[static_cast<size_t>(site)];
        call.json("kind", Dump(Json(PointerKindName(c.pointer))));
        if (s.type >= 0 && c.pointer == static_cast<int>(PointerKind::kStructField))
          call.json("struct", Dump(Json(std::string(p.names.text(s.type)))));
        if (s.field >= 0) call.json("field", Dump(Json(std::string(p.names.text(s.field)))));
        if (s.var >= 0) call.json("variable", Dump(Json(std::string(p.names.text(s.var)))));
      }
      if (c.groupend) break;
    }
  }

  void open_array(const char* key) {
    out_.raw(",\n  \"");
    out_.raw(key);
    out_.raw("\": [");
    first_ = true;
  }
  void element(const Json& e) { written(Dump(e)); }
  void written(std::string_view written) {
    out_.raw(first_ ? "\n    " : ",\n    ");
    out_.raw(written);
    first_ = false;
  }
  void close_array() { out_.raw("\n  ]"); }

  Run& run_;
  const Records& recs_;
  const char* file_;
  TextWriter out_;
  const CallIndex* index_ = nullptr;
  CallIndex own_;
  bool first_ = true;
  std::string text_;                // the entry being laid out
  std::vector<std::string> names_;  // names as JSON text, by name id
};

}  // namespace

std::unique_ptr<TreeWriter> MakeJsonWriter(Run& run, const char* file) {
  return std::make_unique<JsonTreeWriter>(run, file);
}

}  // namespace zelta
