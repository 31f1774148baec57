// Every method's handler, one family per file; method_table.cpp binds them.
#pragma once
#include "server.h"

namespace zelta::lsp {

// lifecycle.cpp
json Initialize(Server& s, const json& params);
void Initialized(Server& s, const json& params);
json Shutdown(Server& s, const json& params);
void Exit(Server& s, const json& params);
void CancelRequest(Server& s, const json& params);  // answered by the server's queue itself

// document_sync.cpp
void DidOpen(Server& s, const json& params);
void DidChange(Server& s, const json& params);
void DidSave(Server& s, const json& params);
void DidClose(Server& s, const json& params);
void DidChangeWatchedFiles(Server& s, const json& params);
void Ignored(Server& s, const json& params);

// call_hierarchy.cpp
json PrepareCallHierarchy(Server& s, const json& params);
json IncomingCalls(Server& s, const json& params);
json OutgoingCalls(Server& s, const json& params);

// navigation.cpp
json Definition(Server& s, const json& params);
json References(Server& s, const json& params);

// symbols.cpp
json WorkspaceSymbol(Server& s, const json& params);
json DocumentSymbols(Server& s, const json& params);

// hover.cpp
json HoverAt(Server& s, const json& params);

}  // namespace zelta::lsp
