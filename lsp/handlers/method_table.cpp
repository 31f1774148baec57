#include "handlers/handlers.h"

namespace zelta::lsp {

namespace {

Method request(RequestFn f, bool needs_index = true) { return Method{f, nullptr, needs_index}; }
Method notification(NotificationFn f) { return Method{nullptr, f, false}; }

}  // namespace

const MethodTable& Methods() {
  static const MethodTable table = {
      {"initialize", request(Initialize, false)},
      {"initialized", notification(Initialized)},
      {"shutdown", request(Shutdown, false)},
      {"exit", notification(Exit)},
      {"$/cancelRequest", notification(CancelRequest)},
      {"textDocument/didOpen", notification(DidOpen)},
      {"textDocument/didChange", notification(DidChange)},
      {"textDocument/didSave", notification(DidSave)},
      {"textDocument/didClose", notification(DidClose)},
      {"workspace/didChangeWatchedFiles", notification(DidChangeWatchedFiles)},
      {"workspace/didChangeConfiguration", notification(Ignored)},
      {"$/setTrace", notification(Ignored)},
      {"textDocument/prepareCallHierarchy", request(PrepareCallHierarchy)},
      {"callHierarchy/incomingCalls", request(IncomingCalls)},
      {"callHierarchy/outgoingCalls", request(OutgoingCalls)},
      {"textDocument/definition", request(Definition)},
      {"textDocument/references", request(References)},
      {"workspace/symbol", request(WorkspaceSymbol)},
      {"textDocument/documentSymbol", request(DocumentSymbols)},
      {"textDocument/hover", request(HoverAt)},
  };
  return table;
}

}  // namespace zelta::lsp
