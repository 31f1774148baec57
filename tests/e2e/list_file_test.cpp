// @FILE: the paths of a list file stand where the word stood. A run through
// a list must be the run of the same paths on the command line, byte for
// byte (console, tree.txt, exit status).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.h"

namespace zelta::test {
namespace {

ProcResult conzelta(const ScratchDir& dir, const std::vector<std::string>& args) {
  return run_program(
      "/usr/bin/timeout",
      [&] {
        std::vector<std::string> a{"-s", "KILL", "60", CONZELTA_PATH};
        a.insert(a.end(), args.begin(), args.end());
        return a;
      }(),
      dir.path());
}

// Sources with blanks and non-ASCII names, a header (passed over in a list
// run) and a folder.
void WriteSources(const ScratchDir& d) {
  write_file(d / "zelta.ini", default_ini());
  write_file(d / "my dir/a b.c", "int main(void) { sub(); helper(); }\n");
  write_file(d / "ソース/関数.c", "int sub(void) { return leaf(); }\nint leaf(void) { return 0; }\n");
  write_file(d / "my dir/h.h", "int helper(void);\n");
  write_file(d / "@odd.c", "int helper(void) { return 1; }\n");
  write_file(d / "src/x.c", "int main(void) { y(); }\nint y(void) { return 0; }\n");
}

void ExpectSameRun(const std::vector<std::string>& plain, const std::string& list,
                   const std::vector<std::string>& with_list, const char* what) {
  ScratchDir a, b;
  WriteSources(a);
  WriteSources(b);
  write_file(b / "paths.lst", list);
  const ProcResult ra = conzelta(a, plain), rb = conzelta(b, with_list);
  EXPECT_EQ(rb.status, ra.status) << what;
  EXPECT_EQ(rb.out, ra.out) << what;
  EXPECT_EQ(read_file(b / "tree.txt"), read_file(a / "tree.txt")) << what;
  EXPECT_EQ(read_file(b / "zelta_err.txt"), read_file(a / "zelta_err.txt")) << what;
}

TEST(ListFile, StandsForItsPathsInOrder) {
  ExpectSameRun({"-v", "my dir/a b.c", "my dir/h.h", "ソース/関数.c", "./@odd.c"},
                "my dir/a b.c\nmy dir/h.h\r\n\n  \nソース/関数.c\r\n./@odd.c", {"-v", "@paths.lst"},
                "LF, CR LF, an empty and a blank line, no line end at the end");
  // Between other paths, under -f: exactly where the word stood.
  ExpectSameRun({"-f", "sub", "my dir/a b.c", "ソース/関数.c", "./@odd.c"}, "ソース/関数.c\n",
                {"-f", "sub", "my dir/a b.c", "@paths.lst", "./@odd.c"}, "a list among paths");
  // One listed path is a run of one path: a folder stays a folder run, a
  // file a single-file run.
  ExpectSameRun({"src"}, "src\r\n", {"@paths.lst"}, "a list of one folder");
  ExpectSameRun({"ソース/関数.c"}, "ソース/関数.c\n", {"@paths.lst"}, "a list of one file");
}

TEST(ListFile, ThatCannotBeReadEndsTheRun) {
  for (const char* name : {"nope.lst", "src"}) {
    ScratchDir d;
    WriteSources(d);
    const ProcResult r = conzelta(d, {"-a", std::string("@") + name});
    EXPECT_EQ(r.status, 0) << name;
    EXPECT_EQ(r.out, std::string("エラー : ") + name + "のファイルがありません\n") << name;
    EXPECT_EQ(read_file(d / "zelta_err.txt"), sjfile("ファイルのオープンに失敗しました\n")) << name;
    EXPECT_FALSE(file_exists(d / "tree.txt")) << name;
  }
}

}  // namespace
}  // namespace zelta::test
