// Run-wide state of the function extraction and the tree builder.
#pragma once
#include <algorithm>
#include <climits>
#include <cstdint>
#include <iterator>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "run/name_index.h"

namespace zelta {

struct PointerFacts;

// One definition occurrence or one call occurrence. Records live in creation
// order; `next`/`prev` of the list are the neighbours in Records::list.
struct FuncRecord {
  int nameid = 0;  // the interned name (Records::names); Records::name_of spells it
  int file = 0;           // index into Records::files
  std::int8_t isdef = 0;  // on the definition chain (`nextdef`)
  std::int8_t recursive = 0;
  std::int8_t stdfunc = -1;  // -1 undecided, 1 undefined, 0 defined
  std::int8_t shown = 0;
  std::int8_t groupend = 0;
  std::int8_t pointer = 0;  // -p: a target of a call through a pointer (its PointerKind)
  int firstline = 0;
  int lastline = 0;
};

// Where a record's name stands in the sources: an index in the run's
// SourceFiles (-1: not known) and the 1-based line in that file.
struct RecordPlace {
  int file = -1;
  int line = 0;
};

struct Records {
  // A deque keeps every record (and so every name) at a fixed address while
  // the list grows; the indexes below refer to records by position.
  std::deque<FuncRecord> list;
  std::vector<int> defs;  // the definition chain, in definition order
  // Every distinct name once; records refer to it by id. A deque keeps the
  // texts in place, so the views into them stay valid.
  std::deque<std::string> names;
  NameIndex nameids;
  std::vector<std::string> files;        // source file names as given
  std::vector<std::string> files_cp932;  // the same, for writing into CP932 files
  std::vector<std::string> paths;        // each source as opened (file_ids' keys)
  std::unordered_map<std::string, int> file_ids;
  // First definition of each name id (-1: none), and of "main" per file.
  // For a name defined in more than one file (multifile, by name id), the
  // first definition in each further file, keyed by file and name id
  // (calltree/resolution.h).
  std::vector<int> firstdef;
  std::vector<std::uint8_t> multifile;
  std::unordered_map<std::uint64_t, int> filedef;
  std::unordered_map<int, int> main_by_file;
  int maincount = 0;  // definitions named "main"
  std::vector<std::string> keywords;
  // Kept under -j only, so that other runs pay nothing for them: each
  // record's place (by record index), and the analysed source each file's
  // records came from as (first record index, SourceFiles index).
  std::vector<RecordPlace> places;
  std::vector<std::pair<int, int>> units;

  bool empty() const { return list.empty(); }
  std::string_view name_of(const FuncRecord& r) const { return names[static_cast<size_t>(r.nameid)]; }
  int name_id(std::string_view name) const { return nameids.find(name); }
  int def_of(int nameid) const { return nameid < 0 ? -1 : firstdef[static_cast<size_t>(nameid)]; }
  int find_def(std::string_view name) const { return def_of(name_id(name)); }
  RecordPlace place_of(int record) const {
    return static_cast<size_t>(record) < places.size() ? places[static_cast<size_t>(record)] : RecordPlace{};
  }
  // The SourceFiles index of the analysed source a record came from (-1: not kept).
  int unit_of(int record) const {
    auto it = std::upper_bound(units.begin(), units.end(), std::pair<int, int>(record, INT_MAX));
    return it == units.begin() ? -1 : std::prev(it)->second;
  }
};

// What a tree line shows. The builder decides it; the writers spell it.
enum class LineKind : std::uint8_t {
  kFunction,         // a defined function (rec: its definition)
  kRecursive,        // a direct self-call, not expanded (":RecurrciveCall")
  kReference,        // -e: drawn before, on lines rec.firstline to aux ("=%d-%d")
  kStdfunc,          // -a: a function the sources do not define (rec: the call)
  kLoop,             // "LOOP LOOP LOOP": rec is being expanded on line aux above
  kUndefinedStart,   // -r: an undefined start function (rec: one of its calls)
};

// One output line of the tree: facts, no text. `rec` indexes Records::list.
struct TreeLine {
  std::int32_t level = 0;
  std::int32_t rec = -1;
  std::int32_t aux = 0;
  LineKind kind = LineKind::kFunction;
  std::uint8_t hasnext : 1 = 1;
  std::uint8_t hastext : 1 = 0;  // only the empty first line lacks one
  std::uint8_t pointer : 1 = 0;  // -p: reached through a function pointer
};

struct TreeBuilder {
  // A deque grows in blocks: no copy of all lines at every doubling.
  std::deque<TreeLine> lines;
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
  // For each entry of the path, the definition being expanded and its line.
  std::vector<int> pathdefs;
  std::vector<int> pathlines;
  std::string startword;  // the -f word of a single tree (NAME or FILE:NAME)
  std::string callee;
  // Without -a a call of an undefined function adds nothing; quietrun[i] is
  // the last record of the stretch of such calls that starts at i (-1: none),
  // so an expansion passes over the stretch at once.
  std::vector<int> quietrun;
  // The edges the walk follows, in the layout of the record list: a head per
  // function, then one record per edge, groupend on the last. The callees
  // tree walks Records::list itself; the callers tree walks a reversed list,
  // where `edgedef` names the definition each entry stands for and `defhead`
  // (by definition record) the head of that definition's callers.
  std::deque<FuncRecord>* edges = nullptr;
  const std::vector<int>* edgedef = nullptr;
  const std::vector<int>* defhead = nullptr;
  // -p: the callees tree walks the record list together with the groups the
  // pointer facts laid out again (`edges` and the rest unused).
  PointerFacts* pointers = nullptr;
};

}  // namespace zelta
