#include <gtest/gtest.h>

#include <cstdlib>

#include "driver/line_limit.h"
#include "run_harness.h"

namespace zelta::test {
namespace {

// b calls itself, a calls b, main calls a, b and printf.
const char* const kExample =
    "int b\n b(){\n if (n) b(n-1);\n}int a\n a(){\n b(1);\n}int main\n main(){\n a(); b(2); printf();\n}";

struct Flags {
  bool a = false, e = false, v = false, m = false, s = false;
  const char* f = nullptr;
};

void apply(RunHarness& h, const Flags& fl) {
  h.opt().flgall = fl.a;
  h.opt().flgomit = fl.e;
  h.opt().flgfilename = fl.v;
  h.opt().flgmid = fl.m;
  h.opt().flgfuncall = fl.s;
  if (fl.f) {
    h.opt().flgfunc = 1;
    h.opt().startfunc = fl.f;
  }
}

std::string example_tree(const Flags& fl) {
  RunHarness h;
  apply(h, fl);
  h.extract("x.c", kExample, 0);
  EXPECT_EQ(h.analyse(), 1);
  return h.tree();
}

TEST(TreeExample, PlainAndWithAll) {
  EXPECT_EQ(example_tree({}), sjfile("1 main\n"
                                     "2  ├a\n"
                                     "3  │ └b\n"
                                     "4  │ 　 └b:RecurrciveCall\n"
                                     "5  └b\n"
                                     "6  　 └b:RecurrciveCall\n"));
  EXPECT_EQ(example_tree({.a = true}), sjfile("1 main\n"
                                              "2  ├a\n"
                                              "3  │ └b\n"
                                              "4  │ 　 └b:RecurrciveCall\n"
                                              "5  ├b\n"
                                              "6  │ └b:RecurrciveCall\n"
                                              "7  └printf:Stdfunc\n"));
}

TEST(TreeExample, RulingBytesAreCodePage932) {
  const std::string t = example_tree({});
  EXPECT_NE(t.find(std::string("4  \x84\xA0 \x81\x40 \x84\xA4") + "b:RecurrciveCall\r\n"), std::string::npos);
  EXPECT_NE(t.find(std::string("2  \x84\xA5") + "a\r\n"), std::string::npos);
}

TEST(TreeExample, OmitAndFileNames) {
  EXPECT_EQ(example_tree({.e = true}), sjfile("1 main\n"
                                              "2  ├a\n"
                                              "3  │ └b\n"
                                              "4  │ 　 └b:RecurrciveCall\n"
                                              "5  └b=3-4\n"));
  EXPECT_EQ(example_tree({.v = true}), sjfile("1 main [x.c]\n"
                                              "2  ├a [x.c]\n"
                                              "3  │ └b [x.c]\n"
                                              "4  │ 　 └b:RecurrciveCall [x.c]\n"
                                              "5  └b [x.c]\n"
                                              "6  　 └b:RecurrciveCall [x.c]\n"));
  EXPECT_EQ(example_tree({.a = true, .e = true}), sjfile("1 main\n"
                                                         "2  ├a\n"
                                                         "3  │ └b\n"
                                                         "4  │ 　 └b:RecurrciveCall\n"
                                                         "5  ├b=3-4\n"
                                                         "6  └printf:Stdfunc\n"));
  EXPECT_EQ(example_tree({.a = true, .e = true, .v = true}), sjfile("1 main [x.c]\n"
                                                                    "2  ├a [x.c]\n"
                                                                    "3  │ └b [x.c]\n"
                                                                    "4  │ 　 └b:RecurrciveCall [x.c]\n"
                                                                    "5  ├b=3-4 [x.c]\n"
                                                                    "6  └printf:Stdfunc [x.c]\n"));
  EXPECT_EQ(example_tree({.a = true, .v = true}), sjfile("1 main [x.c]\n"
                                                         "2  ├a [x.c]\n"
                                                         "3  │ └b [x.c]\n"
                                                         "4  │ 　 └b:RecurrciveCall [x.c]\n"
                                                         "5  ├b [x.c]\n"
                                                         "6  │ └b:RecurrciveCall [x.c]\n"
                                                         "7  └printf:Stdfunc [x.c]\n"));
}

TEST(TreeExample, DumpsUnderMid) {
  RunHarness h;
  h.opt().flgmid = 1;
  h.extract("x.c", kExample, 0);
  ASSERT_EQ(h.analyse(), 1);
  EXPECT_EQ(h.output("2.txt"), "b-b-\r\na-b-\r\nmain-a-b-printf-\r\n");
  // The flags as the builder left them, before the final pass.
  EXPECT_EQ(h.output("3.txt"),
            "main flg:1\r\n\ta flg:1\r\n\t\tb flg:1\r\n\t\t\tb:RecurrciveCall flg:0\r\n"
            "\tb flg:1\r\n\t\tb:RecurrciveCall flg:0\r\n");
}

TEST(TreeExample, StartFunctionAndAllFunctions) {
  EXPECT_EQ(example_tree({.f = "a"}), sjfile("1 a\n"
                                             "2  └b\n"
                                             "3  　 └b:RecurrciveCall\n"));
  EXPECT_EQ(example_tree({.s = true}), sjfile(" 1 main\n"
                                              " 2  ├a\n"
                                              " 3  │ └b\n"
                                              " 4  │ 　 └b:RecurrciveCall\n"
                                              " 5  └b\n"
                                              " 6  　 └b:RecurrciveCall\n"
                                              " 7 b\n"
                                              " 8  └b:RecurrciveCall\n"
                                              " 9 a\n"
                                              "10  └b\n"
                                              "11  　 └b:RecurrciveCall\n"));
  EXPECT_EQ(example_tree({.e = true, .s = true}), sjfile("1 main\n"
                                                         "2  ├a\n"
                                                         "3  │ └b\n"
                                                         "4  │ 　 └b:RecurrciveCall\n"
                                                         "5  └b=3-4\n"
                                                         "6 b=3-4\n"
                                                         "7 a=2-4\n"));
  // -f wins over -s.
  EXPECT_EQ(example_tree({.s = true, .f = "b"}), sjfile("1 b\n2  └b:RecurrciveCall\n"));
}

std::string tree_of(const std::string& cleaned, const Flags& fl = {}) {
  RunHarness h;
  apply(h, fl);
  h.extract("x.c", cleaned);
  EXPECT_EQ(h.analyse(), 1) << h.console();
  return h.tree();
}

TEST(TreeRecursion, IndirectRecursionGetsALoopLine) {
  const char* cycle = " main(){\n a();\n}\n a(){\n c();\n}\n c(){\n a();\n}";
  EXPECT_EQ(tree_of(cycle), sjfile("1 main\n"
                                   "2  └a\n"
                                   "3  　 └c\n"
                                   "4  　 　 └a\n"
                                   "5  　 　 　 └LOOP LOOP LOOP\n"));
  // Closed through a's last call, -e shows a reference instead.
  EXPECT_EQ(tree_of(cycle, {.e = true}), sjfile("1 main\n"
                                                "2  └a\n"
                                                "3  　 └c\n"
                                                "4  　 　 └a=2-3\n"));
  // Not the last call: the function is still open on the path.
  EXPECT_EQ(tree_of(" main(){\n a();\n}\n a(){\n c(); d();\n}\n c(){\n a();\n}\n d(){\n}", {.e = true}),
            sjfile("1 main\n"
                   "2  └a\n"
                   "3  　 ├c\n"
                   "4  　 │ └a\n"
                   "5  　 │ 　 └LOOP LOOP LOOP\n"
                   "6  　 └d\n"));
}

TEST(TreeRecursion, OmitRefersToTheFirstExpansion) {
  EXPECT_EQ(tree_of(" main(){\n a(); a();\n}\n a(){\n b();\n}\n b(){\n}", {.e = true}),
            sjfile("1 main\n2  ├a\n3  │ └b\n4  └a=2-3\n"));
  EXPECT_EQ(tree_of(" main(){\n a(); a();\n}\n a(){\n b();\n}\n b(){\n}"),
            sjfile("1 main\n2  ├a\n3  │ └b\n4  └a\n5  　 └b\n"));
}

TEST(TreeRecursion, StretchesOfUndefinedCallsChangeNothing) {
  // Undefined calls before, between and after defined ones, last calls of
  // groups among them, and a call of main from a file without main.
  RunHarness h;
  h.extract("x.c", " main(){\n u1(); a(); u2(); u3(); a(); u4();\n}\n a(){\n u5(); u6(); b(); u7(); u8();\n}\n b(){\n u9();\n}");
  h.extract("y.c", " c(){\n u1(); main(); u2();\n}");
  h.opt().flgomit = 1;
  ASSERT_EQ(h.analyse(), 1);
  EXPECT_EQ(h.tree(), sjfile("1 main\n2  ├a\n3  │ └b\n4  └a=2-3\n"));

  EXPECT_EQ(tree_of(" main(){\n u1(); a(); u2(); u3(); a(); u4();\n}\n a(){\n u5(); u6(); b(); u7(); u8();\n}\n b(){\n u9();\n}"),
            sjfile("1 main\n2  ├a\n3  │ └b\n4  └a\n5  　 └b\n"));
  EXPECT_EQ(tree_of(" main(){\n u1(); a(); u2(); u3(); a(); u4();\n}\n a(){\n u5(); b(); u7();\n}\n b(){\n u9();\n}",
                    {.a = true, .e = true}),
            sjfile(" 1 main\n 2  ├u1:Stdfunc\n 3  ├a\n 4  │ ├u5:Stdfunc\n 5  │ ├b\n 6  │ │ └u9:Stdfunc\n"
                   " 7  │ └u7:Stdfunc\n 8  ├u2:Stdfunc\n 9  ├u3:Stdfunc\n10  ├a=3-7\n11  └u4:Stdfunc\n"));

  // A function full of library calls, called many times: every expansion
  // passes over the calls it cannot draw.
  std::string body;
  for (int i = 0; i < 20000; ++i) body += " lib" + std::to_string(i % 50) + "();";
  std::string calls;
  for (int i = 0; i < 20000; ++i) calls += " f();";
  const std::string t = tree_of(" main(){\n" + calls + "\n}\n f(){\n" + body + " g();\n}\n g(){\n}");
  EXPECT_EQ(t.substr(0, 16), "    1 main\r\n    ");
  const std::string last = "\r\n40001 " + sj(" 　") + sj(" └") + "g\r\n";
  ASSERT_GE(t.size(), last.size());
  EXPECT_EQ(t.substr(t.size() - last.size()), last);
}

TEST(TreeResolution, MainResolvesOnlyInTheCallingFile) {
  RunHarness h;
  h.opt().flgall = 1;
  h.opt().flgfilename = 1;
  h.extract("x.c", " main(){\n helper();\n}");
  h.extract("y.c", " helper(){\n main();\n}");
  ASSERT_EQ(h.analyse(), 1);
  EXPECT_EQ(h.tree(), sjfile("1 main [x.c]\n2  └helper [y.c]\n3  　 └main:Stdfunc [y.c]\n"));

  EXPECT_EQ(tree_of(" main(){\n helper();\n}\n helper(){\n main();\n}"),
            sjfile("1 main\n2  └helper\n3  　 └main\n4  　 　 └LOOP LOOP LOOP\n"));
}

TEST(TreeResolution, FirstDefinitionWinsAndNamesAreCaseSensitive) {
  RunHarness h;
  h.opt().flgfilename = 1;
  h.extract("x.c", " main(){\n f(); F(); main_loop();\n}\n main_loop(){\n}");
  h.extract("y.c", " f(){\n}\n F(){\n g();\n}");
  h.extract("z.c", " f(){\n g();\n}");
  ASSERT_EQ(h.analyse(), 1);
  EXPECT_EQ(h.tree(), sjfile("1 main [x.c]\n2  ├f [y.c]\n3  ├F [y.c]\n4  └main_loop [x.c]\n"));
}

TEST(TreeResolution, WithoutMainTheFirstDefinitionStandsIn) {
  EXPECT_EQ(tree_of(" foo(){\n bar();\n}\n bar(){\n}"), sjfile("1 foo\n2  └bar\n"));
  EXPECT_EQ(tree_of(" foo(){\n}\n bar(){\n foo();\n}"), sjfile("1 foo\n"));
}

TEST(TreeErrors, TwoMainsEndTheRunWithoutATree) {
  RunHarness h;
  h.extract("x.c", " main(){\n}");
  h.extract("y.c", " main(){\n}");
  EXPECT_EQ(h.analyse(), 0);
  EXPECT_EQ(h.console(), kDrawing + "エラー : main関数が2つあります");
  EXPECT_EQ(h.errlog(), sj("エラー : main関数が2つあります"));
  EXPECT_FALSE(file_exists(h.dir() / "tree.txt"));
}

TEST(TreeErrors, TwoMainsAreFineWithAStartFunctionOrAllFunctions) {
  RunHarness h;
  h.opt().flgfuncall = 1;
  h.opt().flgfilename = 1;
  h.extract("x.c", " main(){\n}");
  h.extract("y.c", " main(){\n}");
  EXPECT_EQ(h.analyse(), 1);
  EXPECT_EQ(h.tree(), sjfile("1 main [x.c]\n2 main [y.c]\n"));
}

TEST(TreeErrors, UnknownStartFunction) {
  RunHarness h;
  h.opt().flgfunc = 1;
  h.opt().startfunc = "zzz";
  h.extract("x.c", kExample);
  EXPECT_EQ(h.analyse(), 0);
  EXPECT_EQ(h.console(), kDrawing + "エラー : zzzの関数がありせん\nzeltaを終了します\n");
  EXPECT_EQ(h.errlog(), sjfile("エラー : 指定の関数名がありません\nエラー : zzzという関数名がありせん\n"));
  EXPECT_FALSE(file_exists(h.dir() / "tree.txt"));

  RunHarness m;  // -f with no name taken keeps main, and needs it
  m.opt().flgfunc = 1;
  m.extract("x.c", " foo(){\n}");
  EXPECT_EQ(m.analyse(), 0);
  EXPECT_EQ(m.console(), kDrawing + "エラー : mainの関数がありせん\nzeltaを終了します\n");
}

TEST(TreeErrors, NoRecordsAtAll) {
  RunHarness h;
  h.extract("x.c", "int x;");
  EXPECT_EQ(h.analyse(), 0);
  EXPECT_EQ(h.console(), "関数が定義されていません\n");
  EXPECT_EQ(h.errlog(), sj("関数が定義されていません"));
}

TEST(TreeShape, NumberWidthFollowsTheLineCount) {
  // Nine lines: the count 10 has two digits.
  std::string chain = " main(){\n f1();\n}";
  for (int i = 1; i <= 8; ++i)
    chain += "\n f" + std::to_string(i) + "(){\n" + (i < 8 ? " f" + std::to_string(i + 1) + "();\n" : "") + "}";
  std::string expected = " 1 main\n";
  for (int i = 1; i <= 8; ++i) {
    expected += " " + std::to_string(i + 1) + " ";
    for (int k = 1; k < i; ++k) expected += " 　";
    expected += " └f" + std::to_string(i) + "\n";
  }
  EXPECT_EQ(tree_of(chain), sjfile(expected));

  // Eight lines: the count 9 still has one digit.
  std::string wide = " main(){\n";
  for (int i = 1; i <= 7; ++i) wide += " g" + std::to_string(i) + "();";
  wide += "\n}";
  EXPECT_EQ(tree_of(wide, {.a = true}), sjfile("1 main\n2  ├g1:Stdfunc\n3  ├g2:Stdfunc\n4  ├g3:Stdfunc\n"
                                               "5  ├g4:Stdfunc\n6  ├g5:Stdfunc\n7  ├g6:Stdfunc\n"
                                               "8  └g7:Stdfunc\n"));

  // 99 lines give a count of 100: three digits.
  std::string hundred = " main(){\n";
  for (int i = 1; i <= 98; ++i) hundred += " g();";
  hundred += "\n}";
  const std::string t = tree_of(hundred, {.a = true});
  EXPECT_EQ(t.substr(0, 8), "  1 main");
  EXPECT_NE(t.find("\r\n 99  " + sj("└") + "g:Stdfunc\r\n"), std::string::npos);
}

TEST(TreeShape, ClosedAncestorsShowBlankColumns) {
  // main: a, e; a: b, d; b: c.  After c the shallower d leaves b behind,
  // after d the shallower e leaves a behind.
  EXPECT_EQ(tree_of(" main(){\n a(); e();\n}\n a(){\n b(); d();\n}\n b(){\n c();\n}\n c(){\n}\n d(){\n}\n e(){\n}"),
            sjfile("1 main\n"
                   "2  ├a\n"
                   "3  │ ├b\n"
                   "4  │ │ └c\n"
                   "5  │ └d\n"
                   "6  └e\n"));
  EXPECT_EQ(tree_of(" main(){\n a(); e();\n}\n a(){\n b();\n}\n b(){\n c();\n}\n c(){\n d();\n}\n d(){\n}\n e(){\n}"),
            sjfile("1 main\n"
                   "2  ├a\n"
                   "3  │ └b\n"
                   "4  │ 　 └c\n"
                   "5  │ 　 　 └d\n"
                   "6  └e\n"));
}

TEST(TreeShape, DeepChainsHaveNoFixedLimit) {
  const int depth = 3000;
  std::string chain = " main(){\n f1();\n}";
  for (int i = 1; i <= depth; ++i)
    chain += "\n f" + std::to_string(i) + "(){\n" + (i < depth ? " f" + std::to_string(i + 1) + "();\n" : "") + "}";
  RunHarness h;
  h.extract("x.c", chain);
  ASSERT_EQ(h.analyse(), 1);
  const std::string t = h.tree();
  std::string last = std::to_string(depth + 1) + " ";
  for (int k = 1; k < depth; ++k) last += sj(" 　");
  last += sj(" └") + "f" + std::to_string(depth) + "\r\n";
  ASSERT_GE(t.size(), last.size());
  EXPECT_EQ(t.substr(t.size() - last.size()), last);
}

class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) { setenv(name, value, 1); }
  ~ScopedEnv() { unsetenv(name_); }

