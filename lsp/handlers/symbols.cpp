#include <algorithm>
#include <cctype>

#include "answers.h"
#include "handlers/handlers.h"

namespace zelta::lsp {

namespace {

char lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

// 0: the name itself, 1: a prefix, 2: a prefix ignoring case, 3: the
// query's letters in order (fuzzy); -1: no match.
int match_rank(std::string_view name, std::string_view query) {
  if (name == query) return 0;
  if (name.substr(0, query.size()) == query) return 1;
  size_t q = 0;
  bool prefix = name.size() >= query.size();
  for (size_t i = 0; i < query.size() && prefix; ++i) prefix = lower(name[i]) == lower(query[i]);
  if (prefix) return 2;
  for (size_t i = 0; i < name.size() && q < query.size(); ++i)
    if (lower(name[i]) == lower(query[q])) ++q;
  return q == query.size() ? 3 : -1;
}

// Editors show a short list and ask again as the query grows.
constexpr size_t kMaxSymbols = 100;

}  // namespace

json WorkspaceSymbol(Server& s, const json& params) {
  const std::string query = string_member(params, "query");
  const CodeIndex& ix = *s.index;
  std::vector<std::pair<int, std::string_view>> hits;
  for (std::string_view name : ix.sorted_names()) {
    const int rank = match_rank(name, query);
    if (rank >= 0) hits.emplace_back(rank, name);
  }
  std::stable_sort(hits.begin(), hits.end(), [](const auto& a, const auto& b) {
    return a.first != b.first ? a.first < b.first : a.second.size() < b.second.size();
  });
  json out = json::array();
  for (const auto& [rank, name] : hits) {
    for (int f : ix.definitions(name)) {
      if (out.size() >= kMaxSymbols) return out;
      const Function& fn = ix.functions[static_cast<size_t>(f)];
      if (fn.file < 0) continue;
      SymbolInformation sym;
      sym.name = std::string(name);
      sym.location = Location{path_to_uri(ix.files[static_cast<size_t>(fn.file)]), NameRange(s, fn)};
      const std::string& path = ix.files[static_cast<size_t>(fn.file)];
      sym.containerName = path.substr(path.rfind('/') + 1);
      out.push_back(sym);
    }
  }
  return out;
}

json DocumentSymbols(Server& s, const json& params) {
  const std::string uri = string_member(member(params, "textDocument"), "uri");
  const std::string path = uri_to_path(uri);
  json out = json::array();
  if (path.empty() || !IsCFile(path)) return out;
  s.current_document(uri);
  const CodeIndex& ix = *s.index;
  for (int f : ix.functions_in(ix.file_id(path))) {
    const Function& fn = ix.functions[static_cast<size_t>(f)];
    DocumentSymbol sym;
    sym.name = std::string(fn.name);
    sym.detail = std::to_string(ix.callers_of(f).size()) + " callers";
    sym.range = BodyRange(s, fn);
    sym.selectionRange = NameRange(s, fn);
    out.push_back(sym);
  }
  return out;
}

}  // namespace zelta::lsp
