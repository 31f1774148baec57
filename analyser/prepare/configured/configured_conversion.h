// The configured mode's conversion of one source: preprocessed as its
// build compiles it, then handed to the conversion pass as plain text.
#pragma once
#include <string>
#include <vector>

namespace zelta {

struct Run;
struct CleanedText;
class TextReader;
class LineMap;

// Under -c: the sources a run will convert, in that order, are preprocessed
// ahead on the other cores.
void configured_prefetch(Run& run, const std::vector<std::string>& sources);

void configured_henkan(Run& run, const std::string& source, CleanedText& out, LineMap* map, TextReader* read);

}  // namespace zelta
