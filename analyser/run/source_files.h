// Every source and header the run has read, by the path it was opened
// under: the file table that source locations point into.
#pragma once
#include <string>
#include <unordered_map>
#include <vector>

namespace zelta {

struct SourceFiles {
  std::vector<std::string> paths;  // in the order first read
  std::vector<int> inputs;         // the analysed sources (not headers), in order
  std::unordered_map<std::string, int> ids;

  int intern(const std::string& path) {
    auto [it, added] = ids.try_emplace(path, static_cast<int>(paths.size()));
    if (added) paths.push_back(path);
    return it->second;
  }
};

}  // namespace zelta
