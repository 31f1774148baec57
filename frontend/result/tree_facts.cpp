#include "tree_facts.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <climits>
#include <cstdio>
#include <iterator>
#include <nlohmann/json.hpp>

#include "platform/text_codec.h"

namespace zelta::fe {

using json = nlohmann::json;

namespace {

// The contract nests five levels deep; anything far deeper is not ours, and
// refusing it keeps a hostile file from costing memory or stack.
constexpr int kMaxNesting = 64;

// The file read in pieces behind a plain character iterator: the library's
// stream input goes through a virtual call per character, which made
// reading several times slower, and reading the whole file first would hold
// hundreds of megabytes twice.
class Pieces {
 public:
  explicit Pieces(std::FILE* f) : f_(f), buf_(1 << 20) { refill(); }
  bool atEnd() const { return cur_ == end_; }
  char get() const { return *cur_; }
  void next() {
    if (++cur_ == end_) refill();
  }
  bool failed() const { return std::ferror(f_) != 0; }

 private:
  void refill() {
    const size_t n = std::fread(buf_.data(), 1, buf_.size(), f_);
    cur_ = buf_.data();
    end_ = cur_ + n;
  }
  std::FILE* f_;
  std::vector<char> buf_;
  const char* cur_ = nullptr;
  const char* end_ = nullptr;
};

struct PieceIterator {
  using iterator_category = std::input_iterator_tag;
  using value_type = char;
  using difference_type = std::ptrdiff_t;
  using pointer = const char*;
  using reference = char;
  Pieces* p = nullptr;  // null: the end
  char operator*() const { return p->get(); }
  PieceIterator& operator++() {
    p->next();
    return *this;
  }
  PieceIterator operator++(int) {
    PieceIterator was = *this;
    p->next();
    return was;
  }
  bool operator==(const PieceIterator& o) const { return (!p || p->atEnd()) == (!o.p || o.p->atEnd()); }
};

bool isAscii(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

}  // namespace

// Streams the file: every part except "tree" is built as a small document
// (it grows with the code base); the entries of "tree" (one per line of the
// text, millions at most) are checked against the text one by one and kept
// as one function index per line.
class FactsReader : public nlohmann::json_sax<json> {
 public:
  FactsReader(const ResultIndex& index, TreeFacts& facts, const std::atomic<bool>* cancel)
      : index_(index), facts_(facts), cancel_(cancel) {
    facts_.lineFunction_.reserve(static_cast<size_t>(index.lineCount()));
  }

  QString problem;  // set by the first failure
  bool notJson = false;  // the bytes are no JSON at all (a damaged or foreign file)
  json root;

  bool null() override { return value(json()); }
  bool boolean(bool v) override { return value(json(v)); }
  bool number_integer(number_integer_t v) override { return number(v); }
  bool number_unsigned(number_unsigned_t v) override {
    return number(v > static_cast<number_unsigned_t>(LLONG_MAX) ? -1 : static_cast<long long>(v));
  }
  bool number_float(number_float_t v, const string_t&) override {
    if (entry_) return fail("tree: 数でない値があります");
    return value(json(v));
  }
  bool string(string_t& v) override {
    if (entry_) {
      if (level_ != 3) return true;
      if (key_ == "name") {
        e_.name = std::move(v);
        e_.hasName = true;
      } else if (key_ == "marker") {
        e_.marker = std::move(v);
      }
      return true;
    }
    return value(json(std::move(v)));
  }
  bool binary(binary_t&) override { return fail("バイナリ値があります"); }

  bool start_object(std::size_t) override {
    if (++level_ > kMaxNesting) return fail("入れ子が深すぎます");
    if (inTree_ && level_ == 3) {
      entry_ = true;
      e_ = Entry();
      return true;
    }
    if (entry_) return true;  // a key this reader does not know
    return open(json::object());
  }
  bool end_object() override {
    --level_;
    if (entry_) {
      if (level_ == 2) {
        entry_ = false;
        return takeEntry();
      }
      return true;
    }
    stack_.pop_back();
    return true;
  }
  bool start_array(std::size_t) override {
    if (++level_ > kMaxNesting) return fail("入れ子が深すぎます");
    if (level_ == 2 && topKey_ == "tree") {
      inTree_ = true;
      return open(json::array());  // stays empty: the entries are taken as they come
    }
    if (entry_) {
      if (level_ == 4 && key_ == "ref") e_.refCount = 0;
      return true;
    }
    if (inTree_) return fail("tree: 行がオブジェクトではありません");
    return open(json::array());
  }
  bool end_array() override {
    --level_;
    if (entry_) return true;
    if (inTree_ && level_ == 1) inTree_ = false;
    stack_.pop_back();
    return true;
  }
  bool key(string_t& k) override {
    if (entry_) {
      if (level_ == 3) key_ = k;
      return true;
    }
    if (level_ == 1) topKey_ = k;
    pendingKey_ = std::move(k);
    return true;
  }
  bool parse_error(std::size_t at, const std::string&, const nlohmann::detail::exception&) override {
    notJson = problem.isEmpty();
    return fail(QStringLiteral("JSONとして読めません（%1バイト目）").arg(at));
  }

