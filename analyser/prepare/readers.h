// Character and token readers over the source streams (include stack) and
// over the cleaned text, sharing one pushback stack and the brace counter.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "platform/text_file.h"

namespace zelta {

struct Run;

// Result codes of the word readers.
enum : int { kEnd = 0, kName = -1, kChar = -2, kBodyClosed = -3 };

struct ReaderState {
  std::vector<int> pushback;  // pushback stack; in practice one value at most
  int bracedepth = 0;
  int bodyclosed = 0;
  int flgcomment = 0;
  int flgdubble = 0;
  // Include stack: entry 0 is the analysed source, headers above it.
  std::vector<std::unique_ptr<TextReader>> instack;
  int intop = -1;
  TextReader mid;  // the cleaned text being read by the extraction

  TextReader* top() { return intop >= 0 && intop < static_cast<int>(instack.size()) ? instack[intop].get() : nullptr; }
};

void ungetchar(Run& run, int c);
int getsrcchar(Run& run);
int getsrcword(Run& run, std::string& buf);
int getmidchar(Run& run);
int getmidword(Run& run, std::string& buf);

inline bool is_name_char(int c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}
inline bool is_c_space(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

}  // namespace zelta
