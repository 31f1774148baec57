// Marking passes and the tree builder.
#pragma once
#include <string>

namespace zelta {

struct Run;

int CheckRecurrciveCall2(Run& run);
void checkstdfunc(Run& run);
// Returns the greatest depth reached; every failure ends the run.
int BuildTree(Run& run, int capacity, const std::string& startname);

}  // namespace zelta
