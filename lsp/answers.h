// Pieces every answer is made of: the function at a position, a function
// as a call-hierarchy item, the ranges of definitions and call sites.
#pragma once
#include <string>

#include "protocol.h"
#include "server.h"

namespace zelta::lsp {

// The path of params.textDocument.uri; empty for a URI that is no file.
std::string DocumentPath(const json& params);
// Whether a path is one the analysis reads (C sources and headers).
bool IsCFile(const std::string& path);

// The function named at params.position in params.textDocument: the one
// defined there, the target of the call there, or else the definition the
// name stands for in that file (that file's own first, then the first).
// -1 when there is none. `word` receives the name's range.
int FunctionAt(Server& s, const json& params, Range* word = nullptr);

Range NameRange(Server& s, const Function& f);
Range BodyRange(Server& s, const Function& f);
Range CallRange(Server& s, const Call& c);
Location DefinitionLocation(Server& s, int f);
CallHierarchyItem ItemOf(Server& s, int f);
// The function an item's data names in the present index (-1: gone).
int FunctionOfItem(Server& s, const json& item);

}  // namespace zelta::lsp
