// One source preprocessed in the configured mode: from the predefined and
// configured macros alone, its headers read for it as a compiler reads them.
#pragma once
#include <string>
#include <vector>

#include "prepare/configured/configured_run.h"
#include "prepare/line_map.h"

namespace zelta::configured {

// A note for zelta_err.txt: `fmt` (a system text) with the file, the line
// and a name as its "%s", "%d" and "%s".
struct PpNote {
  std::string fmt, path;
  int line = 0;
  std::string name;
  std::string once;  // given once per run under this key (empty: always)
};

struct Preprocessed {
  std::string text;              // one line per source line that gave tokens, LF line ends
  std::vector<SourceLoc> lines;  // where each of those lines was read (file: ConfiguredRun's numbering)
  std::vector<int> used;         // the files read for it, in the order first read
  std::vector<PpNote> notes;     // in the order they arose
  bool opened = false;           // the source itself could be read
};

// Preprocesses `source` (its text `bytes`). Touches nothing of the run but
// `cr`, so sources may be preprocessed side by side.
void preprocess_source(ConfiguredRun& cr, const std::string& source, std::string bytes, const SourceConfig& cfg,
                       Preprocessed& out);

}  // namespace zelta::configured
