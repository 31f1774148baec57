#include "calltree/resolution.h"

namespace zelta {

namespace {

std::uint64_t FileKey(int file, int nameid) {
  return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(file)) << 32) | static_cast<std::uint32_t>(nameid);
}

// FILE:NAME split at the last colon; both halves must be there, or the word
// is a plain name.
bool SplitStart(std::string_view word, std::string_view& file, std::string_view& name) {
  const size_t colon = word.rfind(':');
  if (colon == std::string_view::npos || colon == 0 || colon + 1 == word.size()) return false;
  file = word.substr(0, colon);
  name = word.substr(colon + 1);
  return true;
}

// A suffix at a path-component boundary: init/main.c matches
// linux/init/main.c but not linux/xinit/main.c.
bool PathEndsWith(std::string_view path, std::string_view tail) {
  if (path.size() < tail.size() || path.substr(path.size() - tail.size()) != tail) return false;
  return path.size() == tail.size() || path[path.size() - tail.size() - 1] == '/' || tail.front() == '/';
}

}  // namespace

void NoteDefinition(Records& recs, int idx) {
  const FuncRecord& rec = recs.list[static_cast<size_t>(idx)];
  const size_t id = static_cast<size_t>(rec.nameid);
  int& first = recs.firstdef[id];
  if (first < 0) {
    first = idx;
    return;
  }
  // Only names defined in more than one file need the per-file table; the
  // first file's definition is firstdef itself.
  if (recs.list[static_cast<size_t>(first)].file == rec.file) return;
  if (recs.multifile.size() <= id) recs.multifile.resize(recs.firstdef.size(), 0);
  recs.multifile[id] = 1;
  recs.filedef.try_emplace(FileKey(rec.file, rec.nameid), idx);
}

int ResolveCall(const Records& recs, const FuncRecord& call) {
  if (recs.name_of(call) == "main") {
    auto it = recs.main_by_file.find(call.file);
    return it == recs.main_by_file.end() ? -1 : it->second;
  }
  const int first = recs.def_of(call.nameid);
  if (first < 0) return -1;
  const size_t id = static_cast<size_t>(call.nameid);
  if (id >= recs.multifile.size() || !recs.multifile[id]) return first;
  if (recs.list[static_cast<size_t>(first)].file == call.file) return first;
  auto it = recs.filedef.find(FileKey(call.file, call.nameid));
  return it == recs.filedef.end() ? first : it->second;
}

std::string_view StartName(std::string_view word) {
  std::string_view file, name;
  return SplitStart(word, file, name) ? name : word;
}

int StartDefinition(const Records& recs, std::string_view word) {
  std::string_view file, name;
  if (!SplitStart(word, file, name)) return recs.find_def(word);
  const int id = recs.name_id(name);
  if (id < 0 || recs.def_of(id) < 0) return -1;
  for (int d : recs.defs) {
    const FuncRecord& r = recs.list[static_cast<size_t>(d)];
    if (r.nameid == id && PathEndsWith(recs.paths[static_cast<size_t>(r.file)], file)) return d;
  }
  return -1;
}

}  // namespace zelta
