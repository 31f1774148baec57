// Run-wide state of the function extraction and the tree builder.
#pragma once
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace zelta {

// One definition occurrence or one call occurrence. Records live in creation
// order; `next`/`prev` of the list are the neighbours in Records::list.
struct FuncRecord {
  std::string_view name;  // the interned name (Records::names)
  int nameid = 0;
  int file = 0;           // index into Records::files
  std::int8_t isdef = 0;  // on the definition chain (`nextdef`)
  std::int8_t recursive = 0;
  std::int8_t stdfunc = -1;  // -1 undecided, 1 undefined, 0 defined
  std::int8_t shown = 0;
  std::int8_t groupend = 0;
  int firstline = 0;
  int lastline = 0;
};

struct Records {
  // A deque keeps every record (and so every name) at a fixed address while
  // the list grows; the indexes below refer to records by position.
  std::deque<FuncRecord> list;
  std::vector<int> defs;  // the definition chain, in definition order
  // Every distinct name once; records refer to it by id. A deque keeps the
  // texts in place, so the views into them stay valid.
  std::deque<std::string> names;
  std::unordered_map<std::string_view, int> nameids;
  std::vector<std::string> files;        // source file names as given
  std::vector<std::string> files_cp932;  // the same, for writing into CP932 files
  std::unordered_map<std::string, int> file_ids;
  // First definition of each name id (-1: none), and of "main" per file.
  // Resolution takes the first definition in definition order, so only the
  // first is kept.
  std::vector<int> firstdef;
  std::unordered_map<int, int> main_by_file;
  int maincount = 0;  // definitions named "main"
  std::vector<std::string> keywords;

  bool empty() const { return list.empty(); }
  int name_id(std::string_view name) const {
    auto it = nameids.find(name);
    return it == nameids.end() ? -1 : it->second;
  }
  int def_of(int nameid) const { return nameid < 0 ? -1 : firstdef[static_cast<size_t>(nameid)]; }
  int find_def(std::string_view name) const { return def_of(name_id(name)); }
};

// One output line of the tree. The text lives in TreeBuilder's text store.
struct TreeLine {
  std::uint32_t chunk = 0;
  std::uint32_t off = 0;
  std::uint32_t len : 30 = 0;
  std::uint32_t hasnext : 1 = 1;
  std::uint32_t hastext : 1 = 0;  // only the empty first line lacks a text
  std::int32_t level = 0;
};

// Line texts in fixed-size chunks: the store grows without ever copying
// what it already holds, so a large tree costs no more than its bytes.
class TextStore {
 public:
  void clear() { chunks_.clear(); }
  // Stores `s` contiguously; sets the line's chunk, off and len.
  void put(TreeLine& l, std::string_view s) {
    constexpr size_t kChunk = 1 << 20;
    if (chunks_.empty() || chunks_.back().capacity() - chunks_.back().size() < s.size()) {
      chunks_.emplace_back();
      chunks_.back().reserve(s.size() > kChunk ? s.size() : kChunk);
    }
    std::string& c = chunks_.back();
    l.chunk = static_cast<std::uint32_t>(chunks_.size() - 1);
    l.off = static_cast<std::uint32_t>(c.size());
    l.len = static_cast<std::uint32_t>(s.size());
    c.append(s);
  }
  std::string_view get(const TreeLine& l) const {
    return std::string_view(chunks_[l.chunk]).substr(l.off, l.len);
  }

 private:
  std::vector<std::string> chunks_;
};

struct TreeBuilder {
  // A deque grows in blocks: no copy of all lines at every doubling.
  std::deque<TreeLine> lines;
  TextStore store;
  std::string scratch;  // the line text being assembled
  int nextline = 1;
  int treedepth = -1;
  int maxdepth = 0;
  bool started = false;      // the first start line of the run has been placed
  bool gave_record = false;  // AddTreeLine returned the call record itself
  long long maxlines = 0;    // size guard
  std::vector<int> levelcursor;  // record index last taken at each depth (-1: none)
  std::vector<int> levelfunc;    // definition scanned at each depth
  std::vector<int> position;     // scan position at each depth
  std::vector<int> pathnames;  // name ids on the path, start name first (-1: a name no record has)
  std::vector<int> onpath;     // the same, counted per name id
  std::string callee;
  // Without -a a call of an undefined function adds nothing; quietrun[i] is
  // the last record of the stretch of such calls that starts at i (-1: none),
  // so an expansion passes over the stretch at once.
  std::vector<int> quietrun;

  std::string_view text(const TreeLine& l) const { return store.get(l); }
};

}  // namespace zelta
