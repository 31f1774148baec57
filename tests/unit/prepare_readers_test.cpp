// The source and cleaned-text readers: tokens, character literals, brace
// counting, the pushback stack and the -d echo.
#include <gtest/gtest.h>

#include <random>

#include "run_harness.h"
#include "calltree/pointers/token_reader.h"
#include "prepare/mid_reader.h"
#include "prepare/plain_bytes.h"
#include "prepare/readers.h"

namespace zelta {
namespace {

using test::RunHarness;
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
  RunHarness h;
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
  RunHarness h;
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

// The run of plain bytes is measured many bytes at a time: each byte value,
// at each place of a run (the wide steps and the tail alike), must end it
// exactly when the byte table says so.
TEST(PlainBytes, SpanEndsAtTheFirstByteTheTableRefuses) {
  for (const PlainBytes* set : {&kBodyPlain, &kFilePlain})
    for (int c = 0; c < 256; ++c)
      for (size_t at : {size_t{0}, size_t{5}, size_t{15}, size_t{16}, size_t{31}, size_t{37}}) {
        std::string text(40, 'a');
        text[at] = static_cast<char>(c);
        const size_t want = set->b[c] ? text.size() : at;
        ASSERT_EQ(plain_span(text.data(), text.size(), *set), want) << "byte " << c << " at " << at;
#if defined(__SSE2__)
        ASSERT_EQ(plain_detail::span_sse2(text.data(), text.size(), *set), want) << "byte " << c << " at " << at;
#endif
      }
}

TEST(ShiftJisDetection, OnlyValidCp932ThatIsNotUtf8) {
  EXPECT_TRUE(looks_shift_jis(sj("表示 \"ソース\"")));
  EXPECT_FALSE(looks_shift_jis("plain ascii"));
  EXPECT_FALSE(looks_shift_jis("表示 UTF-8"));
  EXPECT_FALSE(looks_shift_jis("\xFF\xFE broken"));
}

TEST(CleanedTextReader, ClosingBraceOfABody) {
  RunHarness h;
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
  RunHarness h;
  h.run().rd.flgcomment = 1;
  EXPECT_EQ(mid_tokens(h.run(), "f('a', x)"), (Tokens{"f", "(", ",", "x", ")"}));
}

// The extraction's in-place reader gives getmidword's tokens, results,
// brace counts, -d echo and name positions, also where a literal follows a
// name, a NUL ends the text or a literal does not close.
TEST(CleanedTextReader, InPlaceReaderReadsAsGetmidword) {
  struct Step {
    int r;
    std::string tok;
    int depth;
    size_t at;
  };
  const std::string texts[] = {
      " f(){\n a'x'b(c);\t'q''r'd\n}\n g(){ { x'\\''} }y",
      std::string("  n1 (a) \0 b", 12),
      "x = 'unclosed",
      "x'ab",
  };
  for (const std::string& text : texts) {
    for (int debug = 0; debug < 2; ++debug) {
      std::vector<Step> want, got;
      std::string echo_want, echo_got;
      int status_want = -1, status_got = -1;
      {
        RunHarness h;
        h.run().opt.flgdebug = debug;
        h.run().rd.mid.open_bytes(text);
        std::string buf;
        try {
          for (int r; (r = getmidword(h.run(), buf)) != kEnd;) {
            size_t end = h.run().rd.mid.pos();
            for (int c : h.run().rd.pushback)
              if (c != 0 && end > 0) --end;
            want.push_back({r, buf, h.run().rd.bracedepth, r == kName && end >= buf.size() ? end - buf.size() : 0});
          }
        } catch (const RunExit& e) {
          status_want = e.status;
        }
        echo_want = h.console();
      }
      {
        RunHarness h;
        h.run().opt.flgdebug = debug;
        MidReader in(h.run(), text, false);
        try {
          for (int r; (r = in.next()) != kEnd;)
            got.push_back({r, std::string(in.tok()), h.run().rd.bracedepth, r == kName ? in.name_start() : 0});
        } catch (const RunExit& e) {
          status_got = e.status;
        }
        echo_got = h.console();
      }
      ASSERT_EQ(got.size(), want.size()) << text;
      for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(got[i].r, want[i].r) << text << " token " << i;
        EXPECT_EQ(got[i].tok, want[i].tok) << text << " token " << i;
        EXPECT_EQ(got[i].depth, want[i].depth) << text << " token " << i;
        EXPECT_EQ(got[i].at, want[i].at) << text << " token " << i;
      }
      EXPECT_EQ(status_got, status_want) << text;
      EXPECT_EQ(echo_got, echo_want) << text;
    }
  }
}

// -p's tokens stand in for the in-place reader exactly when the tokenizer
// says the text reads alike: the same results, tokens, brace counts and
// name positions, over texts of every piece either reader treats its own
// way, long enough for the tokenizer's 64-byte blocks.
TEST(CleanedTextReader, TokensReadAsTheInPlaceReaderWhereAlike) {
  const std::string plain[] = {"abc", "_y1", "0x1f", " ", "\t", "\n", "\r\v\f", "(", ")", "[", "]", "{", "}",
                               "-", ">", "->", ";", "=", "\x7f", std::string(70, 'a'), std::string(70, ' ')};
  const std::string odd[] = {"'c'", "\"s\"", "\x01" "f\n", "\x80", std::string(1, '\0'), "\x02"};
  std::mt19937 rng(11);
  int alike = 0;
  for (int it = 0; it < 900; ++it) {
    std::string text;
    const bool with_odd = it % 3 == 0;
    for (int k = static_cast<int>(rng() % 60); k > 0; --k)
      text += with_odd && rng() % 8 == 0 ? odd[rng() % std::size(odd)] : plain[rng() % std::size(plain)];
    CTokens tokens;
    TokenIndexes open;
    const bool same = Tokenize(text, tokens, open);
    EXPECT_EQ(same, !with_odd || text.find_first_of(std::string("'\"\x01\x80\x02\0", 6)) == std::string::npos) << text;
    if (!same) continue;
    ++alike;
    RunHarness want_h, got_h;
    MidReader want(want_h.run(), text, false);
    TokenReader got(got_h.run(), text, tokens);
    for (;;) {
      const int r = want.next();
      ASSERT_EQ(got.next(), r) << text;
      if (r == kEnd) break;
      ASSERT_EQ(got.tok(), want.tok()) << text;
      if (r == kName) {
        ASSERT_EQ(got.name_start(), want.name_start()) << text;
      }
      ASSERT_EQ(got_h.run().rd.bracedepth, want_h.run().rd.bracedepth) << text;
      ASSERT_EQ(got_h.run().rd.bodyclosed, want_h.run().rd.bodyclosed) << text;
    }
  }
  EXPECT_GT(alike, 600);
}

// A Shift-JIS character literal that a macro brings into the cleaned text
// is read back as one literal.
TEST(CleanedTextReader, ShiftJisLiteralFromAMacro) {
  RunHarness h;
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
