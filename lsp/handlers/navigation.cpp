#include "answers.h"
#include "handlers/handlers.h"

namespace zelta::lsp {

json Definition(Server& s, const json& params) {
  const int f = FunctionAt(s, params);
  if (f < 0) return nullptr;
  return DefinitionLocation(s, f);
}

// Every call site of the function, in reading order; with
// includeDeclaration, its definition first.
json References(Server& s, const json& params) {
  const int f = FunctionAt(s, params);
  if (f < 0) return nullptr;
  const CodeIndex& ix = *s.index;
  json out = json::array();
  const json context = params.value("context", json::object());
  if (context.is_object() && context.value("includeDeclaration", false) == true)
    out.push_back(DefinitionLocation(s, f));
  for (int c : ix.callers_of(f)) {
    const Call& call = ix.calls[static_cast<size_t>(c)];
    if (call.file < 0) continue;
    out.push_back(Location{path_to_uri(ix.files[static_cast<size_t>(call.file)]), CallRange(s, call)});
  }
  return out;
}

}  // namespace zelta::lsp
