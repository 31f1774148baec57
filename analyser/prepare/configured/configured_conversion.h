// The configured mode's conversion of one source: preprocessed as its
// build compiles it, then handed to the conversion pass as plain text.
#pragma once
#include <string>

namespace zelta {

struct Run;
struct CleanedText;
class TextReader;
class LineMap;

void configured_henkan(Run& run, const std::string& source, CleanedText& out, LineMap* map, TextReader* read);

}  // namespace zelta
