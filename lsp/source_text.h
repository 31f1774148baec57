// The text of the files answers point into: lines, the columns of names on
// them (in UTF-16 code units, as positions count), the word at a position
// and the end of a function's body. Open documents' texts are handed in;
// other files are read from disk once per index and kept.
#pragma once
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "protocol.h"

namespace zelta::lsp {

class LineText {
 public:
  explicit LineText(std::string text);
  int lines() const { return static_cast<int>(starts_.size()); }
  std::string_view line(int n) const;  // without its line end; empty past the end
  // Byte offset in line n of UTF-16 column `character`; -1 past the line's end.
  int byte_of(int n, int character) const;
  // UTF-16 column of byte offset `byte` in line n.
  int column_of(int n, int byte) const;
  // The range of the `nth` occurrence of `name` as a whole word on line n;
  // the whole line's start when it is not there (a call made inside a macro).
  Range name_range(int n, std::string_view name, int nth) const;
  // The identifier at a position, with its range; empty when there is none.
  std::string word_at(Position p, Range* range) const;
  // The line of the brace that closes the first body opened after `line`,
  // comments and literals passed over; `line` itself when none is found.
  int body_end(int line) const;

 private:
  std::string text_;
  std::vector<size_t> starts_;
};

class SourceTexts {
 public:
  // Texts to take instead of the disk's (by path).
  void set(const std::string& path, std::string text) { cache_[path] = std::make_shared<LineText>(std::move(text)); }
  // The file's text; an empty text when it cannot be read.
  const LineText& get(const std::string& path);
  void clear() { cache_.clear(); }

 private:
  std::unordered_map<std::string, std::shared_ptr<LineText>> cache_;
};

}  // namespace zelta::lsp
