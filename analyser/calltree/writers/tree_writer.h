// The writers of the drawn tree: one file per format, each fed the tree's
// lines in order. The builder has settled what every line is (the -a, -e and
// -v decisions included); a writer only spells it.
#pragma once
#include <memory>
#include <string>

#include "run/calltree_state.h"

namespace zelta {

struct Run;
class CallIndex;

struct TreeShape {
  int maxdepth = 0;                  // the greatest depth BuildTree reported
  int count = 0;                     // printdsp's result: the number of lines + 1
  const CallIndex* index = nullptr;  // the call graph, when the run built one
};

class TreeWriter {
 public:
  virtual ~TreeWriter() = default;
  virtual void begin(const TreeShape& shape) = 0;
  virtual void node(const TreeLine& line, long long number) = 0;
  virtual void end() = 0;
};

std::unique_ptr<TreeWriter> MakeTextWriter(Run& run, const char* file);
std::unique_ptr<TreeWriter> MakeJsonWriter(Run& run, const char* file);
std::unique_ptr<TreeWriter> MakeDotWriter(Run& run, const char* file);

// The text tree.txt shows for a line after its number and ruling, appended
// to `out` (CP932 bytes).
void SpellLine(const Run& run, const TreeLine& line, std::string& out);

}  // namespace zelta