 private:
  const char* name_;
};

TEST(TreeGuard, StopsAtTheLineLimit) {
  {
    // Seven lines stay under a limit of seven.
    RunHarness h;
    h.run().cfg.max_lines = 7;
    h.extract("x.c", kExample, 0);
    EXPECT_EQ(h.analyse(), 1);
  }
  // Six lines reach a limit of six.
  RunHarness h;
  h.run().cfg.max_lines = 6;
  h.extract("x.c", kExample);
  EXPECT_EQ(h.analyse(), 0);
  EXPECT_EQ(h.console(), kDrawing + "エラー : 解析結果が6行を超えました。-eオプションで省略して表示してください\n");
  EXPECT_EQ(h.errlog(), sjfile("エラー : 解析結果が6行を超えました。-eオプションで省略して表示してください\n"));
  EXPECT_FALSE(file_exists(h.dir() / "tree.txt"));
}

TEST(TreeGuard, ExplosiveTreesStopEarly) {
  // Each level calls the next one twice: 2^40 lines without the guard.
  std::string src = " main(){\n f0();\n}";
  for (int i = 0; i < 40; ++i)
    src += "\n f" + std::to_string(i) + "(){\n f" + std::to_string(i + 1) + "(); f" + std::to_string(i + 1) + "();\n}";
  RunHarness h;
  h.run().cfg.max_lines = 100000;
  h.extract("x.c", src);
  EXPECT_EQ(h.analyse(), 0);
  EXPECT_EQ(h.console(), kDrawing + "エラー : 解析結果が100000行を超えました。-eオプションで省略して表示してください\n");
  EXPECT_LE(h.run().tb.lines.size(), 100000u);
}

