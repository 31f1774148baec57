// What the server answers from: the functions and calls of one analysis,
// with the files they stand in. Built once per analysis from the analyser's
// records, their places and the call index, then only read; a new analysis
// builds a new one that replaces this one whole.
#pragma once
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace zelta {
struct Run;
class CallIndex;
struct PointerFacts;
}  // namespace zelta

namespace zelta::lsp {

struct Function {
  std::string_view name;  // into CodeIndex::names_
  int file = -1;          // CodeIndex::files index; -1: not known
  int line = 0;           // 0-based line of the name
  int calls_begin = 0;    // its body's calls: calls[calls_begin, calls_end)
  int calls_end = 0;
};

struct Call {
  int caller = -1;  // functions index
  int target = -1;  // functions index; -1: a function defined nowhere
  std::string_view name;
  int file = -1;
  int line = 0;  // 0-based
  int nth = 0;   // how many calls of the same name stand before it on its line
  bool pointer = false;  // through a function pointer: `via` is the field or variable called
  std::string_view via;
};

class CodeIndex {
 public:
  // `root`: relative paths of the run are taken from there. `pointers`
  // (joined): the calls through function pointers join each body's calls.
  static std::shared_ptr<CodeIndex> Build(const Run& run, const CallIndex& calls, const std::string& root,
                                          const PointerFacts* pointers = nullptr);

  std::vector<std::string> files;   // absolute paths
  std::vector<Function> functions;  // in definition order
  std::vector<Call> calls;          // in reading order

  int file_id(const std::string& path) const;
  // The calls whose target is function f, in reading order.
  const std::vector<int>& callers_of(int f) const { return incoming_[static_cast<size_t>(f)]; }
  // Every definition of a name, in definition order (empty: none).
  const std::vector<int>& definitions(std::string_view name) const;
  // The functions defined in a file, by line; and the calls in it, by line.
  const std::vector<int>& functions_in(int file) const;
  const std::vector<int>& calls_in(int file) const;
  // The definition a name used in `file` stands for: one in that file
  // first, then the first definition. -1: none.
  int resolve(std::string_view name, int file) const;
  // Every distinct function name, sorted.
  const std::vector<std::string_view>& sorted_names() const { return sorted_names_; }

  // The open documents' texts this analysis read, with their versions.
  struct Overlay {
    std::string text;
    long long version = 0;
  };
  std::map<std::string, Overlay> overlays;
  std::vector<std::string> skipped;  // sources whose analysis ended in an error, with the message
  std::string preprocessing;         // how the sources were preprocessed, for the log

 private:
  std::deque<std::string> names_storage_;
  std::unordered_map<std::string_view, std::vector<int>> by_name_;
  std::unordered_map<std::string, int> file_ids_;
  std::vector<std::vector<int>> incoming_;
  std::vector<std::vector<int>> functions_in_, calls_in_;
  std::vector<std::string_view> sorted_names_;
};

}  // namespace zelta::lsp
