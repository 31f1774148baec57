// One source preprocessed in the configured mode: from the predefined and
// configured macros alone, its headers read for it as a compiler reads them.
#pragma once
#include <string>
#include <vector>

#include "prepare/configured/configured_run.h"
#include "prepare/line_map.h"

namespace zelta {
struct Run;
}

namespace zelta::configured {

struct Preprocessed {
  std::string text;              // one line per source line that gave tokens, LF line ends
  std::vector<SourceLoc> lines;  // where each of those lines was read
};

// `bytes` is the source's text. Notes (a #if without a value, a header not
// found, a cycle) go to the run's error log.
void preprocess_source(Run& run, ConfiguredRun& cr, const std::string& source, std::string bytes,
                       const SourceConfig& cfg, Preprocessed& out);

}  // namespace zelta::configured
