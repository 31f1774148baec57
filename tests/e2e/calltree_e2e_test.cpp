// The analyser end to end on small C sources: tree.txt, the dumps, the
// console and the exit status, byte for byte.
#include <gtest/gtest.h>

#include <filesystem>

#include "test_support.h"

namespace zelta::test {
namespace {

// b calls itself, a calls b, main calls a, b and printf.
const char* const kExample =
    "int b(int n)\n"
    "{\n"
    "    if (n > 0) b(n - 1);\n"
    "    return 0;\n"
    "}\n"
    "\n"
    "int a(void)\n"
    "{\n"
    "    return b(1);\n"
    "}\n"
    "\n"
    "int main(void)\n"
    "{\n"
    "    a();\n"
    "    b(2);\n"
    "    printf(\"done\\n\");\n"
    "    return 0;\n"
    "}\n";

// A folder with zelta.ini and its own folder for temporary files.
struct Work {
  ScratchDir dir;
  Work() {
    write_file(dir / "zelta.ini", default_ini());
    std::filesystem::create_directory(dir / "tmp");
  }
  void source(const std::string& name, const std::string& text) { write_file(dir / name, text); }
  ProcResult run(const std::vector<std::string>& args, const std::vector<std::string>& env = {}) {
    std::vector<std::string> e = env;
    e.push_back("TMP=" + dir / "tmp");
    return run_program(CONZELTA_PATH, args, dir.path(), e);
  }
  std::string tree() const { return read_file(dir / "tree.txt"); }
  std::string file(const std::string& name) const { return read_file(dir / name); }
  bool exists(const std::string& name) const { return file_exists(dir / name); }
  bool temp_empty() const { return std::filesystem::is_empty(dir / "tmp"); }
};

void expect_success(Work& w, const ProcResult& r, const std::string& out_before = "") {
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, out_before + kDrawing + kBanner);
  EXPECT_FALSE(w.exists("zelta_err.txt"));
  EXPECT_TRUE(w.temp_empty());
}

TEST(CalltreeE2E, WorkedExampleWithoutSwitches) {
  Work w;
  w.source("x.c", kExample);
  ProcResult r = w.run({"x.c"});
  expect_success(w, r);
  EXPECT_EQ(r.err, "filename=x.c\n");
  EXPECT_EQ(w.tree(), sjfile("1 main\n"
                             "2  ├a\n"
                             "3  │ └b\n"
                             "4  │ 　 └b:RecurrciveCall\n"
                             "5  └b\n"
                             "6  　 └b:RecurrciveCall\n"));
  EXPECT_FALSE(w.exists("2.txt"));
  EXPECT_FALSE(w.exists("3.txt"));
  EXPECT_FALSE(w.exists("abcd.txt"));
}

TEST(CalltreeE2E, WorkedExampleSwitchVariants) {
  struct Case {
    std::vector<std::string> args;
    const char* tree;
  };
  const Case cases[] = {
      {{"-a", "x.c"},
       "1 main\n2  ├a\n3  │ └b\n4  │ 　 └b:RecurrciveCall\n5  ├b\n6  │ └b:RecurrciveCall\n7  └printf:Stdfunc\n"},
      {{"-e", "x.c"}, "1 main\n2  ├a\n3  │ └b\n4  │ 　 └b:RecurrciveCall\n5  └b=3-4\n"},
      {{"-v", "x.c"},
       "1 main [x.c]\n2  ├a [x.c]\n3  │ └b [x.c]\n4  │ 　 └b:RecurrciveCall [x.c]\n5  └b [x.c]\n"
       "6  　 └b:RecurrciveCall [x.c]\n"},
      {{"-ae", "x.c"}, "1 main\n2  ├a\n3  │ └b\n4  │ 　 └b:RecurrciveCall\n5  ├b=3-4\n6  └printf:Stdfunc\n"},
      {{"-e", "-v", "x.c"},
       "1 main [x.c]\n2  ├a [x.c]\n3  │ └b [x.c]\n4  │ 　 └b:RecurrciveCall [x.c]\n5  └b=3-4 [x.c]\n"},
      {{"-A", "-V", "-E", "x.c"},
       "1 main [x.c]\n2  ├a [x.c]\n3  │ └b [x.c]\n4  │ 　 └b:RecurrciveCall [x.c]\n5  ├b=3-4 [x.c]\n"
       "6  └printf:Stdfunc [x.c]\n"},
      {{"-av", "x.c"},
       "1 main [x.c]\n2  ├a [x.c]\n3  │ └b [x.c]\n4  │ 　 └b:RecurrciveCall [x.c]\n5  ├b [x.c]\n"
       "6  │ └b:RecurrciveCall [x.c]\n7  └printf:Stdfunc [x.c]\n"},
      {{"-f", "a", "x.c"}, "1 a\n2  └b\n3  　 └b:RecurrciveCall\n"},
      {{"-s", "x.c"},
       " 1 main\n 2  ├a\n 3  │ └b\n 4  │ 　 └b:RecurrciveCall\n 5  └b\n 6  　 └b:RecurrciveCall\n"
       " 7 b\n 8  └b:RecurrciveCall\n 9 a\n10  └b\n11  　 └b:RecurrciveCall\n"},
      {{"-se", "x.c"}, "1 main\n2  ├a\n3  │ └b\n4  │ 　 └b:RecurrciveCall\n5  └b=3-4\n6 b=3-4\n7 a=2-4\n"},
  };
  for (const Case& c : cases) {
    Work w;
    w.source("x.c", kExample);
    ProcResult r = w.run(c.args);
    expect_success(w, r);
    EXPECT_EQ(w.tree(), sjfile(c.tree)) << c.args[0];
  }
}

TEST(CalltreeE2E, SwitchesFromTheSettingsFile) {
  Work w;
  w.source("x.c", kExample);
  write_file(w.dir / "zelta.ini", "opt=-e -v\r\ninclude_path=\r\n");
  ProcResult r = w.run({"x.c"});
  expect_success(w, r);
  EXPECT_EQ(w.tree(), sjfile("1 main [x.c]\n2  ├a [x.c]\n3  │ └b [x.c]\n4  │ 　 └b:RecurrciveCall [x.c]\n"
                             "5  └b=3-4 [x.c]\n"));
  // R, J and G count there as well: the callers tree, tree.json, tree.dot.
  write_file(w.dir / "zelta.ini", "opt=-r -j -g\r\ninclude_path=\r\n");
  ProcResult rjg = w.run({"-f", "a", "x.c"});
  expect_success(w, rjg);
  EXPECT_EQ(w.tree(), sjfile("1 a\n2  └main\n"));
  EXPECT_TRUE(w.exists("tree.json"));
  EXPECT_TRUE(w.exists("tree.dot"));
}

TEST(CalltreeE2E, MidWritesTheDumps) {
  Work w;
  w.source("x.c", kExample);
  ProcResult r = w.run({"-m", "x.c"});
  expect_success(w, r, "2.txt:OK\n");
  EXPECT_EQ(w.file("2.txt"), "b-b-\r\na-b-\r\nmain-a-b-printf-\r\n");
  EXPECT_EQ(w.file("3.txt"),
            "main flg:1\r\n\ta flg:1\r\n\t\tb flg:1\r\n\t\t\tb:RecurrciveCall flg:0\r\n"
            "\tb flg:1\r\n\t\tb:RecurrciveCall flg:0\r\n");
  EXPECT_TRUE(w.exists("abcd.txt"));
  EXPECT_NE(w.file("abcd.txt").find(" main(){"), std::string::npos);
}

const char* const kCycle =
    "int c(void);\n"
    "int a(void)\n"
    "{\n"
    "    c();\n"
    "    return 0;\n"
    "}\n"
    "int c(void)\n"
    "{\n"
    "    a();\n"
    "    return 1;\n"
    "}\n"
    "int main(void)\n"
    "{\n"
    "    a();\n"
    "    return 0;\n"
    "}\n";

TEST(CalltreeE2E, IndirectRecursion) {
  Work w;
  w.source("r.c", kCycle);
  ProcResult r = w.run({"r.c"});
  expect_success(w, r);
  EXPECT_EQ(w.tree(), sjfile("1 main\n2  └a\n3  　 └c\n4  　 　 └a\n5  　 　 　 └LOOP LOOP LOOP\n"));

  ProcResult e = w.run({"-e", "r.c"});
  expect_success(w, e);
  EXPECT_EQ(w.tree(), sjfile("1 main\n2  └a\n3  　 └c\n4  　 　 └a=2-3\n"));
}

TEST(CalltreeE2E, OmitReferencesEarlierExpansions) {
  Work w;
  w.source("e.c",
           "void b(void) { }\n"
           "void a(void) { b(); }\n"
           "int main(int argc, char **argv)\n"
           "{\n"
           "    a();\n"
           "    a();\n"
           "    return 0;\n"
           "}\n");
  ProcResult r = w.run({"-e", "e.c"});
  expect_success(w, r);
  EXPECT_EQ(w.tree(), sjfile("1 main\n2  ├a\n3  │ └b\n4  └a=2-3\n"));
  ProcResult full = w.run({"e.c"});
  expect_success(w, full);
  EXPECT_EQ(w.tree(), sjfile("1 main\n2  ├a\n3  │ └b\n4  └a\n5  　 └b\n"));
}

TEST(CalltreeE2E, DeepAndWideTrees) {
  // main calls f1..f3; f1 runs down a chain to f12. Thirteen lines and more
  // make the number field two digits wide.
  std::string src;
  for (int i = 12; i >= 4; --i)
    src += "void f" + std::to_string(i) + "(void) {" + (i < 12 ? " f" + std::to_string(i + 1) + "();" : "") + " }\n";
  src += "void f3(void) { }\nvoid f2(void) { }\nvoid f1(void) { f4(); }\n";
  src += "int main(void)\n{\n    f1();\n    f2();\n    f3();\n    return 0;\n}\n";
  Work w;
  w.source("deep.c", src);
  ProcResult r = w.run({"deep.c"});
  expect_success(w, r);
  std::string expected = " 1 main\n 2  ├f1\n";
  for (int i = 4; i <= 12; ++i) {
    const int line = i - 1;
    expected += (line < 10 ? " " : "") + std::to_string(line) + "  │";
    for (int k = 4; k < i; ++k) expected += " 　";
    expected += " └f" + std::to_string(i) + "\n";
  }
  expected += "12  ├f2\n13  └f3\n";
  EXPECT_EQ(w.tree(), sjfile(expected));
}

TEST(CalltreeE2E, TwoMainsEndWithoutATree) {
  Work w;
  w.source("src/a.c", "int main(void) { return 0; }\n");
  w.source("src/b.c", "int main(void) { return 1; }\n");
  write_file(w.dir / "tree.txt", "old");
  ProcResult r = w.run({"src"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, kDrawing + "エラー : main関数が2つあります");
  EXPECT_EQ(r.err, "filename=a.c\nfilename=b.c\n");
  EXPECT_EQ(w.file("zelta_err.txt"), sj("エラー : main関数が2つあります"));
  EXPECT_EQ(w.tree(), "old");
  EXPECT_EQ(w.file("2.txt"), "main-\r\nmain-\r\n");
}

TEST(CalltreeE2E, UnknownStartFunction) {
  Work w;
  w.source("x.c", kExample);
  ProcResult r = w.run({"-f", "zzz", "x.c"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, kDrawing + "エラー : zzzの関数がありせん\nzeltaを終了します\n");
  EXPECT_EQ(w.file("zelta_err.txt"), sjfile("エラー : 指定の関数名がありません\nエラー : zzzという関数名がありせん\n"));
  EXPECT_FALSE(w.exists("tree.txt"));
}

TEST(CalltreeE2E, DirectoryRunInSortedOrder) {
  Work w;
  w.source("src/util.c", "int twice(int x) { return add(x, x); }\nint add(int x, int y) { return x + y; }\n");
  w.source("src/a.c", "int main(void) { return twice(2); }\n");
  w.source("src/B.C", "int ignored(void) { return 0; }\n");
  w.source("src/notes.txt", "not C\n");
  ProcResult r = w.run({"-v", "src"});
  expect_success(w, r);
  EXPECT_EQ(r.err, "filename=a.c\nfilename=util.c\n");
  EXPECT_EQ(w.tree(), sjfile("1 main [a.c]\n2  └twice [util.c]\n3  　 └add [util.c]\n"));
  // Written after every file of a directory run, also without -m.
  EXPECT_EQ(w.file("2.txt"), "main-twice-\r\ntwice-add-\r\nadd-\r\n");
  EXPECT_FALSE(w.exists("3.txt"));
}

TEST(CalltreeE2E, DirectoryRunFindsLocalHeadersBesideItsSources) {
  Work w;
  w.source("src/helper.h", "static int helper(void) { return 0; }\n");
  w.source("src/a.c", "#include \"helper.h\"\nint main(void) { return helper(); }\n");
  for (const std::string& arg : {std::string("src"), std::string("./src"), std::string("src/a.c")}) {
    ProcResult r = w.run({"-a", arg});
    expect_success(w, r);
    EXPECT_EQ(w.tree(), sjfile("1 main\n2  └helper\n")) << arg;
  }
}

TEST(CalltreeE2E, DirectoryRunWithMidAndAnAbsolutePath) {
  Work w;
  w.source("src/a.c", "int main(void) { return twice(2); }\n");
  w.source("src/b.c", "int twice(int x) { return x + x; }\n");
  ProcResult r = w.run({"-m", w.dir / "src"});
  expect_success(w, r, "2.txt:OK\n");
  EXPECT_EQ(r.err, "filename=a.c\nfilename=b.c\n");
  EXPECT_EQ(w.tree(), sjfile("1 main\n2  └twice\n"));
  EXPECT_EQ(w.file("2.txt"), "main-twice-\r\ntwice-\r\n");
  EXPECT_EQ(w.file("3.txt"), "main flg:1\r\n\ttwice flg:0\r\n");
  // The copy of the converted text is the last file's.
  EXPECT_NE(w.file("abcd.txt").find(" twice(){"), std::string::npos);
  EXPECT_EQ(w.file("abcd.txt").find(" main(){"), std::string::npos);
}

TEST(CalltreeE2E, ErrorInALaterFileKeepsTheDumpOfTheFilesBefore) {
  Work w;
  w.source("src/a.c", "int main(void) { return helper(); }\n");
  w.source("src/b.c", "int helper(void) { puts(\"never closed); }\n");
  ProcResult r = w.run({"src"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "filename=a.c\nfilename=b.c\n");
  EXPECT_EQ(w.file("2.txt"), "main-helper-\r\n");
  EXPECT_FALSE(w.exists("tree.txt"));
  // The converted text of the file that failed stays behind, holding what
  // had been written when the run ended; the earlier file's is gone.
  std::vector<std::string> left;
  for (const auto& e : std::filesystem::directory_iterator(w.dir / "tmp")) left.push_back(e.path().filename());
  ASSERT_EQ(left.size(), 1u);
  EXPECT_TRUE(left[0].rfind("tmp", 0) == 0 && left[0].size() > 3 &&
              left[0].find_first_not_of("0123456789", 3) == std::string::npos)
      << left[0];
  EXPECT_EQ(read_file(w.dir / "tmp" + "/" + left[0]), "int helper\r\n helper(){");
}

TEST(CalltreeE2E, WorkingDirectoryAsDirectory) {
  Work w;
  w.source("x.c", kExample);
  ProcResult r = w.run({"-e", "."});
  expect_success(w, r);
  EXPECT_EQ(r.err, "filename=x.c\n");
  EXPECT_EQ(w.tree(), sjfile("1 main\n2  ├a\n3  │ └b\n4  │ 　 └b:RecurrciveCall\n5  └b=3-4\n"));
}

TEST(CalltreeE2E, EmptyPathIsTheWorkingDirectory) {
  Work w;
  w.source("x.c", kExample);
  ProcResult r = w.run({"-e", ""});
  expect_success(w, r);
  EXPECT_EQ(r.err, "filename=x.c\n");
  EXPECT_EQ(w.tree(), sjfile("1 main\n2  ├a\n3  │ └b\n4  │ 　 └b:RecurrciveCall\n5  └b=3-4\n"));
}

TEST(CalltreeE2E, ListRunSkipsHeaders) {
  Work w;
  w.source("a.c", "int main(void) { helper(); return 0; }\n");
  w.source("b.h", "this is not read\n");
  w.source("c.c", "void helper(void) { }\n");
  ProcResult r = w.run({"-v", "a.c", "b.h", "c.c"});
  expect_success(w, r, "ファイル:a.cを解析中...\nファイル:c.cを解析中...\n");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(w.tree(), sjfile("1 main [a.c]\n2  └helper [c.c]\n"));
  EXPECT_FALSE(w.exists("2.txt"));
}

TEST(CalltreeE2E, LeadingDotSlashIsAnOrdinaryPath) {
  Work w;
  w.source("src/a.c", "int main(void) { helper(); return 0; }\n");
  w.source("src/c.c", "void helper(void) { }\n");
  ProcResult one = w.run({"./src/a.c"});
  expect_success(w, one);
  EXPECT_EQ(one.err, "filename=a.c\n");
  EXPECT_EQ(w.tree(), sjfile("1 main\n"));

  ProcResult list = w.run({"./src/a.c", "./src/c.c"});
  expect_success(w, list, "ファイル:a.cを解析中...\nファイル:c.cを解析中...\n");
  EXPECT_EQ(w.tree(), sjfile("1 main\n2  └helper\n"));
}

TEST(CalltreeE2E, InputErrors) {
  Work w;
  w.source("x.C", kExample);
  w.source("empty/readme.txt", "");
  struct Case {
    std::vector<std::string> args;
    std::string out;
  };
  const Case cases[] = {
      {{"x.C"}, "x.CはCのソースファイルではありません\n"},
      {{"missing.c"}, "エラー : missing.cというファイルはありません\n"},
      {{"empty"}, "エラー : emptyにCのソースファイルがありません\n終了します\n"},
      {{"nodir"}, "エラー : nodirにCのソースファイルがありません\n終了します\n"},
      {{"dir1", "dir2"}, "エラー : dir1|dir2にCのソースファイルがありません\n終了します\n"},
  };
  for (const Case& c : cases) {
    ProcResult r = w.run(c.args);
    EXPECT_EQ(r.status, 0) << c.args[0];
    EXPECT_EQ(r.out, c.out) << c.args[0];
    EXPECT_EQ(r.err, "") << c.args[0];
    EXPECT_EQ(w.file("zelta_err.txt"), "") << c.args[0];
    EXPECT_FALSE(w.exists("tree.txt"));
  }
}

TEST(CalltreeE2E, NoFunctionAtAll) {
  Work w;
  w.source("d.c", "int x;\nstruct s { int a; };\n");
  ProcResult r = w.run({"d.c"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "関数が定義されていません\n");
  EXPECT_EQ(w.file("zelta_err.txt"), sj("関数が定義されていません"));
  EXPECT_TRUE(w.temp_empty());
}

TEST(CalltreeE2E, SizeGuard) {
  Work w;
  w.source("x.c", kExample);
  write_file(w.dir / "tree.txt", "old");
  ProcResult r = w.run({"x.c"}, {"ZELTA_MAX_LINES=6"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, kDrawing + "エラー : 解析結果が6行を超えました。-eオプションで省略して表示してください\n");
  EXPECT_EQ(w.file("zelta_err.txt"), sjfile("エラー : 解析結果が6行を超えました。-eオプションで省略して表示してください\n"));
  EXPECT_EQ(w.tree(), "old");

  // The abbreviated tree has five lines and stays below the limit.
  ProcResult e = w.run({"-e", "x.c"}, {"ZELTA_MAX_LINES=6"});
  expect_success(w, e);
  // The callers tree is held to the same limit.
  ProcResult rev = w.run({"-r", "-f", "b", "x.c"}, {"ZELTA_MAX_LINES=5"});
  EXPECT_EQ(rev.status, 0);
  EXPECT_EQ(rev.out, kDrawing + "エラー : 解析結果が5行を超えました。-eオプションで省略して表示してください\n");
}

TEST(CalltreeE2E, SizeGuardStopsAnExplosiveTreeQuickly) {
  // Every function calls the next one twice: 2^30 lines in full. The limit
  // is lowered so that the test stays quick under the sanitizers too.
  std::string src;
  for (int i = 30; i >= 1; --i)
    src += "void f" + std::to_string(i) + "(void) {" +
           (i < 30 ? " f" + std::to_string(i + 1) + "(); f" + std::to_string(i + 1) + "();" : "") + " }\n";
  src += "int main(void) { f1(); return 0; }\n";
  Work w;
  w.source("boom.c", src);
  ProcResult r = w.run({"boom.c"}, {"ZELTA_MAX_LINES=300000"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, kDrawing + "エラー : 解析結果が300000行を超えました。-eオプションで省略して表示してください\n");
  EXPECT_FALSE(w.exists("tree.txt"));
  ProcResult e = w.run({"-e", "boom.c"});
  expect_success(w, e);
  EXPECT_EQ(w.tree().substr(0, 9), " 1 main\r\n");
}

TEST(CalltreeE2E, UnwritableTreeFile) {
  // tree.json and tree.dot are written after tree.txt, which stays complete.
  for (const std::string name : {"tree.txt", "tree.json", "tree.dot"}) {
    Work w;
    w.source("x.c", kExample);
    std::filesystem::create_directory(w.dir / name);
    ProcResult r = w.run({"-jg", "x.c"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, kDrawing + "エラー : " + name + "を作成できません\n");
    EXPECT_EQ(w.file("zelta_err.txt"), sjfile("エラー : " + name + "を作成できません\n"));
    if (name != "tree.txt") {
      EXPECT_EQ(w.tree().substr(0, 8), "1 main\r\n");
    }
  }
}

}  // namespace
}  // namespace zelta::test
