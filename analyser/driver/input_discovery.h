// Input discovery: one file, one directory or a "|"-joined list.
#pragma once
#include <string>
#include <vector>

namespace zelta {

struct Run;

void Tree(Run& run, const std::string& arg_fileOrdir);
// One path that is a file or a directory.
void CheckFileOrDir(Run& run, const std::string& path);
// Every C file of one directory, in sorted order.
void Directory(Run& run, const std::string& dir);
// A "|"-joined list of files; `count` is the number of "|" characters.
void Multifile(Run& run, const std::string& text, int count);

// The C files of a directory, taken one at a time.
struct DirSearch {
  std::vector<std::string> entries;
  size_t next = 0;
};
// mode 1: starts a search of `text`'s "*.c" entries and returns the first
// (false when there is none); mode 3: whether the path `text` exists; any
// other mode: the next entry of the running search.
bool FindCFile(DirSearch& search, const std::string& text, int mode, std::string& entry);

}  // namespace zelta
