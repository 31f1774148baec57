#include "driver/settings_file.h"

#include <cctype>
#include <cstring>
#include <string>

#include "run/run.h"

namespace zelta {

void ScanOptValue(Run& run, const char* value) {
  Options& o = run.opt;
  bool armed = false;
  for (const char* p = value; *p; ++p) {
    if (*p == '-' || *p == ' ') {
      armed = true;
      continue;
    }
    if (!armed) continue;
    switch (std::toupper(static_cast<unsigned char>(*p))) {
      case 'A': o.flgall++; armed = false; break;
      case 'E': o.flgomit++; armed = false; break;
      case 'O': o.flgout++; armed = false; break;
      case 'T': o.flgtime++; armed = false; break;
      case 'V': o.flgfilename++; armed = false; break;
      case 'W': o.flgerrlog++; armed = false; break;
      case 'R': o.flgrev++; armed = false; break;
      case 'J': o.flgjson++; armed = false; break;
      case 'G': o.flgdot++; armed = false; break;
      case 'C': o.flgconf++; armed = false; break;
      case 'P': o.flgptr++; armed = false; break;
      case 'S': o.flgfuncall++; break;  // stays armed
      default: break;
    }
  }
}

void ReadSettingsFile(Run& run) {
  TextReader in;
  int settings = 0;
  std::string opt;
  if (in.open("zelta.ini")) {
    std::string line;
    // One read takes at most 149 characters; the rest of a longer line is
    // judged as a line of its own.
    while (in.gets(line, 149)) {
      if (line[0] == ';') continue;
      if (line.compare(0, 4, "opt=") == 0) {
        opt = line.substr(4);
        ++settings;
      } else if (line.compare(0, 13, "include_path=") == 0) {
        run.cfg.include_path = line.substr(13);
        ++settings;
      }
    }
    in.close();
  }
  if (settings != 2) {
    run.con.text("zelta.iniファイルが壊れてます\n");
    run.con.text("zelta.iniファイルを一度削除してください\n");
    run.errlog.text("zelta.iniファイルが壊れてます\nzelta.iniファイルを一度削除してください\n");
    EndRun(0);
  }
  ScanOptValue(run, opt.c_str());
}

}  // namespace zelta
