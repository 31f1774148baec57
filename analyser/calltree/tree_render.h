// tree.txt and the -m dumps 2.txt and 3.txt.
#pragma once

namespace zelta {

struct Run;

int printdsp(Run& run);
void DrawTree(Run& run, int maxdepth, int count);
void DumpRecords(Run& run);

}  // namespace zelta
