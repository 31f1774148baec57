// Conversion pass: declarations, aggregates, function headers and bodies.
#include <gtest/gtest.h>

#include "run_harness.h"
#include "prepare/conversion.h"

namespace zelta {
namespace {

using test::cleaned;
using test::RunHarness;

TEST(Declarations, DefinitionBecomesAMarkerLine) {
  EXPECT_EQ(cleaned("int main(void) {\n  return 0;\n}\n"), "int main\n main(){\n  return 0;\n}\n");
  EXPECT_EQ(cleaned("char *p(void)\n{\n x();\n}\n"), "char *p\n p(){\n x();\n}\n");
}

TEST(Declarations, PrototypeSettlesOnSemicolonAfterParenthesis) {
  EXPECT_EQ(cleaned("int f(int a);\n"), "int f;\n");
  // Blanks before ";" change nothing (issue 10, fault 7).
  EXPECT_EQ(cleaned("int f(int a) ;\nstruct s {\n int a;\n};\n"), "int f;\nstruct s ;\n");
}

TEST(Declarations, ParenthesisAfterATypeWordStartsNoHeader) {
  EXPECT_EQ(cleaned("int (*fp)(int);\n"), "int (*fp)(int);\n");
}

TEST(Declarations, AggregateBodiesAreSkipped) {
  EXPECT_EQ(cleaned("struct s { int a; } x;\n"), "struct s  x;\n");
  EXPECT_EQ(cleaned("struct s { struct { int b; } in; int c; } y;\nint z;\n"), "struct s  y;\nint z;\n");
  EXPECT_EQ(cleaned("enum e { A = 1, B };\n"), "enum e ;\n");
}

TEST(Declarations, InitialiserCallKeepsOnlyTheName) { EXPECT_EQ(cleaned("int x = f(3);\n"), "int x = f;\n"); }

TEST(Declarations, CpioIsAnnounced) {
  RunHarness h;
  EXPECT_EQ(h.convert("int cpio(void) {\n}\nint cpio(int a) {\n}\n"), "int cpio\n cpio(){\n}\nint cpio\n cpio(){\n}\n");
  EXPECT_EQ(h.console(), "消すこと消すこと");
}

TEST(Declarations, SourceEndingInsideABodyKeepsTheCompleteLines) {
  EXPECT_EQ(cleaned("void g(void) {\n a();\n b("), "void g\n g(){\n a();\n");
}

TEST(Declarations, StructHeaderWhilePendingIsNoBody) {
  // A pending header meets "struct {": the brace goes on as header text,
  // opens no body, and the header stays pending (here an old-style one,
  // whose parameter declaration ends in a name, not in ")").
  EXPECT_EQ(cleaned("int f(a) int a;\nstruct {\n int a;\n} v;\nint z;\n"), "int f");
  EXPECT_EQ(cleaned("int f(a) int a;\nstruct {\n int a;\n} v;\nint g(void);\nint z;\n"), "int f;\nint z;\n");
}

TEST(Declarations, TypeWords) {
  for (const char* t : {"int", "char", "double", "float", "long", "short", "void", "unsigned", "signed", "enum",
                        "struct", "union", "ssize_t", "size_t"})
    EXPECT_EQ(istypeword(t), 0) << t;
  EXPECT_EQ(istypeword("Int"), 1);
  EXPECT_EQ(istypeword("uint32_t"), 1);
  EXPECT_EQ(istypeword(""), 1);
}

// A "(" inside a skipped file-level brace block starts no header.
TEST(Declarations, CallsInsideInitialiserBlocksStartNoHeader) {
  EXPECT_EQ(cleaned("int t[] = { g(1), h(2) };\nstruct x {\n int a;\n};\n"), "int t[] = ;\nstruct x ;\n");
  EXPECT_EQ(cleaned("struct b { char buf[SIZE(3)]; };\nstruct x {\n int a;\n};\n"), "struct b ;\nstruct x ;\n");
}

// A "(" inside an array dimension starts no header, and the ";" that ends
// an initialiser settles one.
TEST(Declarations, DimensionsAndInitialisersSettle) {
  EXPECT_EQ(cleaned("long regs[(N + sizeof(long) - 1) / sizeof(long)];\n#if 0\nint k(void)\n#endif\n{ }\nint z;\n"),
            "long regs[(N + sizeof(long) - 1) / sizeof(long)];\n\n\nint z;\n");
  EXPECT_EQ(cleaned("int limit = IS_SET(F) ? 8 : 1;\n#if 0\nint k(void)\n#endif\n{ }\nint z;\n"),
            "int limit = IS_SET;\n\n\nint z;\n");
}

// Function-pointer parameters: prototypes and definitions settle like any
// other, wherever the opening brace stands.
TEST(Declarations, FunctionPointerParameters) {
  EXPECT_EQ(cleaned("void reg(void (*cb)(int));\nstruct s {\n int a;\n};\n"), "void reg;\nstruct s ;\n");
  EXPECT_EQ(cleaned("int apply(int (*f)(int), int x) {\n return f(x);\n}\n"),
            "int apply\n apply(){\n return f(x);\n}\n");
  EXPECT_EQ(cleaned("int apply(handler_t (*f)(int))\n{\n return f(1);\n}\n"),
            "int apply\n apply(){\n return f(1);\n}\n");
}

TEST(Declarations, AttributeAfterStructIsNoHeader) {
  EXPECT_EQ(cleaned("typedef struct __attribute__((aligned(16))) {\n int q;\n} t;\nstruct ALIGN(8) s {\n int a;\n};\n"
                    "struct s f(void) {\n}\n"),
            "typedef struct __attribute__((aligned(16)))  t;\nstruct ALIGN(8) s ;\nstruct s f\n f(){\n}\n");
}

TEST(Declarations, LongNamesAreKeptWhole) {
  std::string name(300, 'n');
  std::string body(6000, 'b');
  EXPECT_EQ(cleaned("void " + name + "(void) {\n x = " + body + ";\n}\n"),
            "void " + name + "\n " + name + "(){\n x = " + body + ";\n}\n");
}

TEST(Declarations, NestedBracesInABody) {
  EXPECT_EQ(cleaned("void g(void) {\n if (a) {\n  b();\n }\n}\nint z;\n"),
            "void g\n g(){\n if (a) {\n  b();\n }\n}\nint z;\n");
}

}  // namespace
}  // namespace zelta
