// One analysis of the workspace in this process: every .c file under the
// workspace folders through the analyser's own passes (a fresh Run each
// time), open documents' unsaved texts taken instead of the disk's, and
// nothing written anywhere. A source whose analysis ends in an error is
// left out (its records are taken back) and the rest goes on.
#pragma once
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "code_index.h"

namespace zelta::lsp {

struct AnalysisInput {
  std::vector<std::string> roots;                      // absolute folder paths; the first is the working folder
  std::map<std::string, CodeIndex::Overlay> overlays;  // by absolute path
  bool pointers = true;                                // the calls through function pointers as well
};

// The compile_commands.json the workspace is configured by: the first found
// at the top of a workspace folder, then in its build/ folder, folder by
// folder. Empty: none (the sources are preprocessed without one).
std::string FindCompileDatabase(const std::vector<std::string>& roots);

// The .c files under the folders, sorted, each once (links followed, loops not).
std::vector<std::string> FindSources(const std::vector<std::string>& roots);

// `progress(done, total)` is called now and then from the analysing thread;
// `cancelled()` true makes it stop early (the result is then null).
std::shared_ptr<CodeIndex> AnalyseWorkspace(const AnalysisInput& input,
                                            const std::function<void(size_t, size_t)>& progress,
                                            const std::function<bool()>& cancelled);

}  // namespace zelta::lsp
