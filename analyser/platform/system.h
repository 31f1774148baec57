// The analyser's only view of the operating system: clock, files, directory
// search, temporary files and the key wait.
#pragma once
#include <string>
#include <vector>

namespace zelta {

struct Stamp {
  long sec = 0;  // whole seconds since 1970-01-01
  int ms = 0;    // 0..999
};
Stamp clock_now();

bool path_exists(const std::string& path);  // file or directory
bool is_directory(const std::string& path);
bool remove_file(const std::string& path);
bool copy_file(const std::string& from, const std::string& to);

// Names in `dir` matching `*.ext` case-insensitively (ext given without the
// dot, e.g. "c"), sorted by the byte order of the upper-cased names, the
// order the original platform lists them in. Empty when `dir` cannot be read.
std::vector<std::string> find_matching(const std::string& dir, const std::string& ext);

// Creates a fresh empty file "tmp<N>" in $TMP (when that directory exists),
// else ./temp, else /tmp, else "."; N counts upward from 1 within the
// process, and an existing file is never overwritten. Returns its path, or
// "" when none could be made (also when the folder name is longer than 245).
std::string make_temp_file();

// Reads one key without echo when standard input is a terminal; otherwise
// returns at once.
void wait_for_key();

}  // namespace zelta
