#include <gtest/gtest.h>

#include <algorithm>
#include <unordered_set>

#include "calltree/declared_functions.h"
#include "run_harness.h"

namespace zelta::test {
namespace {

std::string scan(const std::string& cleaned) {
  RunHarness h;
  h.extract("x.c", cleaned);
  return h.records();
}

TEST(Extraction, DefinitionsNeedParenthesesAndABrace) {
  EXPECT_EQ(scan("int f;\nextern void g;\nint f(int);\nextern void g();\n"), "");
  EXPECT_EQ(scan("int main\n main(){\n}"), "main*|");
  // Old-style parameter declarations hide the brace; the body is then read
  // at file level and gives nothing.
  EXPECT_EQ(scan("int f(a) int a; {\n g();\n}"), "");
  EXPECT_EQ(scan(""), "");
}

TEST(Extraction, CallsInSourceOrderWithKeywordsLeftOut) {
  EXPECT_EQ(scan(" main(){\n x = a (1);\n}"), "main* a|");
  EXPECT_EQ(scan(" main(){\n return (x); n = sizeof(int); while (x) y(); for (;;) ; if (f(x)) do {} while(0);\n}"),
            "main* return sizeof y f|");
  EXPECT_EQ(scan(" main(){\n b(c(d(1)));\n}"), "main* b c d|");
  EXPECT_EQ(scan(" main(){\n f((g)(x));\n}"), "main* f|");
  EXPECT_EQ(scan(" main(){\n a(); a(); b();\n}"), "main* a a b|");
  EXPECT_EQ(scan(" main(){\n (void) p->q (1); s.t(2); switch (u(3)) {case 1: v(); } else\n}"),
            "main* q t u v|");
}

// -c: only a name declared as a function makes "(name) (...)" a call, so
// pointers, typedef names, members and initialisers must not count.
TEST(Extraction, ConfiguredDeclaredFunctionsLeaveOutPointersTypesAndMembers) {
  std::unordered_set<std::string_view> found;
  DeclaredFunctions(
      "extern int f (int) __attribute__ ((x));\nint (*p) (int);\nunsigned long (*q) (void) = 0;\n"
      "typedef int t (int);\nstruct s { int (*m) (int); int n (int); } v;\nextern \"C\" {\nint g (void);\n}\n"
      "int a[2] = { h (1) };\nstatic struct s *k (int x)\n\x01k\nint u, w (void);\n",
      found);
  std::vector<std::string_view> names(found.begin(), found.end());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string_view>{"f", "g", "k", "w"}));
}

TEST(Extraction, GroupsCloseAtEachDefinitionAndAtTheEndOfAFile) {
  RunHarness h;
  h.extract("x.c", "int b\n b(){\n b(1);\n}int a\n a(){\n}\n main(){\n {\n a(); }\n b();\n}");
  h.extract("y.c", "\n c(){\n d();\n}");
  EXPECT_EQ(h.records(), "b* b|a*|main* a b|c* d|");
  EXPECT_EQ(h.run().recs.files[static_cast<size_t>(h.run().recs.list.back().file)], "y.c");
  EXPECT_EQ(h.run().recs.list.front().stdfunc, -1);
}

TEST(Extraction, KeywordHeadedBlockJoinsThePrecedingGroup) {
  EXPECT_EQ(scan(" main(){\n a();\n}if (x) {\n g();\n}"), "main* a g|");
}

TEST(Extraction, LongNamesAndCrLfText) {
  const std::string longname(5000, 'q');
  EXPECT_EQ(scan("\r\n " + longname + "(){\r\n " + longname + "x();\r\n}"), longname + "* " + longname + "x|");
}

TEST(Extraction, CharacterLiteralsVanishAndEndOfInputInsideABodyIsQuiet) {
  EXPECT_EQ(scan(" main(){\n c = '(' ; a(')');\n b(("), "main* a b|");
}

TEST(Extraction, DebugBannersNameTheMode) {
  RunHarness h;
  h.opt().flgdebug = 1;
  h.extract("x.c", "int f;", 0);
  h.extract("x.c", " f(){\n}", 0);
  h.extract("y.c", " g(){\n}", 1);
  EXPECT_EQ(h.console(),
            "-------------getfilename3()-----------------\nint f;"
            "-------------getfilename3()-----------------\n f(){\n}"
            "-------------END-getfilename3()-----------------\n"
            "-------------getfilename3_mode_a()-----------------\n g(){\n}"
            "-------------END-getfilename3_mode_a()-----------------\n");
}

}  // namespace
}  // namespace zelta::test
