// One whole analyser run, from the command-line words to the exit status.
#pragma once
#include <string>
#include <vector>

namespace zelta {

class Console;
struct Run;

// words[0] is the program name. Returns the exit status (1 after a run that
// reached its end, 0 after the usage text and every error exit).
int RunConzelta(Console& console, std::vector<std::string> words);
// The same for a process that ends right after it: the run's memory is left
// to the process's end.
int RunConzeltaToExit(Console& console, std::vector<std::string> words);

// The run once every source is extracted: the marking passes, the tree (with
// the call index for -r and -j), its outputs and the closing banner. The
// error exits unwind from here like from any other step.
void DrawCallTree(Run& run);

}  // namespace zelta
