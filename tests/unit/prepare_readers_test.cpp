// The source and cleaned-text readers: tokens, character literals, brace
// counting, the pushback stack and the -d echo.
#include <gtest/gtest.h>

#include "henkan_support.h"
#include "prepare/readers.h"

namespace zelta {
namespace {

using test::HenkanRun;
using test::sj;

// A run whose include stack holds the given bytes as its only source.
struct Reader {
  explicit Reader(std::string_view bytes, bool sjis = false) {
    auto s = std::make_unique<SrcStream>();
    s->text.open_bytes(bytes);
    s->sjis = sjis;
    push_source(h.run().rd, std::move(s));
  }
  std::vector<std::string> src_tokens() {
    std::vector<std::string> out;
    std::string buf;
    while (getsrcword(h.run(), buf) != kEnd) out.push_back(buf);
    return out;
  }
  // Reads until the end; the exit status when the run ended instead.
  int drain() {
    try {
      src_tokens();
    } catch (const RunExit& e) {
      return e.status;
    }
    return -1;
  }
  HenkanRun h;
};

std::vector<std::string> mid_tokens(zelta::Run& run, std::string_view bytes) {
  run.rd.mid.open_bytes(bytes);
  std::vector<std::string> out;
  std::string buf;
  while (getmidword(run, buf) != kEnd) out.push_back(buf);
  return out;
}

using Tokens = std::vector<std::string>;

TEST(SourceReader, BlanksTabsAndLineEndsAreTokensOfTheirOwn) {
  Reader r("a\tb c\n");
  EXPECT_EQ(r.src_tokens(), (Tokens{"a", "\t", "b", " ", "c", "\n"}));
  HenkanRun h;
  EXPECT_EQ(mid_tokens(h.run(), "a\tb c\n"), (Tokens{"a", "b", "c"}));
}

TEST(SourceReader, OtherWhiteSpaceIsSkipped) {
  Reader r("a\r\nb\rc\vd\fe");
  EXPECT_EQ(r.src_tokens(), (Tokens{"a", "\n", "b", "c", "d", "e"}));
}

TEST(SourceReader, CharacterLiteralsVanish) {
  Reader a("x = 'a';");
  EXPECT_EQ(a.src_tokens(), (Tokens{"x", " ", "=", " ", ";"}));
  Reader b("'\\''x '\\\\'y");
  EXPECT_EQ(b.src_tokens(), (Tokens{"x", " ", "y"}));
  Reader c("p('{')");  // the brace inside is not counted
  EXPECT_EQ(c.src_tokens(), (Tokens{"p", "(", ")"}));
  EXPECT_EQ(c.h.run().rd.bracedepth, 0);
}

TEST(SourceReader, DigitSeparatorsStayInTheirNumber) {
  Reader r("x = 0x8000'0000u + 1'000'000; c = L'a'; d = 1';'x");
  EXPECT_EQ(r.src_tokens(), (Tokens{"x", " ", "=", " ", "0x80000000u", " ", "+", " ", "1000000", ";", " ", "c", " ", "=",
                                    " ", "L", ";", " ", "d", " ", "=", " ", "1", "x"}));
}

TEST(SourceReader, LiteralAtTheVeryEndReadsAsEndOfInput) {
  Reader r("a'b'");
  EXPECT_EQ(r.src_tokens(), (Tokens{"a"}));
}

TEST(SourceReader, ApostropheInsideCommentOrStringStartsNoLiteral) {
  Reader r("it's {");
  r.h.run().rd.flgcomment = 1;
  EXPECT_EQ(r.src_tokens(), (Tokens{"it", "'", "s", " ", "{"}));
  EXPECT_EQ(r.h.run().rd.bracedepth, 0);
  Reader s("it's");
  s.h.run().rd.flgdubble = 1;
  EXPECT_EQ(s.src_tokens(), (Tokens{"it", "'", "s"}));
}

TEST(SourceReader, NamesAndShiftJisBytes) {
  Reader r("9abc_1 x" + sj("表"));
  std::string t = sj("表");
  EXPECT_EQ(r.src_tokens(), (Tokens{"9abc_1", " ", "x", t.substr(0, 1), t.substr(1, 1)}));
}

TEST(SourceReader, BracesAreCounted) {
  Reader r("{{}");
  r.src_tokens();
  EXPECT_EQ(r.h.run().rd.bracedepth, 1);
}

TEST(SourceReader, NulByteEndsTheStream) {
  Reader r(std::string("ab\0cd", 5));
  EXPECT_EQ(r.src_tokens(), (Tokens{"ab"}));
}

TEST(SourceReader, UnterminatedLiteralEndsTheRun) {
  Reader r("x = 'abc");
  EXPECT_EQ(r.drain(), 0);
  EXPECT_EQ(r.h.console(), "シングルコーテーションの対応がとれてません\nflgcomment=0 flgdubble=0\n");
  EXPECT_EQ(r.h.errlog(), sj("シングルコーテーションの対応がとれてません"));
}

TEST(SourceReader, DebugEchoesEveryByteOnceButNotLiterals) {
  Reader r("ab 'q' c\n");
  r.h.run().opt.flgdebug = 1;
  r.src_tokens();
  // The opening apostrophe is echoed; the rest of the literal and the byte
  // returned in its place are not, and "c" (pushed back after the name) once.
  EXPECT_EQ(r.h.console(), "ab 'c\n");
}

TEST(SourceReader, ShiftJisTrailBackslashInsideLiteral) {
  // 0x83 0x5C is "ソ": its trail byte is no escape in a Shift-JIS file.
  std::string so = sj("ソ");
  ASSERT_EQ(so, "\x83\x5C");
  Reader r("a '" + so + "' b", /*sjis=*/true);
  EXPECT_EQ(r.src_tokens(), (Tokens{"a", " ", " ", "b"}));
  // Read byte by byte, the same bytes escape the closing apostrophe.
  Reader raw("a '" + so + "' b", /*sjis=*/false);
  EXPECT_EQ(raw.drain(), 0);
}

TEST(ShiftJisDetection, OnlyValidCp932ThatIsNotUtf8) {
  EXPECT_TRUE(looks_shift_jis(sj("表示 \"ソース\"")));
  EXPECT_FALSE(looks_shift_jis("plain ascii"));
  EXPECT_FALSE(looks_shift_jis("表示 UTF-8"));
  EXPECT_FALSE(looks_shift_jis("\xFF\xFE broken"));
}

TEST(CleanedTextReader, ClosingBraceOfABody) {
  HenkanRun h;
  zelta::Run& run = h.run();
  run.rd.bracedepth = 1;
  EXPECT_EQ(mid_tokens(run, "}"), (Tokens{"}"}));
  std::string buf;
  run.rd.mid.open_bytes("}");
  run.rd.bracedepth = 1;
  EXPECT_EQ(getmidword(run, buf), kBodyClosed);
  EXPECT_EQ(run.rd.bodyclosed, 1);
  run.rd.mid.open_bytes("}");
  run.rd.bracedepth = 2;
  run.rd.bodyclosed = 0;
  EXPECT_EQ(getmidword(run, buf), kChar);
  EXPECT_EQ(run.rd.bodyclosed, 0);
}

TEST(CleanedTextReader, LiteralsVanishWhateverTheFlags) {
  HenkanRun h;
  h.run().rd.flgcomment = 1;
  EXPECT_EQ(mid_tokens(h.run(), "f('a', x)"), (Tokens{"f", "(", ",", "x", ")"}));
}

// A Shift-JIS character literal that a macro brings into the cleaned text
// is read back as one literal.
TEST(CleanedTextReader, ShiftJisLiteralFromAMacro) {
  HenkanRun h;
  std::string out = h.convert(sj("#define SEP '表'\nvoid f(void) {\n c = SEP; d();\n}\n"));
  EXPECT_EQ(out, sj(" void f\n f(){\n c = '表'; d();\n}\n"));
  zelta::Run& run = h.run();
  run.rd.mid.open(h.dir() / "conv.txt");
  run.rd.pushback.clear();
  std::vector<std::string> toks;
  std::string buf;
  try {
    while (getmidword(run, buf) != kEnd) toks.push_back(buf);
  } catch (const RunExit&) {
    FAIL() << "the literal did not close";
  }
  EXPECT_EQ(toks, (Tokens{"void", "f", "f", "(", ")", "{", "c", "=", ";", "d", "(", ")", ";", "}"}));
}

}  // namespace
}  // namespace zelta
