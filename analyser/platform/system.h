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
// True when both paths name the same entry of the same folder, whether or
// not that entry exists (the folders must).
bool same_entry(const std::string& a, const std::string& b);

// Names in `dir` matching `*.ext` case-insensitively (ext given without the
// dot, e.g. "c"), sorted by the byte order of the upper-cased names, the
// order the original platform lists them in. Empty when `dir` cannot be read.
std::vector<std::string> find_matching(const std::string& dir, const std::string& ext);

// Temporary file names "tmp<N>" in $TMP (when that directory exists), else
// ./temp, else /tmp, else "."; N counts upward from 1 over one run, passing
// over names already taken, so an existing file is never overwritten.
struct TempNames {
  unsigned counter = 0;
};
// The next free name, as an exclusive create would have found it, without
// creating the file: most temporary files are never needed, and creating and
// removing one per source costs more than reading it. "" when no file could
// be made there (a folder that cannot be written, or whose name is longer
// than 245, or no free number).
std::string next_temp_name(TempNames& names);
// Creates the file named by next_temp_name, exclusively; when that name has
// been taken since, the next free one (`path` is updated). False when no
// file could be made.
bool create_temp_file(TempNames& names, std::string& path);

// Reads one key without echo when standard input is a terminal; otherwise
// returns at once.
void wait_for_key();

}  // namespace zelta
