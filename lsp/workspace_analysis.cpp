#include "workspace_analysis.h"

#include <sys/stat.h>
#include <algorithm>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <set>

#include "calltree/call_graph.h"
#include "calltree/call_index.h"
#include "calltree/extraction.h"
#include "calltree/pointers/pointer_join.h"
#include "driver/conversion_ahead.h"
#include "platform/console.h"
#include "prepare/configured/configured_conversion.h"
#include "prepare/conversion.h"
#include "prepare/line_map.h"
#include "run/run.h"

namespace zelta::lsp {

namespace fs = std::filesystem;

namespace {

void Walk(const fs::path& dir, std::set<std::pair<dev_t, ino_t>>& seen, std::vector<std::string>& out) {
  struct stat st;
  if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return;
  if (!seen.emplace(st.st_dev, st.st_ino).second) return;  // a link back up
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    const fs::path& p = it->path();
    const std::string name = p.filename().string();
    if (name.empty() || name[0] == '.') continue;  // .git and the like
    std::error_code sec;
    if (it->is_directory(sec)) {
      Walk(p, seen, out);
    } else if (name.size() > 2 && name.compare(name.size() - 2, 2, ".c") == 0 && it->is_regular_file(sec)) {
      out.push_back(p.lexically_normal().string());
    }
  }
}

// Where a source's records begin: taking them back restores the run as it
// was before the source.
struct Checkpoint {
  explicit Checkpoint(const Run& run)
      : list(run.recs.list.size()),
        defs(run.recs.defs.size()),
        units(run.recs.units.size()),
        maincount(run.recs.maincount),
        last_groupend(run.recs.list.empty() ? 0 : run.recs.list.back().groupend),
        sites(run.ptr.sites.size()) {
    for (int w = 0; w < PointerFacts::kWheres; ++w) stored[w] = run.ptr.stored[w].size();
  }

  void restore(Run& run) const {
    Records& r = run.recs;
    for (size_t d = defs; d < r.defs.size(); ++d) {
      const FuncRecord& rec = r.list[static_cast<size_t>(r.defs[d])];
      int& first = r.firstdef[static_cast<size_t>(rec.nameid)];
      if (first >= static_cast<int>(list)) first = -1;
    }
    for (auto it = r.main_by_file.begin(); it != r.main_by_file.end();)
      it = it->second >= static_cast<int>(list) ? r.main_by_file.erase(it) : std::next(it);
    for (auto it = r.filedef.begin(); it != r.filedef.end();)
      it = it->second >= static_cast<int>(list) ? r.filedef.erase(it) : std::next(it);
    r.list.resize(list);
    r.defs.resize(defs);
    if (r.places.size() > list) r.places.resize(list);
    r.units.resize(units);
    // The pointer facts of the source go with its records (their ids).
    run.ptr.sites.resize(sites);
    for (int w = 0; w < PointerFacts::kWheres; ++w) run.ptr.stored[w].resize(stored[w]);
    run.ptr.unit_records.clear();
    r.maincount = maincount;
    if (!r.list.empty()) r.list.back().groupend = last_groupend;
    run.rd.pushback.clear();
    run.rd.bracedepth = 0;
    run.rd.bodyclosed = 0;
    run.rd.flgcomment = 0;
    run.rd.flgdubble = 0;
    run.rd.quiet = 0;
    run.rd.instack.clear();
    run.rd.intop = -1;
  }