  // After the parse: every index the entries named must exist, and each
  // line's function must carry the line's name.
  bool finish() {
    if (entries_ != index_.lineCount())
      return fail(QStringLiteral("tree.txtは%1行、tree.jsonは%2行です").arg(index_.lineCount()).arg(entries_));
    const int nf = static_cast<int>(facts_.functions.size());
    std::string conv;
    for (int i = 0; i < entries_; ++i) {
      const int f = facts_.lineFunction_[static_cast<size_t>(i)];
      if (f < -1 || f >= nf) return fail(QStringLiteral("%1行目: 関数の番号が範囲外です").arg(i + 1));
      if (f >= 0 && !index_.parts(i).loop &&
          !sameName(facts_.functions[static_cast<size_t>(f)].utf8, index_.parts(i).name, conv))
        return fail(QStringLiteral("%1行目: 関数の名前が合いません").arg(i + 1));
    }
    return true;
  }

 private:
  struct Entry {
    long long line = -1, depth = -1, function = -1, target = -1;
    long long ref[2] = {0, 0};
    int refCount = -1;
    std::string name, marker;
    bool hasName = false;
  };

  bool fail(const QString& why) {
    if (problem.isEmpty()) problem = why;
    return false;
  }
  bool fail(const char* why) { return fail(QString::fromUtf8(why)); }

  bool number(long long v) {
    if (!entry_) return value(json(v));
    if (level_ == 4 && key_ == "ref") {
      if (e_.refCount < 0 || e_.refCount >= 2) return fail("tree: refは二つの数です");
      e_.ref[e_.refCount++] = v;
      return true;
    }
    if (level_ != 3) return true;
    if (key_ == "line")
      e_.line = v;
    else if (key_ == "depth")
      e_.depth = v;
    else if (key_ == "function")
      e_.function = v;
    else if (key_ == "target")
      e_.target = v;
    return true;
  }

  bool open(json v) {
    json* made = place(std::move(v));
    if (!made) return false;
    stack_.push_back(made);
    return true;
  }
  bool value(json v) {
    if (entry_) return true;  // a value under a key this reader does not know
    return place(std::move(v)) != nullptr;
  }
  json* place(json v) {
    if (stack_.empty()) {
      root = std::move(v);
      return &root;
    }
    json& top = *stack_.back();
    if (top.is_array()) {
      top.push_back(std::move(v));
      return &top.back();
    }
    json& slot = top[pendingKey_];
    slot = std::move(v);
    return &slot;
  }

  // A tree name (UTF-8) against the text's bytes; names are nearly always
  // ASCII, which needs no conversion.
  bool sameName(const std::string& utf8, std::string_view text, std::string& conv) {
    if (index_.encoding() == ResultIndex::Encoding::Utf8 || isAscii(utf8)) return utf8 == text;
    return zelta::convert_charset("UTF-8", "CP932", utf8, conv) && conv == text;
  }

  bool takeEntry() {
    if (cancel_ && cancel_->load()) return fail("中断しました");
    const int i = entries_++;
    const int n = index_.lineCount();
    if (i >= n) return fail(QStringLiteral("tree.jsonの行がtree.txtより多くあります"));
    auto bad = [&](const char* why) {
      return fail(QStringLiteral("%1行目: %2").arg(i + 1).arg(QString::fromUtf8(why)));
    };
    if (e_.line != i + 1) return bad("行番号が合いません");
    if (e_.depth != index_.depth(i)) return bad("深さが合いません");
    if (!e_.hasName) return bad("名前がありません");
    const LineParts p = index_.parts(i);
    const bool loop = e_.marker == "loop";
    if (loop != p.loop || (e_.marker == "recursive") != p.recursive || (e_.marker == "stdfunc") != p.stdfunc)
      return bad("印が合いません");
    const bool hasRef = e_.refCount >= 0;
    if (hasRef != (p.refFirst > 0) ||
        (hasRef && (e_.refCount != 2 || e_.ref[0] != p.refFirst || e_.ref[1] != p.refLast)))
      return bad("参照範囲が合いません");
    if (loop) {
      // The target is the line above, on this line's path, where the named
      // function is being expanded.
      const long long t = e_.target - 1;
      bool onPath = false;
      for (int a = index_.parent(i); a >= 0 && !onPath; a = index_.parent(a)) onPath = a == t;
      if (!onPath || !sameName(e_.name, index_.parts(static_cast<int>(t)).name, conv_))
        return bad("LOOPの行き先が合いません");
      facts_.loops_.emplace_back(i, static_cast<int32_t>(t));
    } else if (!sameName(e_.name, p.name, conv_)) {
      return bad("名前が合いません");
    }
    if (e_.function < -1 || e_.function > INT_MAX) return bad("関数の番号が範囲外です");
    facts_.lineFunction_.push_back(static_cast<int32_t>(e_.function));
    return true;
  }

