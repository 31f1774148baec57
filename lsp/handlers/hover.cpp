#include <set>

#include "answers.h"
#include "handlers/handlers.h"

namespace zelta::lsp {

// Where the function is defined and how many functions call it and it calls.
json HoverAt(Server& s, const json& params) {
  Range word;
  const int f = FunctionAt(s, params, &word);
  if (f < 0) return nullptr;
  const CodeIndex& ix = *s.index;
  const Function& fn = ix.functions[static_cast<size_t>(f)];
  // A function counts among the pointer ones when every call of the pair
  // goes through a pointer.
  std::set<int> callers, callees, direct_callers, direct_callees;
  for (int c : ix.callers_of(f)) {
    const Call& call = ix.calls[static_cast<size_t>(c)];
    callers.insert(call.caller);
    if (!call.pointer) direct_callers.insert(call.caller);
  }
  size_t undefined = 0;
  std::set<std::string_view> undefined_names;
  for (int c = fn.calls_begin; c < fn.calls_end; ++c) {
    const Call& call = ix.calls[static_cast<size_t>(c)];
    if (call.target >= 0) {
      callees.insert(call.target);
      if (!call.pointer) direct_callees.insert(call.target);
    } else if (undefined_names.insert(call.name).second)
      ++undefined;
  }
  std::string text = "**" + std::string(fn.name) + "**";
  if (fn.file >= 0) text += " — " + ix.files[static_cast<size_t>(fn.file)] + ":" + std::to_string(fn.line + 1);
  text += "\n\n" + std::to_string(callers.size()) + (callers.size() == 1 ? " caller, " : " callers, ") +
          std::to_string(callees.size()) + (callees.size() == 1 ? " callee" : " callees");
  if (undefined > 0) text += " (and " + std::to_string(undefined) + " defined nowhere)";
  const size_t by_pointer_in = callers.size() - direct_callers.size();
  const size_t by_pointer_out = callees.size() - direct_callees.size();
  if (by_pointer_in + by_pointer_out > 0)
    text += "\n\n関数ポインタ経由: " + std::to_string(by_pointer_in) + " caller" + (by_pointer_in == 1 ? ", " : "s, ") +
            std::to_string(by_pointer_out) + " callee" + (by_pointer_out == 1 ? "" : "s");
  const size_t defs = ix.definitions(fn.name).size();
  if (defs > 1) text += "\n\n" + std::to_string(defs) + " definitions of this name";
  return Hover{text, word};
}

}  // namespace zelta::lsp
