// tree.txt and the -m dumps 2.txt and 3.txt.
#pragma once
#include <cstddef>

#include "platform/text_file.h"

namespace zelta {

struct Run;

int printdsp(Run& run);
void DrawTree(Run& run, int maxdepth, int count);
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
