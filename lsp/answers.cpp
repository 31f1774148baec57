#include "answers.h"

#include <algorithm>

namespace zelta::lsp {

std::string DocumentPath(const json& params) {
  const json& doc = member(params, "textDocument");
  return uri_to_path(string_member(doc, "uri"));
}

bool IsCFile(const std::string& path) {
  const auto ends = [&](const char* s) {
    const size_t n = std::char_traits<char>::length(s);
    return path.size() > n && path.compare(path.size() - n, n, s) == 0;
  };
  return ends(".c") || ends(".h");
}

int FunctionAt(Server& s, const json& params, Range* word) {
  const std::string uri = string_member(member(params, "textDocument"), "uri");
  const Position pos = position_member(params, "position");
  const std::string path = uri_to_path(uri);
  if (path.empty() || !IsCFile(path)) return -1;
  s.current_document(uri);  // refuses a buffer changed since the analysis
  const CodeIndex& ix = *s.index;
  const LineText& text = s.text_of(path);
  if (pos.line >= text.lines()) return -1;
  Range r;
  const std::string name = text.word_at(pos, &r);
  if (name.empty()) return -1;
  if (word) *word = r;
  const int file = ix.file_id(path);
  for (int f : ix.functions_in(file)) {
    const Function& fn = ix.functions[static_cast<size_t>(f)];
    if (fn.line == pos.line && fn.name == name) return f;
  }
  const std::vector<int>& calls = ix.calls_in(file);
  auto at = std::lower_bound(calls.begin(), calls.end(), pos.line,
                             [&](int c, int line) { return ix.calls[static_cast<size_t>(c)].line < line; });
  for (; at != calls.end() && ix.calls[static_cast<size_t>(*at)].line == pos.line; ++at) {
    const Call& c = ix.calls[static_cast<size_t>(*at)];
    if (c.name == name) return c.target;
  }
  return ix.resolve(name, file);
}

Range NameRange(Server& s, const Function& f) {
  if (f.file < 0) return Range{{f.line, 0}, {f.line, 0}};
  return s.text_of(s.index->files[static_cast<size_t>(f.file)]).name_range(f.line, f.name, 0);
}

Range BodyRange(Server& s, const Function& f) {
  if (f.file < 0) return Range{{f.line, 0}, {f.line, 0}};
  const LineText& t = s.text_of(s.index->files[static_cast<size_t>(f.file)]);
  const int end = t.body_end(f.line);
  return Range{{f.line, 0}, {end, t.column_of(end, static_cast<int>(t.line(end).size()))}};
}

Range CallRange(Server& s, const Call& c) {
  if (c.file < 0) return Range{{c.line, 0}, {c.line, 0}};
  return s.text_of(s.index->files[static_cast<size_t>(c.file)]).name_range(c.line, c.pointer && !c.via.empty() ? c.via : c.name,
                                                                    c.pointer ? 0 : c.nth);
}

Location DefinitionLocation(Server& s, int f) {
  const Function& fn = s.index->functions[static_cast<size_t>(f)];
  return Location{fn.file >= 0 ? path_to_uri(s.index->files[static_cast<size_t>(fn.file)]) : std::string(),
                  NameRange(s, fn)};
}

CallHierarchyItem ItemOf(Server& s, int f) {
  const CodeIndex& ix = *s.index;
  const Function& fn = ix.functions[static_cast<size_t>(f)];
  CallHierarchyItem item;
  item.name = std::string(fn.name);
  if (fn.file >= 0) {
    const std::string& path = ix.files[static_cast<size_t>(fn.file)];
    item.uri = path_to_uri(path);
    item.detail = path.substr(path.rfind('/') + 1) + ":" + std::to_string(fn.line + 1);
  }
  item.range = BodyRange(s, fn);
  item.selectionRange = NameRange(s, fn);
  item.data = {{"name", item.name}, {"uri", item.uri}, {"line", fn.line}};
  return item;
}

int FunctionOfItem(Server& s, const json& item) {
  const CodeIndex& ix = *s.index;
  std::string name, uri;
  int line = -1;
  const auto it = item.is_object() ? item.find("data") : item.end();
  if (item.is_object() && it != item.end() && it->is_object()) {
    const json& d = *it;
    if (d.contains("name") && d["name"].is_string()) name = d["name"].get<std::string>();
    if (d.contains("uri") && d["uri"].is_string()) uri = d["uri"].get<std::string>();
    if (d.contains("line") && d["line"].is_number_integer()) line = d["line"].get<int>();
  } else {
    // A client that does not hand data back: the item's own name and place.
    name = string_member(item, "name");
    uri = string_member(item, "uri");
    line = position_member(member(item, "selectionRange"), "start").line;
  }
  const std::vector<int>& defs = ix.definitions(name);
  const int file = ix.file_id(uri_to_path(uri));
  int best = -1, distance = 0;
  for (int f : defs) {
    const Function& fn = ix.functions[static_cast<size_t>(f)];
    if (fn.file != file) continue;
    const int d = std::abs(fn.line - line);
    if (best < 0 || d < distance) {
      best = f;
      distance = d;
    }
  }
  return best >= 0 ? best : (defs.empty() ? -1 : ix.resolve(name, file));
}

}  // namespace zelta::lsp
