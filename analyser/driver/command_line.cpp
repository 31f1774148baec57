#include "driver/command_line.h"

#include <cctype>

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