  const ResultIndex& index_;
  TreeFacts& facts_;
  const std::atomic<bool>* cancel_;
  std::string conv_;
  std::vector<json*> stack_;
  std::string pendingKey_, topKey_, key_;
  int level_ = 0;
  bool inTree_ = false, entry_ = false;
  Entry e_;
  int entries_ = 0;
};

namespace {

// Reads the small parts of the document into the facts; false on anything
// that is not the known shape or points outside it.
bool takeDocument(const json& root, TreeFacts& f, QString* why) {
  auto fail = [&](const char* w) {
    *why = QString::fromUtf8(w);
    return false;
  };
  auto str = [](const json& o, const char* k) {
    const auto it = o.find(k);
    return it != o.end() && it->is_string() ? QString::fromStdString(it->get<std::string>()) : QString();
  };
  auto integer = [](const json& o, const char* k, long long fallback) {
    const auto it = o.find(k);
    return it != o.end() && it->is_number_integer() ? it->get<long long>() : fallback;
  };
  if (!root.is_object()) return fail("オブジェクトではありません");
  if (integer(root, "format_version", 0) != 1) return fail("形式の版が違います");
  const auto run = root.find("run");
  if (run != root.end() && run->is_object()) {
    f.start = str(*run, "start");
    f.callersTree = str(*run, "direction") == QStringLiteral("callers");
    const auto switches = run->find("switches");
    if (switches != run->end() && switches->is_array())
      for (const json& s : *switches) f.undefinedShown = f.undefinedShown || (s.is_string() && s == "a");
  }
  const auto files = root.find("files");
  const auto functions = root.find("functions");
  if (files == root.end() || !files->is_array() || functions == root.end() || !functions->is_array())
    return fail("filesかfunctionsがありません");
  for (const json& e : *files) {
    if (!e.is_object()) return fail("filesの要素がオブジェクトではありません");
    FileFact ff;
    ff.path = str(e, "path");
    ff.localPath = ff.path;
    const auto bytes = e.find("bytes");
    if (bytes != e.end() && bytes->is_string())
      ff.localPath = QFile::decodeName(QByteArray::fromHex(QByteArray::fromStdString(bytes->get<std::string>())));
    f.files.push_back(std::move(ff));
  }
  const long long nfile = static_cast<long long>(f.files.size());
  const long long nfunc = static_cast<long long>(functions->size());
  auto fileOk = [&](long long v) { return v >= -1 && v < nfile; };
  auto funcOk = [&](long long v) { return v >= 0 && v < nfunc; };
  auto callers = [&](const json& o, std::vector<int>& out) {
    const auto it = o.find("callers");
    if (it == o.end()) return true;
    if (!it->is_array()) return false;
    for (const json& c : *it) {
      if (!c.is_number_integer() || !funcOk(c.get<long long>())) return false;
      out.push_back(static_cast<int>(c.get<long long>()));
    }
    return true;
  };
  for (const json& e : *functions) {
    if (!e.is_object()) return fail("functionsの要素がオブジェクトではありません");
    FunctionFact fn;
    const auto name = e.find("name");
    if (name == e.end() || !name->is_string()) return fail("名前のない関数があります");
    fn.utf8 = name->get<std::string>();
    fn.name = QString::fromStdString(fn.utf8);
    fn.file = static_cast<int>(integer(e, "file", -1));
    fn.line = static_cast<int>(std::clamp<long long>(integer(e, "line", 0), 0, INT_MAX));
    fn.unit = static_cast<int>(integer(e, "unit", -1));
    if (!fileOk(integer(e, "file", -1)) || !fileOk(integer(e, "unit", -1))) return fail("ファイルの番号が範囲外です");
    const auto calls = e.find("calls");
    if (calls != e.end()) {
      if (!calls->is_array()) return fail("callsが配列ではありません");
      for (const json& c : *calls) {
        if (!c.is_object()) return fail("callsの要素がオブジェクトではありません");
        CallFact cf;
        cf.name = str(c, "name");
        cf.file = static_cast<int>(integer(c, "file", -1));
        cf.line = static_cast<int>(std::clamp<long long>(integer(c, "line", 0), 0, INT_MAX));
        const long long callee = integer(c, "function", -1);
        if (!fileOk(integer(c, "file", -1)) || (callee != -1 && !funcOk(callee)))
          return fail("callsの番号が範囲外です");
        cf.function = static_cast<int>(callee);
        cf.pointer = str(c, "kind");
        fn.calls.push_back(std::move(cf));
      }
    }
    if (!callers(e, fn.callers)) return fail("callersの番号が範囲外です");
    f.functions.push_back(std::move(fn));
  }
  const auto undefined = root.find("undefined");
  if (undefined != root.end() && undefined->is_array()) {
    for (const json& e : *undefined) {
      if (!e.is_object()) return fail("undefinedの要素がオブジェクトではありません");
      UndefinedFact u;
      u.name = str(e, "name");
      if (!callers(e, u.callers)) return fail("callersの番号が範囲外です");
      f.undefined.push_back(std::move(u));
    }
  }
  return true;
}

// The front-end hands the analyser full paths: shown whole they crowd the
// panel and the status bar. Each is shown from the parent of the folder all
// files share, so that one folder name stays: /home/u/proj/src/a.c and
// /home/u/proj/lib/b.c read src/a.c and lib/b.c... or, in one folder,
// calc/a.c and calc/b.c.
void shortenPaths(std::vector<FileFact>& files) {
  QStringList common;
  bool first = true;
  for (const FileFact& f : files) {
    QStringList dirs = f.path.split(QLatin1Char('/'));
    dirs.removeLast();
    if (first) {
      common = dirs;
      first = false;
      continue;
    }
    qsizetype n = 0;
    while (n < common.size() && n < dirs.size() && common[n] == dirs[n]) ++n;
    common = common.mid(0, n);
  }
  const qsizetype drop = std::max<qsizetype>(common.size() - 1, 0);
  for (FileFact& f : files) f.shown = f.path.split(QLatin1Char('/')).mid(drop).join(QLatin1Char('/'));
}

}  // namespace

std::shared_ptr<const TreeFacts> TreeFacts::read(const QString& path, const ResultIndex& index, QString* problem,
                                                 const std::atomic<bool>* cancel, bool* unreadable) {
  problem->clear();
  if (unreadable) *unreadable = false;
  if (!QFileInfo(path).isFile()) return nullptr;
  if (!index.isTree()) {
    *problem = QStringLiteral("tree.txtが木の形になっていません");
    return nullptr;
  }
  std::FILE* in = std::fopen(QFile::encodeName(path).constData(), "rb");
  if (!in) {
    *problem = QStringLiteral("開けません");
    if (unreadable) *unreadable = true;
    return nullptr;
  }
  auto facts = std::make_shared<TreeFacts>();
  facts->written = QFileInfo(path).lastModified();
  bool readFailed = false;
  FactsReader reader(index, *facts, cancel);
  bool ok = false;
  try {
    Pieces pieces(in);
    ok = json::sax_parse(PieceIterator{&pieces}, PieceIterator{}, &reader) && !pieces.failed();
    readFailed = pieces.failed();
  } catch (const std::exception&) {
    // The library reports through parse_error; anything else (memory) is a
    // file this reader cannot take.
    ok = false;
  }
  std::fclose(in);
  if (ok && !takeDocument(reader.root, *facts, problem)) ok = false;
  if (ok) shortenPaths(facts->files);
  if (ok) ok = reader.finish();
  if (!ok) {
    if ((readFailed || reader.notJson) && unreadable) *unreadable = true;
    if (problem->isEmpty()) *problem = reader.problem.isEmpty() ? QStringLiteral("読めません") : reader.problem;
    return nullptr;
  }
  return facts;
}

int TreeFacts::loopTarget(int line) const {
  const auto it = std::lower_bound(loops_.begin(), loops_.end(), std::pair<int32_t, int32_t>(line, INT32_MIN));
  return it != loops_.end() && it->first == line ? it->second : -1;
}

int TreeFacts::undefinedNamed(const QString& name) const {
  for (size_t i = 0; i < undefined.size(); ++i)
    if (undefined[i].name == name) return static_cast<int>(i);
  return -1;
}

QString TreeFacts::fileName(int file) const {
  return file >= 0 && file < static_cast<int>(files.size()) ? files[static_cast<size_t>(file)].shown : QString();
}

FactsFile factsFileState(const QString& path, const QDateTime& notBefore) {
  const QFileInfo info(path);
  if (!info.isFile()) return FactsFile::Missing;
  if (notBefore.isValid() && info.lastModified() < notBefore) return FactsFile::Older;
  return FactsFile::Current;
}

}  // namespace zelta::fe
