#include "run/preprocessor_state.h"
#include "run/reader_state.h"

namespace zelta {

unsigned machash(std::string_view text) {
  uint32_t h = 0;
  for (char c : text) h = h * 31u + static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(c)));
  return h % MacroTable::kBuckets;
}

static std::string_view name_of(std::string_view head) {
  size_t p = head.find('(');
  return p == std::string_view::npos ? head : head.substr(0, p);
}

MacroRec* MacroTable::maclookup(std::string_view key) {
  // A head that starts with "(" has an empty name, which the filter cannot hash.
  std::string_view name = name_of(key);
  if (name.empty() || !filter_.test(filter_index(name))) return nullptr;
  if (machash(name) != machash(key)) return nullptr;
  auto it = byname_.find(name);
  if (it == byname_.end()) return nullptr;
  for (auto r = it->second.rbegin(); r != it->second.rend(); ++r) {
    MacroRec& rec = recs_[*r];
    if (rec.head == key) return rec.undefined ? nullptr : &rec;
  }
  return nullptr;
}

static void parse_head(MacroRec& r) {
  size_t open = r.head.find('(');
  if (open == std::string::npos) {
    r.pattern = r.head;
    return;
  }
  r.has_params = true;
  r.pattern = r.head.substr(0, open + 1);
  size_t close = r.head.find(')', open + 1);
  std::string_view list(r.head);
  list = list.substr(open + 1, close == std::string::npos ? std::string_view::npos : close - open - 1);
  std::string cur;
  for (char c : list) {
    if (c == ',') {
      r.params.push_back(cur);
      cur.clear();
    } else if (!is_c_space(static_cast<unsigned char>(c))) {
      cur.push_back(c);
    }
  }
  // A trailing "..." takes the variable arguments: named __VA_ARGS__ in the
  // body, or by the name before it (args...).
  if (cur.size() >= 3 && cur.compare(cur.size() - 3, 3, "...") == 0) {
    r.variadic = true;
    cur.resize(cur.size() - 3);
    if (cur.empty()) cur = "__VA_ARGS__";
  }
  r.params.push_back(cur);
}

void MacroTable::macdefine(std::string_view head, std::string_view macroname, std::string_view body) {
  if (MacroRec* found = maclookup(head)) {
    found->body.assign(body);
    found->undefined = 0;
    return;
  }
  MacroRec& r = recs_.emplace_back();
  r.head.assign(head);
  r.macroname.assign(macroname);
  r.body.assign(body);
  parse_head(r);
  if (!macroname.empty()) filter_.set(filter_index(macroname));
  auto it = byname_.find(macroname);
  if (it == byname_.end()) it = byname_.emplace(std::string(macroname), std::vector<uint32_t>{}).first;
  it->second.push_back(static_cast<uint32_t>(recs_.size() - 1));
}

void MacroTable::macundef(std::string_view name) {
  auto it = byname_.find(name);
  if (it == byname_.end()) return;
  for (uint32_t i : it->second) recs_[i].undefined = 1;
}

const MacroRec* MacroTable::find_for_expansion(std::string_view name) const {
  if (name.empty() || !filter_.test(filter_index(name))) return nullptr;
  auto it = byname_.find(name);
  if (it == byname_.end()) return nullptr;
  for (auto r = it->second.rbegin(); r != it->second.rend(); ++r) {
    const MacroRec& rec = recs_[*r];
    if (!rec.undefined) return &rec;
  }
  return nullptr;
}

}  // namespace zelta
