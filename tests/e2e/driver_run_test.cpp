// The run sequence around the analysis proper: debug traces of the command
// line, timing checkpoints, the banner, the log's lifetime and -w.
#include <gtest/gtest.h>

#include <regex>

#include "test_support.h"

namespace zelta::test {
namespace {

ProcResult conzelta(const ScratchDir& dir, const std::vector<std::string>& args) {
  return run_program(CONZELTA_PATH, args, dir.path());
}

// Time stamps vary: "1 : 1765200000.123" becomes "1 : T".
std::string mask_times(const std::string& s) {
  static const std::regex stamp("[0-9]+\\.[0-9]{3}");
  return std::regex_replace(s, stamp, "T");
}

TEST(DriverRun, DebugTracesOfTheCommandLine) {
  ScratchDir d;
  write_file(d / "zelta.ini", default_ini());
  ProcResult r = conzelta(d, {"-d", "-o", "x.c"});
  EXPECT_EQ(r.status, 0);
  std::string expected = std::string("func:FileOut()\n") + "argc:4\n1:\n2:\n3:x.c\n" + kDash +
                         "temp_arg:\n" + kDash + "temp_arg:\n" + kDash + "temp_arg:x.c\n" + kDash +
                         "optcnt=2\nlen=3\narg_fileOrdir:x.c\n" +
                         "---Tree---\nfilename or dirname:x.c\nempty:0\n!!!!File Or Directory!!!!\n"
                         "---CheckFileOrDir---\nFileOrDir:x.c\n"
                         "エラー : x.cというファイルはありません\n";
  EXPECT_EQ(r.out, expected);
  // Messages about the user's input go to the console only.
  EXPECT_EQ(read_file(d / "zelta_err.txt"), "");
}

TEST(DriverRun, OptionOBeforeDebugPrintsNothing) {
  ScratchDir d;
  write_file(d / "zelta.ini", default_ini());
  ProcResult r = conzelta(d, {"-o", "-d", "x.c"});
  EXPECT_EQ(r.out.find("func:FileOut()"), std::string::npos);
}

TEST(DriverRun, SuccessfulRunPrintsBannerAndRemovesLog) {
  ScratchDir d;
  write_file(d / "zelta.ini", default_ini());
  write_file(d / "a.c", "int main(void)\n{\n    f();\n}\n");
  ProcResult r = conzelta(d, {"a.c"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, kDrawing + kBanner);
  EXPECT_EQ(r.err, "filename=a.c\n");
  EXPECT_FALSE(file_exists(d / "zelta_err.txt"));
  EXPECT_EQ(read_file(d / "tree.txt"), "1 main\r\n");
}

TEST(DriverRun, OptionWKeepsTheLogAndSettingsFileFlagsAdd) {
  ScratchDir d;
  write_file(d / "zelta.ini", sjfile(";c\nopt=-w\ninclude_path=\n"));
  write_file(d / "a.c", "int main(void)\n{\n}\n");
  ProcResult r = conzelta(d, {"a.c"});
  EXPECT_EQ(r.status, 1);
  ASSERT_TRUE(file_exists(d / "zelta_err.txt"));
  EXPECT_EQ(read_file(d / "zelta_err.txt"), "");
}

TEST(DriverRun, TimingReplacesTheBanner) {
  ScratchDir d;
  write_file(d / "zelta.ini", default_ini());
  write_file(d / "a.c", "int main(void)\n{\n}\n");
  ProcResult r = conzelta(d, {"-t", "-w", "a.c"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(mask_times(r.out),
            "時間を計測中...\n1 : T\n1-0-1 T\n1-0-2 T\n1-0-3 T\n1-0-4 T\n---\n1-1 T\n1-2 T\n2 : T\n3 : T\n"
            "解析結果を描画してます...\n4 : T\n5 : T\n実行結果にかかった時間:T秒\n");
  const std::string log = read_file(d / "zelta_err.txt");
  EXPECT_TRUE(std::regex_match(log, std::regex(sj("実行結果にかかった時間:") + "[0-9]+\\.[0-9]{3}" +
                                               sj("秒") + "\r\n")))
      << log;
}

}  // namespace
}  // namespace zelta::test
