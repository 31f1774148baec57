#include "prepare/configured/configured_conversion.h"

#include <unordered_map>

#include "prepare/configured/configured_run.h"
#include "prepare/configured/prefetch.h"
#include "prepare/configured/source_preprocessor.h"
#include "prepare/conversion.h"
#include "prepare/line_map.h"
#include "run/run.h"

namespace zelta {

namespace {

// The conversion pass located the cleaned text in the preprocessed text;
// each of its lines stands for a line of a source or header.
void relocate(LineMap& map, const std::string& cleaned, const std::vector<SourceLoc>& lines) {
  const std::vector<LineMap::Entry> old = map.entries();
  map.clear_entries();
  for (size_t i = 0; i < old.size(); ++i) {
    const LineMap::Entry& e = old[i];
    const size_t end = i + 1 < old.size() ? old[i + 1].offset : cleaned.size();
    size_t at = e.offset, newlines = e.newlines;
    long long line = e.line;
    while (at < end || at == e.offset) {
      SourceLoc loc{e.file, static_cast<int>(line)};
      if (e.file == map.unit && line >= 1 && static_cast<size_t>(line) <= lines.size())
        loc = lines[static_cast<size_t>(line - 1)];
      map.mark(at, newlines, loc);
      const size_t nl = cleaned.find('\n', at);
      if (nl == std::string::npos || nl + 1 >= end) break;
      at = nl + 1;
      ++newlines;
      ++line;
    }
  }
}

}  // namespace

void configured_prefetch(Run& run, const std::vector<std::string>& sources) {
  if (sources.empty()) return;
  configured::prefetch_sources(configured::configured_run(run, sources.front()), sources);
}

void configured_henkan(Run& run, const std::string& source, CleanedText& out, LineMap* map, TextReader* read) {
  configured::ConfiguredRun& cr = configured::configured_run(run, source);
  configured::Preprocessed pp;
  if (!(cr.ahead && cr.ahead->take(source, pp))) {
    TextReader own;
    if ((read && read->is_open()) || own.open(source)) {
      const configured::SourceConfig cfg = cr.config_for(source);
      configured::preprocess_source(cr, source, read && read->is_open() ? read->data() : own.data(), cfg, pp);
    }
  }
  if (read) read->close();
  if (!pp.opened) {
    convert_source(run, source, out, map, nullptr);  // reports the missing source as ever
    return;
  }
  // The files it read join the run's table in the order this source first
  // read them, as one thread reading source after source would add them.
  std::unordered_map<int, int> global;
  for (int id : pp.used) global.emplace(id, run.sources.intern(cr.path_of(id)));
  for (SourceLoc& l : pp.lines)
    if (l.file >= 0) l.file = global.at(l.file);
  for (const configured::PpNote& n : pp.notes)
    if (n.once.empty() || cr.noted.insert(n.once).second)
      run.errlog.print(n.fmt.c_str(), n.path.c_str(), n.line, n.name.c_str());
  TextReader text;
  text.open_bytes(pp.text);
  convert_source(run, source, out, map, &text);
  if (map) relocate(*map, out.text, pp.lines);
}

}  // namespace zelta
