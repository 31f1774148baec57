#include "driver/command_line.h"

#include <cctype>

#include "platform/text_file.h"

#include "run/run.h"

namespace zelta {

static void syntax_error(Run& run) {
  run.con.text("構文のエラーです\n");
  run.errlog.text("構文のエラーです\n");
  EndRun(0);
}

int ParseSwitches(Run& run, std::vector<std::string>& words) {
  Options& o = run.opt;
  const size_t argc = words.size();
  if (argc < 2 || words[1].empty() || words[1][0] != '-') return 0;
  int optcnt = 0;
  const size_t last = argc - 1;  // the last word is always a path
  for (size_t i = 1; i < last; ++i) {
    std::string& w = words[i];
    if (w.empty() || w[0] != '-') continue;
    ++optcnt;
    bool take_name = false;
    for (size_t k = 1; k < w.size(); ++k) {
      switch (std::toupper(static_cast<unsigned char>(w[k]))) {
        case 'A': o.flgall++; break;
        case 'D': o.flgdebug++; break;
        case 'E': o.flgomit++; break;
        case 'M': o.flgmid++; break;
        case 'N': o.flgn++; break;
        case 'O':
          o.flgout++;
          if (o.flgdebug) run.con.print("func:FileOut()\n");
          break;
        case 'S': o.flgfuncall++; break;
        case 'T': o.flgtime++; break;
        case 'V': o.flgfilename++; break;
        case 'W': o.flgerrlog++; break;
        case 'R': o.flgrev++; break;
        case 'J': o.flgjson++; break;
        case 'G': o.flgdot++; break;
        case 'C': o.flgconf++; break;
        case 'P': o.flgptr++; break;
        case 'F':
          o.flgfunc++;
          // Only an F that ends its word takes the next word as the name.
          take_name = (k + 1 == w.size());
          break;
        default: break;  // unknown letters are ignored
      }
    }
    w.clear();
    if (!take_name) continue;
    std::string& next = words[i + 1];
    if (!next.empty() && next[0] == '-') continue;
    if (i + 1 == last || next.empty()) syntax_error(run);
    o.startfunc = next;
    next.clear();
    ++i;  // the name word is neither a switch nor a path
  }
  return optcnt;
}

static bool blank_line(const std::string& line) {
  for (char c : line)
    if (c != ' ' && c != '\t') return false;
  return true;
}

void ExpandListFiles(Run& run, std::vector<std::string>& words, int optcnt) {
  const size_t first = static_cast<size_t>(optcnt) + 1;
  if (first >= words.size()) return;
  bool any = false;
  for (size_t i = first; i < words.size() && !any; ++i) any = !words[i].empty() && words[i][0] == '@';
  if (!any) return;
  std::vector<std::string> out(words.begin(), words.begin() + static_cast<std::ptrdiff_t>(first));
  for (size_t i = first; i < words.size(); ++i) {
    const std::string& w = words[i];
    if (w.empty() || w[0] != '@') {
      out.push_back(w);
      continue;
    }
    const std::string list = w.substr(1);
    TextReader in;
    if (!in.open(list)) {
      run.errlog.text("ファイルのオープンに失敗しました\n");
      run.con.print("エラー : %sのファイルがありません\n", list.c_str());
      EndRun(0);
    }
    std::string line;
    while (in.gets(line)) {
      if (!line.empty() && line.back() == '\n') line.pop_back();
      if (!blank_line(line)) out.push_back(line);
    }
  }
  words.swap(out);
}

std::string JoinPaths(Run& run, const std::vector<std::string>& words, int optcnt) {
  std::string joined;
  const size_t argc = words.size();
  for (size_t i = static_cast<size_t>(optcnt) + 1; i < argc; ++i) {
    const std::string& w = words[i];
    if (run.opt.flgdebug) run.con.print("len=%d\n", static_cast<int>(w.size()));
    joined += w;
    if (i != argc - 1 && !w.empty()) joined += '|';
  }
  return joined;
}

}  // namespace zelta
