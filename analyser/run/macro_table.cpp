#include "run/preprocessor_state.h"
#include "run/reader_state.h"

namespace zelta {

unsigned machash(std::string_view text) {
  uint32_t h = 0;
  for (char c : text) h = h * 31u + static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(c)));
  return h % MacroTable::kBuckets;
}

static std::string_view head_name(std::string_view head) {
  size_t p = head.find('(');
  return p == std::string_view::npos ? head : head.substr(0, p);
}

MacroRec* MacroTable::maclookup(std::string_view key) {
  // A head that starts with "(" has an empty name, which no use can name.
  std::string_view name = head_name(key);
  if (name.empty()) return nullptr;
  const int id = name_of(name);
  if (id < 0 || machash(name) != machash(key)) return nullptr;
  const std::vector<uint32_t>& recs = by_name_[static_cast<size_t>(id)];
  for (auto r = recs.rbegin(); r != recs.rend(); ++r) {
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
    const int id = index_.find(found->macroname);
    live_[static_cast<size_t>(id)] = newest_defined(id);
    return;
  }
  MacroRec& r = recs_.emplace_back();
  r.head.assign(head);
  r.macroname.assign(macroname);
  r.body.assign(body);
  parse_head(r);
  const std::uint64_t h = NameIndex::hash(macroname);
  int id = index_.find(macroname, h);
  if (id < 0) {
    id = static_cast<int>(names_.size());
    index_.add(names_.emplace_back(macroname), h, id);
    by_name_.emplace_back();
    live_.push_back(nullptr);
    if (!macroname.empty()) {
      for (int k = 0; k < 2; ++k) {
        const size_t b = filter_bit(h, k);
        filter_[b / 64] |= std::uint64_t{1} << (b % 64);
      }
    }
  }
  by_name_[static_cast<size_t>(id)].push_back(static_cast<uint32_t>(recs_.size() - 1));
  live_[static_cast<size_t>(id)] = &r;
}

void MacroTable::macundef(std::string_view name) {
  const int id = name.empty() ? index_.find(name) : name_of(name);
  if (id < 0) return;
  for (uint32_t i : by_name_[static_cast<size_t>(id)]) recs_[i].undefined = 1;
  live_[static_cast<size_t>(id)] = nullptr;
}

const MacroRec* MacroTable::newest_defined(int id) const {
  if (id < 0) return nullptr;
  const std::vector<uint32_t>& recs = by_name_[static_cast<size_t>(id)];
  for (auto r = recs.rbegin(); r != recs.rend(); ++r) {
    const MacroRec& rec = recs_[*r];
    if (!rec.undefined) return &rec;
  }
  return nullptr;
}

}  // namespace zelta
