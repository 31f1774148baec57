#include <gtest/gtest.h>

#include "driver/command_line.h"
#include "run/run.h"
#include "driver/settings_file.h"

namespace zelta {
namespace {

struct Parsed {
  int optcnt = -1;
  std::string joined;
  Options opt;
  int status = -1;  // set when the parse ended the run
};

Parsed parse(std::vector<std::string> words) {
  static FILE* sink = std::fopen("/dev/null", "w");
  Console con(sink, sink);
  Run run(con);
  Parsed p;
  words.insert(words.begin(), "conzelta");
  try {
    p.optcnt = ParseSwitches(run, words);
    p.joined = JoinPaths(run, words, p.optcnt);
  } catch (const RunExit& e) {
    p.status = e.status;
  }
  p.opt = run.opt;
  return p;
}

TEST(Switches, FirstWordDecidesWhetherAnythingIsParsed) {
  Parsed a = parse({"-a"});  // the last word is never parsed
  EXPECT_EQ(a.optcnt, 0);
  EXPECT_EQ(a.opt.flgall, 0);
  EXPECT_EQ(a.joined, "-a");

  Parsed b = parse({"x.c", "-a"});
  EXPECT_EQ(b.optcnt, 0);
  EXPECT_EQ(b.opt.flgall, 0);
  EXPECT_EQ(b.joined, "x.c|-a");
}

TEST(Switches, LettersAreCaseInsensitiveAndCounted) {
  Parsed p = parse({"-adv", "-A", "-xq", "dir"});
  EXPECT_EQ(p.optcnt, 3);
  EXPECT_EQ(p.opt.flgall, 2);
  EXPECT_EQ(p.opt.flgdebug, 1);
  EXPECT_EQ(p.opt.flgfilename, 1);
  EXPECT_EQ(p.joined, "dir");
}

TEST(Switches, FunctionNameRules) {
  Parsed p = parse({"-F", "Sub", "dir"});
  EXPECT_EQ(p.opt.flgfunc, 1);
  EXPECT_EQ(p.opt.startfunc, "Sub");
  EXPECT_EQ(p.joined, "dir");

  Parsed q = parse({"-f", "-a", "dir"});
  EXPECT_EQ(q.opt.flgfunc, 1);
  EXPECT_EQ(q.opt.flgall, 1);
  EXPECT_EQ(q.opt.startfunc, "main");
  EXPECT_EQ(q.joined, "dir");

  Parsed r = parse({"-a", "-f", "sub", "a.c", "b.c"});
  EXPECT_EQ(r.opt.startfunc, "sub");
  EXPECT_EQ(r.joined, "a.c|b.c");

  Parsed s = parse({"-af", "name", "x.c"});
  EXPECT_EQ(s.opt.startfunc, "name");
  EXPECT_EQ(s.opt.flgall, 1);

  // An F that does not end its word takes no name.
  Parsed t = parse({"-fa", "-d", "x.c"});
  EXPECT_EQ(t.opt.flgfunc, 1);
  EXPECT_EQ(t.opt.flgall, 1);
  EXPECT_EQ(t.opt.startfunc, "main");
}

TEST(Switches, MissingOrEmptyFunctionNameIsASyntaxError) {
  EXPECT_EQ(parse({"-f", "name"}).status, 0);
  EXPECT_EQ(parse({"-f", "", "x.c"}).status, 0);
}

TEST(Switches, WordBetweenSwitchesIsLost) {
  Parsed p = parse({"-a", "x", "-d", "dir"});
  EXPECT_EQ(p.optcnt, 2);
  EXPECT_EQ(p.joined, "dir");
}

TEST(OptValue, ArmedScanner) {
  FILE* sink = std::fopen("/dev/null", "w");
  Console con(sink, sink);
  {
    zelta::Run run(con);
    ScanOptValue(run, "-av\n");
    EXPECT_EQ(run.opt.flgall, 1);
    EXPECT_EQ(run.opt.flgfilename, 0);
  }
  {
    zelta::Run run(con);
    ScanOptValue(run, "-a -v");
    EXPECT_EQ(run.opt.flgall, 1);
    EXPECT_EQ(run.opt.flgfilename, 1);
  }
  {
    zelta::Run run(con);
    ScanOptValue(run, "-st");
    EXPECT_EQ(run.opt.flgfuncall, 1);
    EXPECT_EQ(run.opt.flgtime, 1);
  }
  {
    zelta::Run run(con);
    ScanOptValue(run, "-xa -d -f -m -n -w");
    EXPECT_EQ(run.opt.flgall, 1);
    EXPECT_EQ(run.opt.flgdebug, 0);
    EXPECT_EQ(run.opt.flgfunc, 0);
    EXPECT_EQ(run.opt.flgmid, 0);
    EXPECT_EQ(run.opt.flgn, 0);
    EXPECT_EQ(run.opt.flgerrlog, 1);
  }
  std::fclose(sink);
}

}  // namespace
}  // namespace zelta
