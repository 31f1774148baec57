// Reader state shared by the source readers, the conversion pass and the
// extraction: the pushback stack, the brace counter and the include stack.
#pragma once
#include <functional>
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

// One source's cleaned text, kept in memory from the conversion to the
// extraction. Its line ends are LF; the file form (CR LF) is made only where
// the text is written out.
struct CleanedText {
  std::string text;
  bool sjis = false;  // read from Shift-JIS sources: its literals may hold two-byte characters
  bool made = false;  // the conversion opened its source and began the text
  // -p and -c: what the source has at file level (initialisers, member
  // lists, parameter lists, prototypes), macros expanded, with a mark where
  // each body stood.
  std::string decls;
};

struct ReaderState {
  std::vector<int> pushback;  // pushback stack; in practice one value at most
  int bracedepth = 0;
  // The "{" that expansions have added to bracedepth in the body being read
  // and that no later expansion has closed (do_each(...) { ... } while_each();).
  int macrobraces = 0;
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
  // The temporary name of the source being handled, while its file is not
  // made: a path naming it opens as the empty file it would have been.
  std::string conv;
  // Bytes held in memory for a header's path, read instead of its file (an
  // editor's unsaved buffers); none when empty or when it answers null.
  std::function<const std::string*(const std::string&)> held;

  SrcStream* top() { return intop >= 0 && intop < static_cast<int>(instack.size()) ? instack[intop].get() : nullptr; }
};

// Character classes of the readers, one table look-up per byte. Letters and
// digits are the C locale's; no byte of 128 or above is ever in a class.
enum : unsigned char {
  kClassName = 1,   // letter, digit, "_"
  kClassSpace = 2,  // the six C-locale spaces
  kClassSkip = 4,   // carriage return, vertical tab, form feed: no token of their own
};
struct CharClasses {
  unsigned char c[256] = {};
  constexpr CharClasses() {
    for (int i = '0'; i <= '9'; ++i) c[i] = kClassName;
    for (int i = 'a'; i <= 'z'; ++i) c[i] = kClassName;
    for (int i = 'A'; i <= 'Z'; ++i) c[i] = kClassName;
    for (unsigned char b : {'_'}) c[b] = kClassName;
    for (unsigned char b : {' ', '\t', '\n'}) c[b] = kClassSpace;
    for (unsigned char b : {'\r', '\v', '\f'}) c[b] = kClassSpace | kClassSkip;
  }
};
inline constexpr CharClasses kCharClasses;
// `c` may also be -1 (end of a stream), which falls in no class.
inline unsigned char char_class(int c) { return kCharClasses.c[static_cast<unsigned char>(c)]; }

inline bool sjis_lead(int c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
inline bool is_name_char(int c) { return (char_class(c) & kClassName) != 0; }
inline bool is_c_space(int c) { return (char_class(c) & kClassSpace) != 0; }

}  // namespace zelta
