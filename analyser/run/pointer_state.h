// Run-wide facts of the calls through function pointers (-p): where the
// sources store functions, where bodies call through pointers, and the edge
// list the tree walks once the two are joined. Empty unless -p is set.
#pragma once
#include <cstdint>
#include <deque>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "run/calltree_state.h"

namespace zelta {

// How a pointer call's target was found, most precise first.
enum class PointerKind : std::uint8_t {
  kNone = 0,
  kStructField = 1,  // what is stored in that field of that struct type
  kField = 2,        // what is stored in a field of that name, any type
  kVariable = 3,     // what is stored in that variable (or table)
  kParameter = 4,    // what the callers pass at that parameter's position
};

// A function name as a store names it, with the file it was read in (the
// name resolves as a call from that file would).
struct StoredName {
  std::string name;
  int file = 0;
};

// One call through a pointer in a body.
struct PointerSite {
  int owner = -1;        // the definition record whose body holds it
  int after = -1;        // the record it follows, or replaces
  bool replaces = false; // the extraction took the field or variable for a called name
  std::string type;      // the struct type of the chain's first name ("": unknown)
  std::vector<std::string> chain;  // the members between that name and `field`
  std::string field;     // a call through a member
  std::string var;       // a call through a variable or a table
  int param = -1;        // `var` is that parameter of the owner (0-based)
  bool local = false;    // `var` is declared in the owner's body
  RecordPlace place;     // kept under -j
};

struct PointerFacts {
  // Stores, by where they put the function.
  std::unordered_map<std::string, std::vector<StoredName>> by_struct_field;  // "type.field"
  std::unordered_map<std::string, std::vector<StoredName>> by_field;         // "field"
  std::unordered_map<std::string, std::vector<StoredName>> by_global;        // "var"
  std::unordered_map<std::string, std::vector<StoredName>> by_local;         // "owner record:var"
  std::unordered_map<std::string, std::vector<StoredName>> by_param;         // "function:k"
  // A parameter handed on unchanged: (from "function:k", to "function:k").
  std::vector<std::pair<std::string, std::string>> forwards;
  // Declarations: struct members in order, member types, typedef names.
  std::unordered_map<std::string, std::vector<std::string>> members;   // struct type -> member names
  std::unordered_map<std::string, std::string> member_type;            // "type.member" -> struct type
  std::unordered_map<std::string, std::string> alias;                  // typedef name -> struct type
  std::unordered_map<std::string, std::string> global_type;            // global variable -> struct type ("" none)
  std::vector<PointerSite> sites;
  // The current source's records by where their names stand in its
  // cleaned text (handed over by the extraction).
  std::vector<std::pair<size_t, int>> unit_records;

  // After the join: the callees' edge list in the layout of Records::list,
  // each pointer target an entry of its own after its call site.
  std::deque<FuncRecord> edges;
  std::vector<int> edge_record;  // the record an entry stands for (a target: its definition)
  std::vector<int> edge_site;    // the site a target entry came from (-1: a record's own entry)
  std::vector<int> head;         // definition record -> its entry
  std::vector<std::vector<std::pair<int, PointerKind>>> targets;  // per site: definition, kind
  long long unresolved = 0;      // sites that reach no definition
  bool joined = false;
};

}  // namespace zelta
