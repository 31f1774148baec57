// Macro table, expansion of body lines, and the #if slot evaluation.
#include <gtest/gtest.h>

#include "run_harness.h"
#include "prepare/if_evaluation.h"
#include "prepare/macro_expansion.h"

namespace zelta {
namespace {

using test::RunHarness;

// The body of `void f(void) { ... }` after the given definitions.
std::string body_of(const std::string& defines, const std::string& body) {
  RunHarness h;
  std::string out = h.convert(defines + "void f(void) {\n" + body + "}\n");
  size_t at = out.find(" f(){\n");
  EXPECT_NE(at, std::string::npos) << out;
  return at == std::string::npos ? out : out.substr(at + 6);
}

TEST(MacroTable, HashAndLookup) {
  EXPECT_EQ(machash("N"), 78u);
  EXPECT_EQ(machash("MAX"), 62u);
  EXPECT_EQ(machash("M(a)"), 228u);
  EXPECT_EQ(machash("\x83\x5c"), 1105u);  // bytes count as signed values
  MacroTable t;
  t.macdefine("M(a)", "M", "a");
  EXPECT_EQ(t.maclookup("M"), nullptr);     // the head is compared
  EXPECT_EQ(t.maclookup("M(a)"), nullptr);  // and "M(a)" is not in the bucket of "M"
  EXPECT_NE(t.find_for_expansion("M"), nullptr);
  t.macdefine("BG(u)", "BG", "7");  // "BG" and "BG(u)" happen to share a bucket
  ASSERT_NE(t.maclookup("BG(u)"), nullptr);
  t.macdefine("N", "N", "1");
  t.macdefine("N", "N", "2");  // redefinition replaces the body
  ASSERT_NE(t.maclookup("N"), nullptr);
  EXPECT_EQ(t.maclookup("N")->body, "2");
  EXPECT_EQ(t.size(), 3u);
  t.macundef("N");
  EXPECT_EQ(t.maclookup("N"), nullptr);
  EXPECT_EQ(t.find_for_expansion("N"), nullptr);
  t.macdefine("N", "N", "3");  // a new record in front of the marked one
  EXPECT_EQ(t.maclookup("N")->body, "3");
  EXPECT_EQ(t.size(), 4u);
}

TEST(Expansion, ObjectLikeMacro) {
  EXPECT_EQ(body_of("#define N 10\n", "a = N; NN; N_1; b=N+1;\nN;\n"), "a = 10; NN; N_1; b=10+1;\n10;\n}\n");
}

TEST(Expansion, FunctionLikeMacro) {
  const std::string max = "#define MAX(a,b) ((a)>(b)?(a):(b))\n";
  EXPECT_EQ(body_of(max, " x = MAX(p, q);\n"), " x = ((p)>(q)?(p):(q));\n}\n");
  EXPECT_EQ(body_of(max, " x = MAX (p, q);\n"), " x = MAX (p, q);\n}\n");
  EXPECT_EQ(body_of(max, " x = MAX(p);\n"), " x = ((p)>(b)?(p):(b));\n}\n");
  EXPECT_EQ(body_of(max, " x = MAX(p,q,r);\n"), " x = ((p)>(q,r)?(p):(q,r));\n}\n");
}

// Only a comma at the call's own parenthesis level separates arguments.
TEST(Expansion, CommasInsideNestedParentheses) {
  EXPECT_EQ(body_of("#define MAX(a,b) ((a)>(b)?(a):(b))\n", " z = MAX(f(x,y), z);\n"),
            " z = ((f(x,y))>(z)?(f(x,y)):(z));\n}\n");
}

TEST(Expansion, NestedUseOfTheSameMacro) {
  EXPECT_EQ(body_of("#define MAX(a,b) ((a)>(b)?(a):(b))\n", " m = MAX(MAX(a,b),c);\n"),
            " m = ((((a)>(b)?(a):(b)))>(c)?(((a)>(b)?(a):(b))):(c));\n}\n");
}

TEST(Expansion, RescanExpandsMacrosTheBodyBrings) {
  EXPECT_EQ(body_of("#define ONE 1\n#define INC(x) ((x)+ONE)\n#define TWICE(x) G(x)+G(x)\n#define G(y) g(y)\n",
                    " a = INC(b); c = TWICE(2);\n"),
            " a = ((b)+1); c = g(2)+g(2);\n}\n");
}

// Issue 10, fault 2: a parameter used as a callee is replaced like any other use.
TEST(Expansion, ParameterNameBeforeParenthesisIsReplaced) {
  EXPECT_EQ(body_of("#define AP(f) f(f)\n", " AP(g);\n"), " g(g);\n}\n");
}

// A macro is not expanded inside its own expansion, directly or through
// others.
TEST(Expansion, SelfReferenceStops) {
  EXPECT_EQ(
      body_of("#define X X+1\n#define A B\n#define B A\n#define F(n) F(n-1)\n", " q = X; r = A; s = X X; t = F(3);\n"),
      " q = X+1; r = A; s = X+1 X+1; t = F(3-1);\n}\n");
}

TEST(Expansion, BraceFromAMacroExtendsTheBody) {
  RunHarness h;
  EXPECT_EQ(
      h.convert("#define BEGIN {\n#define END }\nvoid f(void) {\n if (x)\nBEGIN\n a();\nEND\n b();\n}\nint after;\n"),
      "  void f\n f(){\n if (x)\n{\n a();\n}\n b();\n}\nint after;\n");
}

TEST(Expansion, ArgumentsOnFurtherLines) {
  EXPECT_EQ(body_of("#define ADD(a,b) add(a,b)\n", " x = ADD(p,\n       q) + 1;\n y();\n"),
            " x = add(p,q) + 1;\n y();\n}\n");
  // A further line loses its literals and comments as body text does.
  EXPECT_EQ(body_of("#define LOG(a,b) log(a,b)\n", " LOG(1,\n  \"didn't\" /* it's */, 'x');\n y();\n"),
            " log(1,/,);\n y();\n}\n");
}

TEST(Expansion, ArgumentsOpenAtEndOfInput) {
  RunHarness h;
  h.convert("#define ADD(a,b) add(a,b)\nvoid f(void) {\n x = ADD(p,\n");
  EXPECT_EQ(h.status(), 0);
  EXPECT_EQ(h.console(), "エラーナンバー : -200\n");
  EXPECT_EQ(h.errlog(), test::sjfile("エラーナンバー : -200\n"));
}

TEST(Expansion, ManyParametersAndLongTexts) {
  std::string params, args, body;
  for (int i = 0; i < 40; ++i) {
    params += (i ? "," : "") + std::string("p") + std::to_string(i);
    args += (i ? "," : "") + std::string(600, static_cast<char>('a' + i % 26));
    body += "p" + std::to_string(i) + "+";
  }
  std::string expect;
  for (int i = 0; i < 40; ++i) expect += std::string(600, static_cast<char>('a' + i % 26)) + "+";
  EXPECT_EQ(body_of("#define BIG(" + params + ") " + body + "0\n", " x = BIG(" + args + ");\n"),
            " x = " + expect + "0;\n}\n");
}

TEST(Expansion, ExponentialGrowthIsBounded) {
  std::string defs = "#define M0 x\n";
  for (int i = 1; i <= 30; ++i)
    defs += "#define M" + std::to_string(i) + " M" + std::to_string(i - 1) + " M" + std::to_string(i - 1) + "\n";
  std::string out = body_of(defs, " M30;\n");
  EXPECT_LT(out.size(), size_t{8} << 20);
}

TEST(Expansion, ExpandlineDirectly) {
  RunHarness h;
  h.run().pp.macrotab.macdefine("N", "N", "10");
  std::string line = "a = N;\n";
  expandline(h.run(), line, 0, nullptr);
  EXPECT_EQ(line, "a = 10;\n");
  h.run().pp.macrotab.macdefine("OPEN", "OPEN", "{ {");
  h.run().rd.bracedepth = 1;
  line = "OPEN x; OPEN\n";
  expandline(h.run(), line, 0, nullptr);
  EXPECT_EQ(line, "{ { x; { {\n");
  EXPECT_EQ(h.run().rd.bracedepth, 5);
}

TEST(Expansion, BracesOneMacroOpensAnotherCloses) {
  // EACH brings two "{" that END closes: the source's own "}" still ends the
  // body, and the next definition is read at file level.
  const std::string defs = "#define EACH(i) for (i = 0;;) { {\n#define END } }\n";
  EXPECT_EQ(test::cleaned(defs + "void f(void) {\n EACH(i) {\n  g(i);\n } END;\n}\nvoid h(int *p) __acquires(p) {\n k();\n}\n"),
            "  void f\n f(){\n for (i = 0;;) { { {\n  g(i);\n } } };\n}\nvoid h\n h(){\n k();\n}\n");
  // An END with nothing open closes nothing: the source's "}" decides.
  EXPECT_EQ(body_of(defs, " END;\n g();\n"), " } };\n g();\n}\n");
  // Calls side by side in an argument: a body's last name stays apart from
  // the next call.
  EXPECT_EQ(body_of("#define A(x) x a\n#define B(x) b x\n#define ALL(t) t\n", " ALL(A(1) B(2));\n"),
            " 1 a b 2;\n}\n");
}

bool cond(MacroTable& t, const char* text) { return if_condition(t, text); }

TEST(IfSlots, WorkedExamples) {
  MacroTable t;
  t.macdefine("X", "X", "1");
  EXPECT_TRUE(cond(t, "1\n"));
  EXPECT_TRUE(cond(t, "X == 1\n"));
  EXPECT_TRUE(cond(t, "X==1\n"));
  EXPECT_TRUE(cond(t, "2 > 1\n"));
  EXPECT_FALSE(cond(t, "0\n"));
  EXPECT_FALSE(cond(t, "X\n"));
  EXPECT_FALSE(cond(t, "defined(X)\n"));
}

TEST(IfSlots, EmptySlotsStopTheEvaluation) {
  MacroTable t;
  t.macdefine("A", "A", "5");
  t.macdefine("Z", "Z", "0");
  t.macdefine("D", "D", "50");
  EXPECT_TRUE(cond(t, "A  ==  1\n"));
  EXPECT_FALSE(cond(t, "Z  ==  1\n"));
  EXPECT_FALSE(cond(t, "D  ==  1\n"));  // a left value of 48..57 gives no result
  EXPECT_FALSE(cond(t, "1 \n"));        // two slots: the final text is the empty second one
}

TEST(IfSlots, Operators) {
  MacroTable t;
  t.macdefine("X", "X", " -3");
  EXPECT_TRUE(cond(t, "X != 2"));
  EXPECT_TRUE(cond(t, "X < 0"));
  EXPECT_TRUE(cond(t, "X <= -3"));
  EXPECT_FALSE(cond(t, "X >= 0"));
  EXPECT_TRUE(cond(t, "X>-4"));
  EXPECT_FALSE(cond(t, "1 && 0"));
  EXPECT_TRUE(cond(t, "1 || 0"));
  EXPECT_TRUE(cond(t, "1 <> 1"));  // no result: the right slot keeps "1"
  EXPECT_TRUE(cond(t, "1 // note"));
  // Strictly left to right: ((1 == 1) && 2) > 1.
  EXPECT_FALSE(cond(t, "1 == 1 && 2 > 1"));
  EXPECT_TRUE(cond(t, "1 == 1 && 2 > 0"));
}

TEST(IfSlots, HeadWithParametersFoundOnlyInASharedBucket) {
  EXPECT_EQ(
      test::cleaned("#define BG(u) 7\n#if BG(u) == 7\nint a;\n#endif\n#define M(a) 7\n#if M(a) == 7\nint b;\n#endif\n"),
      "  int a;\n\n \n");
}

}  // namespace
}  // namespace zelta
