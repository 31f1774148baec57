// Conversion pass: #include, #define/#undef and the conditional levels.
#include <gtest/gtest.h>

#include "run_harness.h"

namespace zelta {
namespace {

using test::cleaned;
using test::RunHarness;
using test::sj;

TEST(Include, LocalHeaderFromSrcdirInPlace) {
  RunHarness h;
  h.file("a.h", "int from_a;\n");
  EXPECT_EQ(h.convert("int x;\n#  include \"a.h\"\nint y;\n"), "int x;\nint from_a;\n\nint y;\n");
}

TEST(Include, LocalHeaderFallsBackToTheNameAsWritten) {
  RunHarness h;
  test::ScratchDir other;
  test::write_file(other / "b.h", "int from_b;\n");
  EXPECT_EQ(h.convert("#include \"" + other.path() + "/b.h\"\nint y;\n"), "int from_b;\n\nint y;\n");
}

TEST(Include, EmptySrcdirMeansTheWorkingFolder) {
  RunHarness h;
  h.run().cfg.srcdir.clear();
  h.file("a.h", "int from_a;\n");
  h.file("sub/b.h", "int from_b;\n");
  // Found in "." (the harness works in its scratch folder); a header beside
  // the source only is not.
  EXPECT_EQ(h.convert("#include \"a.h\"\n#include \"b.h\"\nint y;\n", "sub/s.c"), "int from_a;\n\n\nint y;\n");
}

TEST(Include, SystemHeaderFromIncludePath) {
  RunHarness h;
  h.file("inc/sys/x.h", "int from_x;\n");
  h.file("inc/SYS/Y.H", "int from_y;\n");
  h.run().cfg.include_path = h.dir() / "inc\n";
  EXPECT_EQ(h.convert("#include <sys/x.h>\n#include <sys/y.h>\nint z;\n"), "int from_x;\n\nint from_y;\n\nint z;\n");
}

TEST(Include, IncludePathWithoutLineEndKeepsItsLastCharacter) {
  RunHarness h;
  h.file("inc/x.h", "int from_x;\n");
  h.run().cfg.include_path = h.dir() / "inc/";
  EXPECT_EQ(h.convert("#include <x.h>\n"), "int from_x;\n\n");
}

TEST(Include, IncludePathIsCp932) {
  RunHarness h;
  h.file("インク/x.h", "int from_x;\n");
  h.run().cfg.include_path = sj(h.dir() / "インク") + "\n";
  EXPECT_EQ(h.convert("#include <x.h>\n"), "int from_x;\n\n");
}

TEST(Include, HeaderIsReadOncePerRunAndMissingOnesAreNotRetried) {
  RunHarness h;
  h.file("a.h", "#define A_SEEN 1\nint from_a;\n");
  EXPECT_EQ(h.convert("#include \"a.h\"\n#include \"late.h\"\n#include \"a.h\"\nint y;\n"),
            " int from_a;\n\n\n\nint y;\n");
  h.file("late.h", "int late;\n");
  // A later file of the same run: no header again, but its macros stay.
  EXPECT_EQ(h.convert("#include \"a.h\"\n#include \"late.h\"\n#ifdef A_SEEN\nint seen;\n#endif\n", "b.c"),
            "\n\n\nint seen;\n\n");
}

TEST(Include, DebugNamesTheHeader) {
  RunHarness h;
  h.file("a.h", "");
  h.run().opt.flgdebug = 1;
  h.convert("#include \"a.h\"\n");
  std::string path = h.dir() / "a.h";
  std::string out = h.console();
  EXPECT_NE(out.find("---------" + path + "-------------\n\n---------end of " + path + "-------------\n"),
            std::string::npos)
      << out;
}

TEST(Include, OnlyPlainFilesAreHeaders) {
  RunHarness h;
  EXPECT_EQ(h.convert("#include \"/dev/zero\"\n#include \"/dev/stdin\"\n#include \"/tmp\"\nint x;\n"),
            "\n\n\nint x;\n");
}

TEST(Include, LineWithoutAQuotedNameIsSkipped) {
  RunHarness h;
  h.file("a.h", "int from_a;\n");
  EXPECT_EQ(h.convert("#include HEADER_NAME\nint x;\nchar *s = \"a.h\";\n"), "\nint x;\nchar *s = ;\n");
}

TEST(Include, EndOfInputInsideTheDirectiveStops) {
  EXPECT_EQ(cleaned("int x;\n#include \"a.h"), "int x;\n");
  EXPECT_EQ(cleaned("int x;\n#include"), "int x;\n");
  EXPECT_EQ(cleaned("int x;\n#"), "int x;\n");
}

TEST(Include, DeeplyNestedHeaders) {
  RunHarness h;
  const int n = 150;
  for (int i = 0; i < n; ++i) h.file("h" + std::to_string(i) + ".h", "#include \"h" + std::to_string(i + 1) + ".h\"\n");
  h.file("h" + std::to_string(n) + ".h", "int deepest;\n");
  std::string out = h.convert("#include \"h0.h\"\nint y;\n");
  EXPECT_EQ(out, "int deepest;\n" + std::string(n + 1, '\n') + "int y;\n");
}

TEST(Include, ManyHeaderNames) {
  RunHarness h;
  std::string src, expect;
  for (int i = 0; i < 300; ++i) {
    h.file("m" + std::to_string(i) + ".h", "int v" + std::to_string(i) + ";\n");
    src += "#include \"m" + std::to_string(i) + ".h\"\n";
    expect += "int v" + std::to_string(i) + ";\n\n";
  }
  EXPECT_EQ(h.convert(src), expect);
}

TEST(Directives, UnknownWordsLeaveTheirLineAsText) { EXPECT_EQ(cleaned("#pragma once\nint x;\n"), " once\nint x;\n"); }

// The rest of an ignored directive's line is text, but no function header.
TEST(Directives, IgnoredDirectiveLineStartsNoHeader) {
  EXPECT_EQ(cleaned("#pragma pack(push, 1)\nstruct s {\n int a;\n};\n#pragma pack(pop)\nint f(void) {\n}\n"),
            " pack(push, 1)\nstruct s ;\n pack(pop)\nint f\n f(){\n}\n");
}

TEST(Directives, NullDirectiveKeepsTheNextLine) { EXPECT_EQ(cleaned("#\nint x;\n"), "\nint x;\n"); }

// #error and #warning are skipped to their line end: an apostrophe or a
// call in their message is no code.
TEST(Directives, ErrorAndWarningMessagesAreNoCode) {
  RunHarness h;
  EXPECT_EQ(h.convert("#if 0\n#error can't build foo(x) here\n#endif\n#warning don't \\\n  do(this)\nint x;\n"),
            "\n\nint x;\n");
  EXPECT_EQ(h.status(), -1);
}

TEST(Conditionals, IfdefElseEndif) {
  // The line end after the name of #ifdef, #else and #endif stays, in the
  // region it then belongs to; the blank after "define" stays as well.
  EXPECT_EQ(cleaned("#define X\n#ifdef X\nint a;\n#else\nint b;\n#endif\n"), " \nint a;\n\n");
  EXPECT_EQ(cleaned("#ifdef X\nint a;\n#else\nint b;\n#endif\n"), "\nint b;\n\n");
  EXPECT_EQ(cleaned("#ifndef X\nint a;\n#else\nint b;\n#endif\n"), "\nint a;\n\n");
}

TEST(Conditionals, NestedInsideAnInactiveRegionBothBranchesGo) {
  EXPECT_EQ(cleaned("#define X\n#if 0\n#ifdef X\nint a;\n#else\nint b;\n#endif\n#endif\nint c;\n"), " \nint c;\n");
}

TEST(Conditionals, IfZeroAndIfOne) {
  EXPECT_EQ(cleaned("#if 0\nint a;\n#endif\nint b;\n"), "\nint b;\n");
  EXPECT_EQ(cleaned("#if 1\nint a;\n#endif\nint b;\n"), " int a;\n\nint b;\n");
}

TEST(Conditionals, IfdefOfAMacroWithParametersIsNotDefined) {
  EXPECT_EQ(cleaned("#define M(a) a\n#ifdef M\nint a;\n#else\nint b;\n#endif\n"), " \nint b;\n\n");
}

TEST(Conditionals, UndefMarksEveryRecordOfTheName) {
  EXPECT_EQ(cleaned("#define M(a) a\n#define M(a) b\n#undef M\nvoid f(void) {\n x = M(1);\n}\n"),
            "  \nvoid f\n f(){\n x = M(1);\n}\n");
  EXPECT_EQ(cleaned("#define X 1\n#undef X\n#ifdef X\nint a;\n#endif\n"), " \n\n");
}

TEST(Conditionals, ElifTakesTheFirstTrueBranchOnly) {
  const char* src = "#if 0\nint a;\n#elif 0\nint b;\n#elif 1\nint c;\n#elif 1\nint d;\n#else\nint e;\n#endif\n";
  EXPECT_EQ(cleaned(src), " int c;\n\n");
  EXPECT_EQ(cleaned("#if 0\nint a;\n#elif 0\nint b;\n#else\nint e;\n#endif\n"), "\nint e;\n\n");
}

// After a taken #if branch, #elif and #else are inactive; directives in a
// taken #elif branch work as anywhere else.
TEST(Conditionals, ElifAfterATakenBranchAndNested) {
  EXPECT_EQ(cleaned("#if 1\nint a;\n#elif 1\nint b;\n#else\nint c;\n#endif\nint d;\n"), " int a;\n\nint d;\n");
  EXPECT_EQ(cleaned("#if 0\n#elif 1\n#pragma x\nint a;\n#ifdef Q\nint b;\n#endif\nint c;\n#endif\nint d;\n"),
            "  x\nint a;\n\nint c;\n\nint d;\n");
  EXPECT_EQ(cleaned("#if 0\n#if 1\nint a;\n#elif 1\nint b;\n#else\nint c;\n#endif\n#endif\nint d;\n"), "\nint d;\n");
}

TEST(Conditionals, EndifWithoutAnOpenLevelIsIgnored) {
  EXPECT_EQ(cleaned("#endif\nint a;\n#else\n#if 0\nint b;\n#endif\nint c;\n"), "\nint a;\n\n\nint c;\n");
}

TEST(Conditionals, DeepNesting) {
  std::string src, expect;
  for (int i = 0; i < 600; ++i) src += "#if 1\n";
  src += "int a;\n";
  for (int i = 0; i < 600; ++i) src += "#endif\n";
  src += "#if 0\n";
  for (int i = 0; i < 600; ++i) src += "#if 1\n";
  src += "int b;\n";
  for (int i = 0; i < 601; ++i) src += "#endif\n";
  src += "int c;\n";
  expect = std::string(600, ' ') + "int a;\n" + std::string(601, '\n') + "int c;\n";
  EXPECT_EQ(cleaned(src), expect);
}

TEST(Conditionals, ConditionalStateStartsAfreshForEveryFile) {
  RunHarness h;
  h.convert("#if 0\nint a;\n");
  EXPECT_EQ(h.convert("int b;\n", "b.c"), "int b;\n");
}

TEST(Conditionals, IfLineContinues) {
  EXPECT_EQ(cleaned("#if 0 && \\\n    defined(X)\nint a;\n#endif\nint b(void);\nstruct s { int q; };\n"),
            "\nint b;\nstruct s ;\n");
}

// Directives of an inactive region define, undefine and include nothing.
TEST(Conditionals, InactiveRegionsDefineNothing) {
  RunHarness h;
  h.file("a.h", "int from_a;\n");
  EXPECT_EQ(h.convert("#if 0\n#define X 1\n#define BEGIN {\n#include \"a.h\"\n#endif\n#ifdef X\nint x;\n#endif\n"
                      "#include \"a.h\"\n"),
            "\n\nint from_a;\n\n");
  EXPECT_EQ(cleaned("#define Y 1\n#ifdef Z\n#undef Y\n#endif\n#ifdef Y\nint y;\n#endif\n"), " \n\nint y;\n\n");
}

// Braces of an inactive region shape nothing: neither a skipped block at
// file level nor the extent of a body.
TEST(Conditionals, InactiveBracesHaveNoSay) {
  EXPECT_EQ(cleaned("#ifdef __cplusplus\nextern \"C\" {\n#endif\nint foo(void) { bar(); }\n#ifdef __cplusplus\n}\n"
                    "#endif\nint z;\n"),
            "\nint foo\n foo(){ bar(); }\n\nint z;\n");
  EXPECT_EQ(cleaned("#ifdef FOO\nstatic int f(int a) {\n#else\nstatic int f(int a, int b) {\n#endif\n  g();\n}\n"
                    "int z;\n"),
            "\nstatic int f\n f(){\n\n  g();\n}\nint z;\n");
  EXPECT_EQ(cleaned("void f(void) {\n#ifdef X\n  if (a) {\n#else\n  if (b) {\n#endif\n    c();\n  }\n}\nint z;\n"),
            "void f\n f(){\n\n\n  if (b) {\n\n    c();\n  }\n}\nint z;\n");
}

TEST(Conditionals, InactiveBodyLinesLeaveOneLineEnd) {
  EXPECT_EQ(cleaned("void f(void) {\n a();\n#if 0\n b();\n c();\n#endif\n d();\n}\n"),
            "void f\n f(){\n a();\n\n\n d();\n}\n");
}

TEST(Define, LastLineWithoutLineEndKeepsItsLastCharacter) {
  RunHarness h;
  h.file("a.h", "#define X 10");
  EXPECT_EQ(h.convert("#include \"a.h\"\nvoid f(void) {\n a = X;\n}\n"), " \nvoid f\n f(){\n a = 10;\n}\n");
}

TEST(Define, BodyCleaning) {
  const char* src =
      "#define A 1 /* one */\n"
      "#define B(x) (x /* c */ + 1)\n"
      "#define C \"str\" 2 // two\n"
      "#define D '\\n'\n"
      "#define E a + \\\n      b\n"
      "#define F(x) do { \\\n  g(x); \\\n} while (0)\n"
      "void f(void) {\n A; B(1); C; D; E; F(2);\n}\n";
  EXPECT_EQ(cleaned(src), "      void f\n f(){\n 1 ; (1 \n + 1);  2 ; ''; a + b; do { \n  g(2); \n} while (0);\n}\n");
}

TEST(Define, EndOfInputWhileALineIsNeeded) {
  for (const char* src : {"#define F(x) (x + \\\n", "#define S \"abc\n", "#define X 1 \\\n", "#define F(x)\" x\n"}) {
    RunHarness h;
    h.convert(src);
    EXPECT_EQ(h.status(), 0) << src;
    EXPECT_EQ(h.console(), "エラー : -8") << src;
    EXPECT_EQ(h.errlog(), test::sjfile("ファイルのオープンに失敗しました\n")) << src;
  }
}

TEST(Define, EndOfInputInsideACommentStops) {
  RunHarness h;
  EXPECT_EQ(h.convert("int a;\n#define X 1 /* open"), "int a;\n ");
  EXPECT_EQ(h.status(), -1);
}

}  // namespace
}  // namespace zelta
