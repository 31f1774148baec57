#include <unistd.h>
#include <filesystem>

#include "answers.h"
#include "config/version.h"
#include "handlers/handlers.h"

namespace zelta::lsp {

namespace {

void add_root(Server& s, const std::string& path) {
  if (path.empty()) return;
  std::error_code ec;
  const std::filesystem::path p = std::filesystem::weakly_canonical(path, ec);
  if (ec || !std::filesystem::is_directory(p, ec)) return;
  // The folder as given, links kept: the answers name files as the editor does.
  std::string root = std::filesystem::path(path).lexically_normal().string();
  while (root.size() > 1 && root.back() == '/') root.pop_back();
  for (const std::string& r : s.roots)
    if (r == root) return;
  s.roots.push_back(root);
}

}  // namespace

json Initialize(Server& s, const json& params) {
  if (s.initialized) throw RequestError{ErrorCode::kInvalidRequest, "initialize came before"};
  if (!params.is_object()) throw RequestError{ErrorCode::kInvalidParams, "parameters must be an object"};
  if (auto f = params.find("workspaceFolders"); f != params.end() && f->is_array()) {
    for (const json& w : *f)
      if (w.is_object() && w.contains("uri") && w["uri"].is_string())
        add_root(s, uri_to_path(w["uri"].get<std::string>()));
  }
  if (s.roots.empty()) {
    if (auto u = params.find("rootUri"); u != params.end() && u->is_string())
      add_root(s, uri_to_path(u->get<std::string>()));
  }
  if (s.roots.empty()) {
    if (auto p = params.find("rootPath"); p != params.end() && p->is_string()) add_root(s, p->get<std::string>());
  }
  // <...> includes and a relative include path are taken from the first folder.
  if (!s.roots.empty() && ::chdir(s.roots.front().c_str()) != 0) s.roots.clear();
  if (auto c = params.find("capabilities"); c != params.end() && c->is_object()) {
    const json w = c->value("window", json::object());
    s.progress_supported = w.is_object() && w.value("workDoneProgress", false) == true;
  }
  if (auto o = params.find("initializationOptions"); o != params.end() && o->is_object())
    if (auto p = o->find("pointers"); p != o->end() && p->is_boolean()) s.pointer_calls = p->get<bool>();
  s.initialized = true;
  s.reanalyse();
  return {
      {"capabilities",
       {{"positionEncoding", "utf-16"},
        {"textDocumentSync", {{"openClose", true}, {"change", 1}, {"save", {{"includeText", false}}}}},
        {"callHierarchyProvider", true},
        {"definitionProvider", true},
        {"referencesProvider", true},
        {"workspaceSymbolProvider", true},
        {"documentSymbolProvider", true},
        {"hoverProvider", true}}},
      {"serverInfo", {{"name", "zelta-lsp"}, {"version", kVersionText}}},
  };
}

void Initialized(Server&, const json&) {}

json Shutdown(Server& s, const json&) {
  s.shut_down = true;
  return nullptr;
}

void Exit(Server& s, const json&) { s.exit_status = s.shut_down ? 0 : 1; }

void CancelRequest(Server&, const json&) {}

void Ignored(Server&, const json&) {}

}  // namespace zelta::lsp
