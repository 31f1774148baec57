// Conversion pass: comments, string and character literals.
#include <gtest/gtest.h>

#include "run_harness.h"

namespace zelta {
namespace {

using test::cleaned;
using test::RunHarness;
using test::sj;

TEST(CommentsAndLiterals, BlockCommentLeavesItsSlash) {
  EXPECT_EQ(cleaned("int a; /* note { */ int b;\n"), "int a; / int b;\n");
  EXPECT_EQ(cleaned("void g(void) {\n a(); /* c */ b();\n}\n"), "void g\n g(){\n a(); / b();\n}\n");
}

TEST(CommentsAndLiterals, LineCommentTakesItsLineEnd) {
  EXPECT_EQ(cleaned("void g(void) {\n x = 1; // c\n y = 2;\n}\n"), "void g\n g(){\n x = 1; / y = 2;\n}\n");
}

TEST(CommentsAndLiterals, SlashStarSlashDoesNotCloseTheComment) { EXPECT_EQ(cleaned("a /*/ b */ c\n"), "a / c\n"); }

TEST(CommentsAndLiterals, StringsAndCharactersVanish) {
  EXPECT_EQ(cleaned("void g(void) {\n s = \"{ \\\" }\"; t = '{'; u = '\\'';\n}\nint z;\n"),
            "void g\n g(){\n s = ; t = ; u = ;\n}\nint z;\n");
}

TEST(CommentsAndLiterals, BracesInCommentsAndStringsDoNotCount) {
  EXPECT_EQ(cleaned("void g(void) {\n /* { */ p(\"{\");\n}\nint z;\n"), "void g\n g(){\n / p();\n}\nint z;\n");
}

// A comment closes the "/" that opened it: a following "/" or "*" does not
// continue it but may open a comment of its own.
TEST(CommentsAndLiterals, CommentAfterACommentIsACommentOfItsOwn) {
  RunHarness h;
  EXPECT_EQ(h.convert("// SPDX-License-Identifier: GPL-2.0\n/*\n * it's here\n */\nint x;\n"), "//\nint x;\n");
  EXPECT_EQ(h.status(), -1);
  EXPECT_EQ(cleaned("// one\n*p = 1;\n"), "/*p = 1;\n");
  EXPECT_EQ(cleaned("/* a *//* b */x\n"), "//x\n");
  EXPECT_EQ(cleaned("void g(void) {\n a(); // c\n*p = b();\n}\n"), "void g\n g(){\n a(); /*p = b();\n}\n");
}

// Where a comment or a token ends is decided as the token loop decides it,
// however the bytes are taken: carriage returns, vertical tabs and form
// feeds make no tokens (so "*", CR, "/" closes a comment), a NUL byte ends a
// comment as the end of input would, and an apostrophe after a number joins
// its digits while after any other name it opens a literal.
TEST(CommentsAndLiterals, EndsAsTheTokenLoopSeesThem) {
  EXPECT_EQ(cleaned(std::string("int a; /* x *\r/ int b; /* y *\v\f/ int c; /* z *\n/ w */ int d; /* n \0 */ int e;\n"
                                "// l \0 int f;\n",
                                92)),
            "int a; / int b; / int c; / int d; / */ int e;\n/ int f;\n");
  EXPECT_EQ(cleaned("int x = 0x8000'0000;\nint t[2] = { 1'0, 'a' };\nvoid f(void) {\n"
                    "  y = 1'000 + a'b'c(1) + g'x'(2);\n  h(0x1'2)\t/ 2;\n}\n"),
            "int x = 0x80000000;\nint t[2] = ;\nvoid f\n f(){\n  y = 1000 + ac(1) + g(2);\n  h(0x12)\t/ 2;\n}\n");
}

TEST(CommentsAndLiterals, EndOfInputInsideACommentStops) {
  EXPECT_EQ(cleaned("int a; /* open { it's"), "int a; /");
  EXPECT_EQ(cleaned("int a; // open"), "int a; /");
}

TEST(CommentsAndLiterals, UnterminatedStringEndsTheRun) {
  RunHarness h;
  h.convert("int a;\nchar *s = \"abc\n");
  EXPECT_EQ(h.status(), 0);
  EXPECT_EQ(h.console(), "ダブルコーテーションの対応がとれてません\nflgcomment=0 flgdubble=1\n");
  EXPECT_EQ(h.errlog(), sj("ダブルコーテーションの対応がとれてません"));
}

TEST(CommentsAndLiterals, UnterminatedCharacterEndsTheRun) {
  RunHarness h;
  h.convert("int a = 'x;\n");
  EXPECT_EQ(h.status(), 0);
  EXPECT_EQ(h.console(), "シングルコーテーションの対応がとれてません\nflgcomment=0 flgdubble=0\n");
}

// In a Shift-JIS file the trail byte 0x5C of characters such as "ソ" and
// "表" is no backslash inside literals.
TEST(CommentsAndLiterals, ShiftJisLiteralsCloseWhereTheyEnd) {
  RunHarness h;
  std::string src = sj("void g(void) {\n puts(\"ソース表示\"); c = '表';\n}\nint z;\n");
  EXPECT_EQ(h.convert(src), "void g\n g(){\n puts(); c = ;\n}\nint z;\n");
  EXPECT_EQ(h.status(), -1);
}

TEST(CommentsAndLiterals, Utf8AndAsciiFilesAreReadByteByByte) {
  EXPECT_EQ(cleaned("void g(void) {\n puts(\"ソース \\\"表示\\\\\"); c = '\\\\';\n}\n"),
            "void g\n g(){\n puts(); c = ;\n}\n");
}

TEST(CommentsAndLiterals, CleanedTextIsWrittenWithCrLf) {
  RunHarness h;
  h.convert("int a;\nint b;\n");
  EXPECT_EQ(h.raw_output(), "int a;\r\nint b;\r\n");
}

TEST(CommentsAndLiterals, DebugEchoAndBanners) {
  RunHarness h;
  h.run().opt.flgdebug = 1;
  h.convert("int a; /* x */\n");
  std::string path = h.dir() / "src.c";
  EXPECT_EQ(h.console(), "---henkan()---\nfilename=" + path + "\nint a; /* x */\n");
}

TEST(CommentsAndLiterals, TimingCheckpoint) {
  RunHarness h;
  h.run().opt.flgtime = 1;
  h.convert("int a;\n");
  std::string out = h.console();
  ASSERT_EQ(out.rfind("---\n1-1 ", 0), 0u) << out;
  EXPECT_EQ(out.back(), '\n');
}

}  // namespace
}  // namespace zelta
