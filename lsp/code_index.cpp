#include "code_index.h"

#include <algorithm>
#include <filesystem>

#include "calltree/call_index.h"
#include "run/run.h"

namespace zelta::lsp {

namespace {

const std::vector<int> kNone;

std::string absolute_path(const std::string& path, const std::string& root) {
  std::filesystem::path p(path);
  if (p.is_relative()) p = std::filesystem::path(root) / p;
  return p.lexically_normal().string();
}

}  // namespace

int CodeIndex::file_id(const std::string& path) const {
  auto it = file_ids_.find(path);
  return it == file_ids_.end() ? -1 : it->second;
}

const std::vector<int>& CodeIndex::definitions(std::string_view name) const {
  auto it = by_name_.find(name);
  return it == by_name_.end() ? kNone : it->second;
}

const std::vector<int>& CodeIndex::functions_in(int file) const {
  return file >= 0 && static_cast<size_t>(file) < functions_in_.size() ? functions_in_[static_cast<size_t>(file)]
                                                                       : kNone;
}

const std::vector<int>& CodeIndex::calls_in(int file) const {
  return file >= 0 && static_cast<size_t>(file) < calls_in_.size() ? calls_in_[static_cast<size_t>(file)] : kNone;
}

int CodeIndex::resolve(std::string_view name, int file) const {
  const std::vector<int>& defs = definitions(name);
  if (defs.empty()) return -1;
  for (int f : defs)
    if (functions[static_cast<size_t>(f)].file == file) return f;
  return defs.front();
}

std::shared_ptr<CodeIndex> CodeIndex::Build(const Run& run, const CallIndex& index, const std::string& root,
                                            const PointerFacts* pointers) {
  auto ix = std::make_shared<CodeIndex>();
  const Records& recs = run.recs;
  // The run's file table, made absolute once.
  std::vector<int> file_of_source(run.sources.paths.size(), -1);
  const auto file_of = [&](int source) {
    if (source < 0 || static_cast<size_t>(source) >= file_of_source.size()) return -1;
    int& f = file_of_source[static_cast<size_t>(source)];
    if (f < 0) {
      std::string path = absolute_path(run.sources.paths[static_cast<size_t>(source)], root);
      auto [it, added] = ix->file_ids_.try_emplace(path, static_cast<int>(ix->files.size()));
      if (added) ix->files.push_back(path);
      f = it->second;
    }
    return f;
  };
  std::vector<std::string_view> name_of(recs.names.size());
  const auto intern = [&](const FuncRecord& r) {
    std::string_view& v = name_of[static_cast<size_t>(r.nameid)];
    if (v.empty()) v = ix->names_storage_.emplace_back(recs.name_of(r));
    return v;
  };

  // The pointer sites by the record they follow; a site that replaces its
  // record stands for that call instead of it.
  std::unordered_map<int, std::vector<int>> sites_after;
  std::vector<char> replaced;
  if (pointers && pointers->joined) {
    replaced.assign(recs.list.size(), 0);
    for (size_t s = 0; s < pointers->sites.size(); ++s) {
      const int after = pointers->sites[s].after;
      if (after < 0 || static_cast<size_t>(after) >= recs.list.size()) continue;
      sites_after[after].push_back(static_cast<int>(s));
      if (pointers->sites[s].replaces) replaced[static_cast<size_t>(after)] = 1;
    }
  }
  const auto add_pointer_calls = [&](int record, int caller) {
    auto it = sites_after.find(record);
    if (it == sites_after.end()) return;
    for (int s : it->second) {
      const PointerSite& site = pointers->sites[static_cast<size_t>(s)];
      const int via = site.field >= 0 ? site.field : site.var;
      for (const auto& [def, kind] : pointers->targets[static_cast<size_t>(s)]) {
        Call& c = ix->calls.emplace_back();
        c.caller = caller;
        c.target = index.ordinal(def);
        c.name = intern(recs.list[static_cast<size_t>(def)]);
        c.file = file_of(site.place.file);
        c.line = site.place.line > 0 ? site.place.line - 1 : 0;
        c.pointer = true;
        if (via >= 0) c.via = ix->names_storage_.emplace_back(pointers->names.text(via));
      }
    }
  };

  ix->functions.reserve(recs.defs.size());
  int owner = -1;
  int last_file = -2, last_line = -1;
  // Calls seen so far on the current line, by name id; the ids it touched
  // are put back to 0 when the line changes.
  std::vector<int> on_line(recs.names.size(), 0), touched;
  for (size_t i = 0; i < recs.list.size(); ++i) {
    const FuncRecord& r = recs.list[i];
    const RecordPlace place = recs.place_of(static_cast<int>(i));
    const int file = file_of(place.file);
    const int line = place.line > 0 ? place.line - 1 : 0;
    if (r.isdef) {
      if (owner >= 0) ix->functions[static_cast<size_t>(owner)].calls_end = static_cast<int>(ix->calls.size());
      owner = static_cast<int>(ix->functions.size());
      Function& f = ix->functions.emplace_back();
      f.name = intern(r);
      f.file = file;
      f.line = line;
      f.calls_begin = f.calls_end = static_cast<int>(ix->calls.size());
    } else if (owner >= 0 && !(replaced.size() > i && replaced[i])) {
      Call& c = ix->calls.emplace_back();
      c.caller = owner;
      const int def = index.target(static_cast<int>(i));
      c.target = def >= 0 ? index.ordinal(def) : -1;
      c.name = intern(r);
      c.file = file;
      c.line = line;
      if (file != last_file || line != last_line) {
        for (int id : touched) on_line[static_cast<size_t>(id)] = 0;
        touched.clear();
        last_file = file;
        last_line = line;
      }
      int& seen = on_line[static_cast<size_t>(r.nameid)];
      if (seen == 0) touched.push_back(r.nameid);
      c.nth = seen++;
    }
    if (owner >= 0) add_pointer_calls(static_cast<int>(i), owner);
    if (r.groupend && owner >= 0) {
      ix->functions[static_cast<size_t>(owner)].calls_end = static_cast<int>(ix->calls.size());
      owner = -1;
    }
  }
  if (owner >= 0) ix->functions[static_cast<size_t>(owner)].calls_end = static_cast<int>(ix->calls.size());

  ix->by_name_.reserve(ix->names_storage_.size());
  ix->incoming_.resize(ix->functions.size());
  ix->functions_in_.resize(ix->files.size());
  ix->calls_in_.resize(ix->files.size());
  for (size_t f = 0; f < ix->functions.size(); ++f) {
    const Function& fn = ix->functions[f];
    ix->by_name_[fn.name].push_back(static_cast<int>(f));
    if (fn.file >= 0) ix->functions_in_[static_cast<size_t>(fn.file)].push_back(static_cast<int>(f));
  }
  for (size_t c = 0; c < ix->calls.size(); ++c) {
    const Call& call = ix->calls[c];
    if (call.target >= 0) ix->incoming_[static_cast<size_t>(call.target)].push_back(static_cast<int>(c));
    if (call.file >= 0) ix->calls_in_[static_cast<size_t>(call.file)].push_back(static_cast<int>(c));
  }
  const auto by_line = [&](auto& lists, const auto& items) {
    for (auto& list : lists)
      std::stable_sort(list.begin(), list.end(), [&](int a, int b) {
        return items[static_cast<size_t>(a)].line < items[static_cast<size_t>(b)].line;
      });
  };
  by_line(ix->functions_in_, ix->functions);
  by_line(ix->calls_in_, ix->calls);
  ix->sorted_names_.reserve(ix->by_name_.size());
  for (const auto& [name, defs] : ix->by_name_) ix->sorted_names_.push_back(name);
  std::sort(ix->sorted_names_.begin(), ix->sorted_names_.end());
  return ix;
}

}  // namespace zelta::lsp
