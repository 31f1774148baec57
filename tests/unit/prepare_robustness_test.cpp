// No input may crash or hang the conversion pass: random bytes and every
// prefix of a realistic source go through henkan (the sanitizer build runs
// this too). The analyser's own error exits end the run with status 0.
#include <gtest/gtest.h>

#include <random>

#include "run_harness.h"

namespace zelta {
namespace {

using test::RunHarness;

const char kSample[] =
    "// SPDX-License-Identifier: GPL-2.0\n"
    "/*\n * it's a \"sample\" { with braces }\n */\n"
    "#include \"a.h\"\n#include <sys/b.h>\n#include HEADER\n"
    "#define MAX(a,b) ((a)>(b)?(a):(b))\n#define BEGIN {\n#define END }\n"
    "#define LONG(x, y) do { \\\n  f(x); /* c */ g(y, \"s\", 'c'); \\\n} while (0)\n"
    "#define SELF SELF+1\n#if MAX_DEPTH > 2 && defined(X)\n#error can't happen\n#elif 1\nint on;\n#else\nint off;\n"
    "#endif\n"
    "struct s { int a[SIZE(3)]; void (*cb)(int); } v = { 1, h(2) };\n"
    "static int limit = IS_SET(F) ? 8 : 1;\n"
    "int apply(int (*f)(int), int x) {\n"
    "  int q = MAX(f(x, 1), LONG(1,\n 2));\n"
    "  if (q) BEGIN\n    printf(\"%d \\\" }\\n\", q); // done\n  END\n"
    "  c = '\\'' + '{' + SELF;\n#ifdef MAX\n  return q;\n#endif\n}\n"
    "int main(void) { return apply(0, 1); }\n";

void convert_all(RunHarness& h, const std::string& src) {
  h.convert(src);
  EXPECT_TRUE(h.status() == -1 || h.status() == 0) << h.status();
}

void add_headers(RunHarness& h) {
  h.file("a.h", "#include \"b.h\"\n#define A_H 1\nint a_h(void);\n");
  h.file("b.h", "#include \"a.h\"\n#define B_H {\nvoid b_h(int (*)(int));\n");
}

TEST(Robustness, EveryPrefixOfASample) {
  const std::string sample = kSample;
  std::unique_ptr<RunHarness> h;
  for (size_t n = 0; n <= sample.size(); ++n) {
    if (n % 64 == 0) {
      h = std::make_unique<RunHarness>();
      add_headers(*h);
    }
    convert_all(*h, sample.substr(0, n));
  }
}

TEST(Robustness, RandomBytes) {
  std::mt19937 rng(20261208);
  const std::string alphabet = "{}()[];,=*/\\\"'#\n\t abcXYZ_019<>|&!-+.?:\r\x83\x5c\x95\xe0";
  std::unique_ptr<RunHarness> h;
  for (int i = 0; i < 1000; ++i) {
    if (i % 50 == 0) {
      h = std::make_unique<RunHarness>();
      add_headers(*h);
    }
    size_t len = rng() % 600;
    std::string src;
    for (size_t k = 0; k < len; ++k) {
      unsigned r = rng();
      src.push_back(r % 4 == 0 ? static_cast<char>(r >> 8) : alphabet[(r >> 8) % alphabet.size()]);
    }
    // Splice in pieces that exercise the directive and macro paths.
    static const char* const kPieces[] = {"\n#define F(a,b) g(a,b)+F(b,a)\n",
                                          "\n#include \"a.h\"\n",
                                          "\nvoid f(void) {\n F(1,\n",
                                          "\n#if F == 1\n",
                                          "\n#elif\n",
                                          "\n#endif\n",
                                          "/*",
                                          "*/",
                                          "//",
                                          "\n#define Q \"",
                                          "F(F(F(x,y),z)",
                                          "\n#define (\n",
                                          "\n#if (X == 1\n",
                                          "\n#ifdef\n",
                                          "\n#include <\n",
                                          "\n#define G(x) {x\n",
                                          "\n#else\n",
                                          "\n#undef F\n",
                                          "G(",
                                          "\n#define H(",
                                          "\n#if X >= -1 || Y\n",
                                          "'",
                                          "\"",
                                          "\\\n"};
    for (int k = 0; k < 3; ++k) {
      size_t at = len ? rng() % len : 0;
      src.insert(at, kPieces[rng() % (sizeof kPieces / sizeof kPieces[0])]);
    }
    convert_all(*h, src);
  }
}

TEST(Robustness, SameRandomSourceAsShiftJisAndWithDebug) {
  std::mt19937 rng(7);
  for (int i = 0; i < 40; ++i) {
    RunHarness h;
    h.run().opt.flgdebug = i % 2;
    std::string src = kSample;
    for (int k = 0; k < 20; ++k) src[rng() % src.size()] = static_cast<char>(rng());
    convert_all(h, src);
  }
}

}  // namespace
}  // namespace zelta
