// Reader state shared by the source readers, the conversion pass and the
// extraction: the pushback stack, the brace counter and the include stack.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "platform/text_file.h"

namespace zelta {

// Result codes of the word readers.
enum : int { kEnd = 0, kName = -1, kChar = -2, kBodyClosed = -3 };

// One open source file on the include stack. `sjis` marks a file whose
// literals hold Shift-JIS characters: their trail byte may be 0x5C, which
// must not be taken for a backslash.
struct SrcStream {
  TextReader text;
  bool sjis = false;
  int file = -1;  // index in the run's SourceFiles
  // Line counting for source locations (prepare/line_map): the line that
  // holds the byte at `counted`, 1-based. Moves with the reader, so every
  // byte is counted about once.
  size_t counted = 0;
  int line = 1;
};

struct ReaderState {
  std::vector<int> pushback;  // pushback stack; in practice one value at most
  int bracedepth = 0;
  int bodyclosed = 0;
  int flgcomment = 0;
  int flgdubble = 0;
  // Non-zero while a macro call's further source line is read: those bytes
  // are taken for the call's arguments and are not echoed under -d.
  int quiet = 0;
  // Include stack: entry 0 is the analysed source, headers above it.
  std::vector<std::unique_ptr<SrcStream>> instack;
  int intop = -1;
  TextReader mid;         // the cleaned text being read by the extraction
  bool mid_sjis = false;  // the cleaned text came from Shift-JIS sources (set as they are opened)

  SrcStream* top() { return intop >= 0 && intop < static_cast<int>(instack.size()) ? instack[intop].get() : nullptr; }
};

inline bool sjis_lead(int c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

inline bool is_name_char(int c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}
inline bool is_c_space(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

}  // namespace zelta
