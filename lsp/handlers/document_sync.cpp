#include <fstream>
#include <sstream>

#include "answers.h"
#include "handlers/handlers.h"

namespace zelta::lsp {

namespace {

long long version_of(const json& doc) {
  auto v = doc.find("version");
  return v != doc.end() && v->is_number_integer() ? v->get<long long>() : 0;
}

// One change event: the whole text, or a range of it replaced.
void apply_change(std::string& text, const json& change) {
  const std::string with = string_member(change, "text");
  auto r = change.find("range");
  if (r == change.end()) {
    text = with;
    return;
  }
  const Position a = position_member(*r, "start"), b = position_member(*r, "end");
  const LineText lines(text);
  const auto offset = [&](Position p) -> size_t {
    if (p.line >= lines.lines()) return text.size();
    size_t at = 0;
    for (int l = 0; l < p.line; ++l) at = text.find('\n', at) + 1;
    const int byte = lines.byte_of(p.line, p.character);
    return at + static_cast<size_t>(byte < 0 ? static_cast<int>(lines.line(p.line).size()) : byte);
  };
  const size_t from = offset(a), to = offset(b);
  if (to < from) throw RequestError{ErrorCode::kInvalidParams, "a change range ends before it starts"};
  text.replace(from, to - from, with);
}

}  // namespace

void DidOpen(Server& s, const json& params) {
  const json& doc = member(params, "textDocument");
  const std::string uri = string_member(doc, "uri");
  Document d;
  d.path = uri_to_path(uri);
  if (d.path.empty()) return;
  d.text = string_member(doc, "text");
  d.version = version_of(doc);
  s.check_current(d);
  const bool again = IsCFile(d.path) && !d.current;
  s.documents[uri] = std::move(d);
  if (again) s.reanalyse();
}

void DidChange(Server& s, const json& params) {
  const json& doc = member(params, "textDocument");
  auto it = s.documents.find(string_member(doc, "uri"));
  if (it == s.documents.end()) return;  // a document never opened
  const json& changes = member(params, "contentChanges");
  if (!changes.is_array()) throw RequestError{ErrorCode::kInvalidParams, "contentChanges must be an array"};
  std::string text = it->second.text;
  for (const json& c : changes) apply_change(text, c);
  it->second.text = std::move(text);
  it->second.version = version_of(doc);
  it->second.current = false;
  if (IsCFile(it->second.path)) s.reanalyse();
}

void DidSave(Server& s, const json& params) {
  const std::string uri = string_member(member(params, "textDocument"), "uri");
  const std::string path = uri_to_path(uri);
  if (!path.empty() && IsCFile(path)) s.reanalyse();
}

void DidClose(Server& s, const json& params) {
  auto it = s.documents.find(string_member(member(params, "textDocument"), "uri"));
  if (it == s.documents.end()) return;
  const std::string path = it->second.path;
  s.documents.erase(it);
  // Its unsaved text no longer counts: analysed again when the index read it.
  if (!s.index || !IsCFile(path)) return;
  auto o = s.index->overlays.find(path);
  if (o == s.index->overlays.end()) return;
  std::ifstream in(path, std::ios::binary);
  std::ostringstream disk;
  if (in) disk << in.rdbuf();
  if (disk.str() != o->second.text) s.reanalyse();
}

void DidChangeWatchedFiles(Server& s, const json& params) {
  const json& changes = member(params, "changes");
  if (!changes.is_array()) return;
  for (const json& c : changes) {
    if (!c.is_object() || !c.contains("uri") || !c["uri"].is_string()) continue;
    const std::string path = uri_to_path(c["uri"].get<std::string>());
    if (IsCFile(path) || path.ends_with("/zelta.ini")) {
      s.reanalyse();
      return;
    }
  }
}

}  // namespace zelta::lsp
