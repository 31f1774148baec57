#include "calltree/writers/writers.h"

#include "run/run.h"

namespace zelta {

namespace {

struct WriterEntry {
  const char* file;
  int Options::*flag;  // none: always written
  std::unique_ptr<TreeWriter> (*make)(Run&, const char*);
};

const WriterEntry kWriters[] = {
    {"tree.txt", nullptr, MakeTextWriter},
    {"tree.json", &Options::flgjson, MakeJsonWriter},
    {"tree.dot", &Options::flgdot, MakeDotWriter},
};

}  // namespace

void WriteTree(Run& run, const TreeShape& shape) {
  for (const WriterEntry& e : kWriters) {
    if (e.flag && !(run.opt.*e.flag)) continue;
    std::unique_ptr<TreeWriter> w = e.make(run, e.file);
    w->begin(shape);
    long long number = 0;
    for (const TreeLine& l : run.tb.lines) w->node(l, ++number);
    w->end();
  }
}

}  // namespace zelta