  size_t list, defs, units;
  int maincount;
  std::int8_t last_groupend;
  size_t sites;
  size_t stored[PointerFacts::kWheres];
};

// The include path of a zelta.ini in the first folder, as the analyser
// reads it; the rest of the file does not concern an index.
std::string IncludePath(const std::string& root) {
  TextReader in;
  std::string line, path;
  if (!in.open(root + "/zelta.ini")) return path;
  while (in.gets(line, 149))
    if (line.compare(0, 13, "include_path=") == 0) path = line.substr(13);
  return path;
}

std::string bare_name(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string FindCompileDatabase(const std::vector<std::string>& roots) {
  std::error_code ec;
  for (const std::string& r : roots)
    for (const char* at : {"compile_commands.json", "build/compile_commands.json"}) {
      const fs::path p = fs::path(r) / at;
      if (fs::is_regular_file(p, ec)) return p.lexically_normal().string();
    }
  return "";
}

std::vector<std::string> FindSources(const std::vector<std::string>& roots) {
  std::set<std::pair<dev_t, ino_t>> seen;
  std::vector<std::string> out;
  for (const std::string& r : roots) Walk(fs::path(r), seen, out);
  std::sort(out.begin(), out.end());
  out.erase(std::unique(out.begin(), out.end()), out.end());
  return out;
}

std::shared_ptr<CodeIndex> AnalyseWorkspace(const AnalysisInput& input,
                                            const std::function<void(size_t, size_t)>& progress,
                                            const std::function<bool()>& cancelled) {
  std::vector<std::string> sources = FindSources(input.roots);
  // An open .c document counts even before it is saved for the first time.
  for (const auto& [path, overlay] : input.overlays)
    if (path.size() > 2 && path.compare(path.size() - 2, 2, ".c") == 0 &&
        !std::binary_search(sources.begin(), sources.end(), path))
      sources.insert(std::upper_bound(sources.begin(), sources.end(), path), path);

  // The analyser's console texts are the error messages of sources left
  // out; they are kept in memory and logged, never written to stdout.
  char* said = nullptr;
  size_t said_size = 0;
  std::FILE* out = ::open_memstream(&said, &said_size);
  std::FILE* null = std::fopen("/dev/null", "w");
  if (!out || !null) {
    if (out) std::fclose(out);
    if (null) std::fclose(null);
    return nullptr;
  }
  std::shared_ptr<CodeIndex> result;
  std::vector<std::string> skipped;
  {
    Console con(out, null);
    Run run(con);
    run.opt.flgjson = 1;  // keeps every record's place
    run.cfg.srcdir = input.roots.empty() ? "." : input.roots.front();
    const std::string root = run.cfg.srcdir;
    run.cfg.include_path = IncludePath(root);
    run.opt.flgptr = input.pointers ? 1 : 0;
    const std::string database = FindCompileDatabase(input.roots);
    if (!database.empty()) {
      run.opt.flgconf = 1;
      run.cfg.compile_database = database;
    }
    bool stopped = false;
    // Every 16 sources: a stale analysis stops there, a live one says how far it is.
    const auto stop_before = [&](size_t i) {
      if ((i & 15) != 0) return false;
      if (cancelled()) return stopped = true;
      progress(i, sources.size());
      return false;
    };
    // One pass over one source; a source that ends the analysis is left out
    // (its records and facts taken back) and named with the reason.
    const auto guarded = [&](const std::string& path, const Checkpoint& cp, auto&& pass) {
      std::fflush(out);
      const size_t said_before = said_size;
      try {
        pass();
        return true;
      } catch (const RunExit&) {
        std::fflush(out);
        std::string why(said + said_before, said_size - said_before);
        while (!why.empty() && why.back() == '\n') why.pop_back();
        skipped.push_back(path + ": " + (why.empty() ? "the analysis ended" : why));
      } catch (const std::exception& e) {
        skipped.push_back(path + ": " + e.what());
      }
      cp.restore(run);
      return false;
    };
    const auto extract = [&](const std::string& path, CleanedText& text, LineMap& map, const Checkpoint& cp) {
      guarded(path, cp, [&] { getfilename3(run, text, bare_name(path), 1, &map, &path); });
    };
    // An open header's unsaved text is what including sources read, found
    // by the path an #include makes (in either mode).
    run.rd.held = [&input](const std::string& path) -> const std::string* {
      if (input.overlays.empty()) return nullptr;
      auto it = input.overlays.find(fs::path(path).lexically_normal().string());
      return it == input.overlays.end() ? nullptr : &it->second.text;
    };
    if (run.opt.flgconf) {
      // Configured: the sources are preprocessed side by side already, and
      // converted here one after another. An open document is left to this
      // thread, which preprocesses its unsaved text rather than the file.
      std::vector<std::string> from_files;
      for (const std::string& path : sources)
        if (!input.overlays.count(path)) from_files.push_back(path);
      configured_prefetch(run, from_files);
      CleanedText text;
      LineMap map;
      for (size_t i = 0; i < sources.size(); ++i) {
        if (stop_before(i)) break;
        const std::string& path = sources[i];
        const Checkpoint cp(run);
        TextReader read;
        auto held = input.overlays.find(path);
        if (held != input.overlays.end()) read.open_bytes(held->second.text);
        const bool converted = guarded(path, cp, [&] {
          text = CleanedText{};
          map = LineMap{};
          henkan(run, path, text, &map, &read);
        });
        if (converted) extract(path, text, map, cp);
      }
    } else {
      // The conversion of the next sources goes on on a thread of its own
      // while this one extracts; an open document's text stands for its file.
      ConversionAhead::Settings settings;
      settings.temp_names = false;
      settings.keep_going = true;
      settings.bytes_of = [&input](const std::string& path) -> const std::string* {
        auto it = input.overlays.find(path);
        return it == input.overlays.end() ? nullptr : &it->second.text;
      };
      ConversionAhead ahead(run, sources, std::move(settings));
      for (size_t i = 0; i < sources.size(); ++i) {
        if (stop_before(i)) break;
        const std::string& path = sources[i];
        ConversionAhead::Converted& c = ahead.take();
        const Checkpoint cp(run);
        if (c.ended) {
          std::string why = c.out;
          while (!why.empty() && why.back() == '\n') why.pop_back();
          try {
            std::rethrow_exception(c.ended);
          } catch (const RunExit&) {
            skipped.push_back(path + ": " + (why.empty() ? "the analysis ended" : why));
          } catch (const std::exception& e) {
            skipped.push_back(path + ": " + e.what());
          }
          cp.restore(run);
          ahead.done();
          continue;
        }
        extract(path, c.text, c.map, cp);
        ahead.done();
      }
    }
    if (!stopped) {
      try {
        if (!run.recs.empty()) {
          CheckRecurrciveCall2(run);
          checkstdfunc(run);
          if (run.opt.flgptr) JoinPointerCalls(run);
        }
        CallIndex index;
        index.build(run.recs, false);
        result = CodeIndex::Build(run, index, root, run.opt.flgptr ? &run.ptr : nullptr);
        result->preprocessing = run.opt.flgconf ? (run.cfg.compile_database.empty()
                                                       ? "configured, but " + database + " could not be used"
                                                       : "configured by " + run.cfg.compile_database)
                                                : "designed (no compile_commands.json in the workspace folders or their build/)";
        progress(sources.size(), sources.size());
      } catch (const RunExit&) {
        skipped.push_back("the marking passes ended in an error");
      }
    }
  }
  std::fclose(out);
  std::fclose(null);
  std::free(said);
  if (result) {
    result->overlays = input.overlays;
    result->skipped = std::move(skipped);
  }
  return result;
}

}  // namespace zelta::lsp
