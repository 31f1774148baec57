// tree.txt (and tree.json, tree.dot when asked for) and the -m dumps 2.txt
// and 3.txt.
#pragma once
#include <cstddef>

#include "platform/text_file.h"

namespace zelta {

struct Run;
class CallIndex;

int printdsp(Run& run);
// Writes tree.txt and the other selected result files; `index` is the call
// graph when the run built one (tree.json builds its own otherwise).
void DrawTree(Run& run, int maxdepth, int count, const CallIndex* index = nullptr);
void DumpRecords(Run& run);

// 2.txt kept up to date after every file of a directory run. Records of
// earlier files never change, so each update appends only the new ones and
// the file holds, after every file, exactly what a full dump would write.
class RecordDump {
 public:
  void update(Run& run);
  void close();

 private:
  TextWriter out_;
  size_t done_ = 0;
};

}  // namespace zelta
