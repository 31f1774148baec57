#include "driver/input_discovery.h"

#include <algorithm>
#include <exception>

#include "calltree/extraction.h"
#include "calltree/tree_render.h"
#include "driver/conversion_ahead.h"
#include "platform/read_ahead.h"
#include "prepare/configured/configured_conversion.h"
#include "prepare/conversion.h"
#include "prepare/line_map.h"
#include "run/run.h"

namespace zelta {

namespace {

bool ends_with(const std::string& s, const char* suffix) {
  const size_t n = std::char_traits<char>::length(suffix);
  return s.size() >= n && s.compare(s.size() - n, n, suffix) == 0;
}

std::string bare_name(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The converted text of one source, kept in memory. Its temporary file is
// named as ever but made only where someone can see it: an error exit
// leaves it behind, holding whatever the run had written into it, for the
// user to look at.
class ConvFile {
 public:
  // `text` is a buffer that serves one source after another.
  ConvFile(Run& run, CleanedText& text) : ConvFile(run, text, next_temp_name(run.temps)) { run.rd.conv = path_; }
  // Under a name already chosen (by the conversion ahead, the counter as it
  // was then).
  ConvFile(Run& run, CleanedText& text, std::string path, unsigned counter) : ConvFile(run, text, std::move(path)) {
    run.temps.counter = counter;
  }
  ~ConvFile() {
    run_.rd.conv.clear();
    if (std::uncaught_exceptions() > 0 && text_.made && create_temp_file(run_.temps, path_)) Write(path_);
  }
  ConvFile(const ConvFile&) = delete;
  ConvFile& operator=(const ConvFile&) = delete;
  CleanedText& text() { return text_; }

  // The text as its file holds it: CP932 bytes as read, CR LF line ends.
  void Write(const std::string& path) const {
    TextWriter out;
    if (out.open(path)) out.raw(text_.text);
  }

 private:
  ConvFile(Run& run, CleanedText& text, std::string path) : run_(run), path_(std::move(path)), text_(text) {
    if (path_.empty()) {
      run.con.text("一時ファイルの作成に失敗しました\n");
      run.errlog.text("一時ファイルの作成に失敗しました\n");
      EndRun(0);
    }
  }

  Run& run_;
  std::string path_;
  CleanedText& text_;
};

void KeepCopy(Run& run, const ConvFile& conv) {
  if (run.opt.flgmid) conv.Write("abcd.txt");
}

// Source locations are only written out by -j; other runs keep none.
LineMap* Locations(Run& run, LineMap& map) { return run.opt.flgjson ? &map : nullptr; }

}  // namespace

bool FindCFile(DirSearch& search, const std::string& text, int mode, std::string& entry) {
  if (mode == 3) return path_exists(text);
  if (mode == 1) {
    // Directories are taken relative to the working directory; an absolute
    // one is searched where it is.
    search.entries = find_matching(!text.empty() && text[0] == '/' ? text : "./" + text, "c");
    search.next = 0;
  }
  if (search.next >= search.entries.size()) {
    search.entries.clear();
    search.next = 0;
    return false;
  }
  entry = search.entries[search.next++];
  return true;
}

void Tree(Run& run, const std::string& text) {
  const Options& o = run.opt;
  if (o.flgdebug) {
    run.con.text("---Tree---\n");
    run.con.print("filename or dirname:%s\n", text.c_str());
  }
  const int count = static_cast<int>(std::count(text.begin(), text.end(), '|'));
  if (o.flgdebug) run.con.print("empty:%d\n", count);

  // From the end: a "." anywhere after the first path's folder sets the dot
  // mark (a list of file names); the first "/" inside the first path ends the
  // scan and gives srcdir.
  bool dot = false;
  int left = count;
  for (size_t i = text.size(); i-- > 0;) {
    const char c = text[i];
    if (c == '|') {
      --left;
    } else if (c == '.') {
      dot = true;
    } else if (c == '/' && left == 0) {
      run.cfg.srcdir = i == 0 ? "/" : text.substr(0, i);
      break;
    }
  }
  // A leading "./" is an ordinary relative path, so a list whose first path
  // begins with "." keeps its dot mark.

  if (o.flgtime) Checkpoint(run, "1-0-1 %d.%03d\n");
  if (count == 0) {
    if (o.flgdebug) run.con.text("!!!!File Or Directory!!!!\n");
    CheckFileOrDir(run, text);
  } else if (dot) {
    if (o.flgdebug) {
      run.con.text("!!!!FileFileFile!!!!\n");
      run.con.print("FileOrDir=%s\n", text.c_str());
    }
    Multifile(run, text, count);
  } else {
    // Several names without any "." are no file list; taken as one directory
    // name they end in the "no C source" message.
    Directory(run, text);
  }
}

void CheckFileOrDir(Run& run, const std::string& path) {
  const Options& o = run.opt;
  if (o.flgdebug) run.con.text("---CheckFileOrDir---\n");
  if (o.flgtime) Checkpoint(run, "1-0-2 %d.%03d\n");
  if (o.flgdebug) run.con.print("FileOrDir:%s\n", path.c_str());

  const std::string last = bare_name(path);
  if (last == "." || last == ".." || last.find('.') == std::string::npos) {
    if (o.flgdebug) run.con.text("!!!!Directory!!!!\n");
    // Local headers of a directory run sit beside its sources.
    run.cfg.srcdir = path.empty() ? "." : path;
    Directory(run, path);
    return;
  }
  if (!ends_with(path, ".c")) {
    run.con.print("%sはCのソースファイルではありません\n", path.c_str());
    EndRun(0);
  }
  if (o.flgtime) Checkpoint(run, "1-0-3 %d.%03d\n");
  DirSearch none;
  std::string unused;
  if (!FindCFile(none, path, 3, unused)) {
    run.con.print("エラー : %sというファイルはありません\n", path.c_str());
    EndRun(0);
  }
  if (o.flgdebug) run.con.text("!!!!File!!!!\n");
  CleanedText text;
  ConvFile conv(run, text);
  if (o.flgtime) Checkpoint(run, "1-0-4 %d.%03d\n");
  if (run.cfg.srcdir.empty()) run.cfg.srcdir = ".";
  LineMap map;
  henkan(run, path, conv.text(), Locations(run, map));
  KeepCopy(run, conv);
  const std::string name = bare_name(path);
  run.con.eprint("filename=%s\n", name.c_str());
  getfilename3(run, conv.text(), name, 0, Locations(run, map), &path);
}

void Directory(Run& run, const std::string& dir) {
  const Options& o = run.opt;
  if (o.flgdebug) run.con.text("---Directory---\n");
  if (run.cfg.srcdir.empty()) run.cfg.srcdir = ".";
  int files = 0;
  DirSearch search;
  RecordDump dump;
  LineMap map;
  CleanedText text;
  std::string entry;
  bool found = FindCFile(search, dir, 1, entry);
  if (!found) {
    run.con.print("エラー : %sにCのソースファイルがありません\n", dir.c_str());
    run.con.text("終了します\n");
    EndRun(0);
  }
  // An empty folder text is the working folder, not the root.
  const auto source_of = [&dir](const std::string& name) {
    return dir == ".//" || dir.empty() ? dir + name : dir + "//" + name;
  };
  // The search has listed every entry already: the sources are known.
  std::vector<std::string> sources;
  for (const std::string& e : search.entries)
    if (ends_with(e, ".c")) sources.push_back(source_of(e));
  if (o.flgconf) configured_prefetch(run, sources);
  ReadAhead ahead(std::move(sources));
  TextReader read;
  for (; found; found = FindCFile(search, dir, 2, entry)) {
    if (o.flgdebug) run.con.print("*****%s\n", entry.c_str());
    if (!ends_with(entry, ".c")) continue;
    const std::string source = source_of(entry);
    ahead.take(source, read);
    if (o.flgdebug) run.con.print("filename:%s\n", source.c_str());
    ConvFile conv(run, text);
    run.con.eprint("filename=%s\n", entry.c_str());
    henkan(run, source, conv.text(), Locations(run, map), &read);
    KeepCopy(run, conv);
    getfilename3(run, conv.text(), entry, 1, Locations(run, map), &source);
    dump.update(run);
    ++files;
    if (o.flgdebug) run.con.print("%dつ目の関数終了\n", files);
  }
  dump.close();
}

void Multifile(Run& run, const std::string& text, int count) {
  const Options& o = run.opt;
  if (o.flgdebug) {
    run.con.text("----Multifile()---\n");
    run.con.print("len=%d\n", 0);
    run.con.print("%s\n", text.c_str());
    run.con.text("----Multifile()---\n");
    run.con.print("filecnt=%d\n", count);
    run.con.print("len=%d\n", static_cast<int>(text.size()));
    run.con.print("%s\n", text.c_str());
  }
  std::vector<std::string> paths;
  paths.reserve(static_cast<size_t>(count) + 1);
  size_t start = 0;
  for (;;) {
    const size_t bar = text.find('|', start);
    paths.push_back(text.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
    if (bar == std::string::npos) break;
    start = bar + 1;
  }
  if (o.flgdebug) run.con.text("---Multifile()---\n");
  // Without a folder in the first path the sources sit in the working directory.
  if (run.cfg.srcdir.empty()) run.cfg.srcdir = ".";
  std::vector<std::string> sources;
  for (const std::string& path : paths)
    if (!ends_with(path, ".h")) sources.push_back(path);
  // The second core converts the next source while this one extracts the
  // last. Not under -d and -t, whose lines tell the two passes apart, nor
  // under -c, whose sources are converted side by side already.
  if (sources.size() > 1 && !o.flgdebug && !o.flgtime && !o.flgconf) {
    ConversionAhead ahead(run, std::move(sources));
    for (const std::string& path : paths) {
      if (ends_with(path, ".h")) continue;
      ConversionAhead::Converted& c = ahead.take();
      {
        const std::string name = bare_name(path);
        ConvFile conv(run, c.text, c.temp, c.temp_counter);
        run.con.print("ファイル:%sを解析中...\n", name.c_str());
        run.con.flush();
        ahead.say(c);
        if (c.ended) std::rethrow_exception(c.ended);
        getfilename3(run, c.text, name, 1, o.flgjson ? &c.map : nullptr, &path);
      }
      ahead.done();
    }
    return;
  }
  LineMap map;
  CleanedText cleaned;
  if (o.flgconf) configured_prefetch(run, sources);
  ReadAhead ahead(std::move(sources));
  TextReader read;
  for (const std::string& path : paths) {
    if (ends_with(path, ".h")) continue;
    ahead.take(path, read);
    const std::string name = bare_name(path);
    ConvFile conv(run, cleaned);
    run.con.print("ファイル:%sを解析中...\n", name.c_str());
    // Whoever reads a piped console (the window's progress bar) sees each
    // file as it begins, not a buffer's worth at a time.
    run.con.flush();
    henkan(run, path, conv.text(), Locations(run, map), &read);
    getfilename3(run, conv.text(), name, 1, Locations(run, map), &path);
  }
}

}  // namespace zelta