TEST(TreeGuard, DefaultLimitAndBadValues) {
  unsetenv("ZELTA_MAX_LINES");
  EXPECT_EQ(TreeLineLimit(), 5000000);
  for (const char* bad : {"", "0", "-3", "12x", "abc"}) {
    ScopedEnv env("ZELTA_MAX_LINES", bad);
    EXPECT_EQ(TreeLineLimit(), 5000000) << bad;
  }
  {
    ScopedEnv env("ZELTA_MAX_LINES", "20000000");
    EXPECT_EQ(TreeLineLimit(), 20000000);
  }
  ScopedEnv env("ZELTA_MAX_LINES", "99999999999999");
  EXPECT_EQ(TreeLineLimit(), 2000000000);
}

TEST(TreeOutput, UnwritableTreeFileIsReportedLikeAnError) {
  RunHarness h;
  h.extract("x.c", kExample);
  write_file(h.dir() / "tree.txt/keep", "");  // a folder where the file should go
  EXPECT_EQ(h.analyse(), 0);
  EXPECT_EQ(h.console(), kDrawing + "エラー : tree.txtを作成できません\n");
  EXPECT_EQ(h.errlog(), sjfile("エラー : tree.txtを作成できません\n"));
}

TEST(TreeOutput, LongNamesAndFileNamesAreKeptWhole) {
  const std::string name(300, 'n');
  const std::string file = std::string(120, 'd') + ".c";
  RunHarness h;
  h.opt().flgfilename = 1;
  h.extract(file, " main(){\n " + name + "();\n}\n " + name + "(){\n}");
  ASSERT_EQ(h.analyse(), 1);
  EXPECT_EQ(h.tree(), "1 main [" + file + "]\r\n2  " + sj("└") + name + " [" + file + "]\r\n");
}

TEST(TreeOutput, FileSuffixIsCodePage932) {
  RunHarness h;
  h.opt().flgfilename = 1;
  h.extract("関数.c", " main(){\n}");
  ASSERT_EQ(h.analyse(), 1);
  EXPECT_EQ(h.tree(), sjfile("1 main [関数.c]\n"));
}

}  // namespace
}  // namespace zelta::test
