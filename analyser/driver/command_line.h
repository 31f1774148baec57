// Switch words and the joined input text of the command line.
#pragma once
#include <string>
#include <vector>

namespace zelta {

struct Run;

// Parses the switch words of `words` (words[0] is the program name) into the
// run's flags and start function. Consumed words are emptied in place.
// Returns optcnt, the number of switch words. A -f whose name would be the
// last word (or is empty) ends the run with "構文のエラーです".
int ParseSwitches(Run& run, std::vector<std::string>& words);

// Replaces every path word "@FILE" (a word after the switches) by the paths
// FILE lists, one a line (LF or CR LF), in order; empty and blank lines are
// left out. The listed lines are paths as they stand: a line is never a
// list itself, nor a switch. A list that cannot be read ends the run with
// the message of a file that cannot be opened.
void ExpandListFiles(Run& run, std::vector<std::string>& words, int optcnt);

// Joins the words after the switches with "|" (empty words add nothing).
std::string JoinPaths(Run& run, const std::vector<std::string>& words, int optcnt);

}  // namespace zelta
