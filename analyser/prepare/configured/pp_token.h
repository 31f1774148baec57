// Preprocessing tokens of the configured mode, and a file read into them
// once per run: every source that includes a header walks the same lines.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zelta::configured {

enum class Tok : std::uint8_t { Ident, Number, Char, String, Punct, Other };

struct Token {
  std::string_view text;  // into a lexed file, the run's text store or a source's scratch store
  std::uint32_t hs = 0;   // hide set (macro_expander.h); 0: none
  std::int32_t file = -1; // SourceFiles index of where the token (or its macro call) stood
  std::int32_t line = 0;
  Tok kind = Tok::Other;
  bool space = false;     // white space before it on its line
  bool is(std::string_view p) const { return kind == Tok::Punct && text == p; }
};

// One logical line (continuation lines joined, a block comment spanning
// lines taken as one blank).
struct PpLine {
  std::uint32_t first = 0, end = 0;  // its tokens in LexedFile::tokens
  std::int32_t line = 0;             // physical line it begins on
  bool directive = false;            // its first token is "#"
  std::string_view raw;              // the joined text after the "#" (directives only)
};

struct LexedFile {
  std::string text;    // the file's bytes after continuation lines were joined
  std::vector<Token> tokens;
  std::vector<PpLine> lines;
  // #ifndef G / #define G ... #endif around the whole file: once G is
  // defined, including it again yields nothing.
  std::string guard;
  int file = -1;  // its number in the table of files read
};

// Lexes `bytes` (which it keeps) into lines; tokens carry `file`.
void lex_file(std::string bytes, int file, LexedFile& out);
// Lexes one line of text (a -D value, a pasted spelling) into tokens whose
// texts point into `text`, which must outlive them.
void lex_text(std::string_view text, std::vector<Token>& out);

}  // namespace zelta::configured
