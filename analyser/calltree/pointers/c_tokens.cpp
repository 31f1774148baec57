#include "calltree/pointers/c_tokens.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zelta {

namespace {

// What a byte begins. One look at a table instead of a chain of tests: the
// tokenizer reads every byte of every text a run reads.
enum ByteClass : unsigned char { kBlank, kNameByte, kDigit, kQuote, kMark, kMinus, kBracket, kOther };

struct ByteClasses {
  ByteClass c[256] = {};
  bool name[256] = {};
  constexpr ByteClasses() {
    for (int b = 0; b < 256; ++b) {
      const bool letter = b == '_' || (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || b >= 0x80;
      const bool digit = b >= '0' && b <= '9';
      name[b] = letter || digit;
      c[b] = b <= ' '                                     ? kBlank
             : letter                                     ? kNameByte
             : digit                                      ? kDigit
             : b == '"' || b == '\''                      ? kQuote
             : b == '-'                                   ? kMinus
             : b == '(' || b == '[' || b == '{' || b == ')' || b == ']' || b == '}' ? kBracket
                                                          : kOther;
    }
    c[static_cast<unsigned char>(kBodyMarkByte)] = kMark;
  }
};
inline constexpr ByteClasses kBytes;

int BracketKind(char c) { return c == '(' || c == ')' ? 0 : c == '[' || c == ']' ? 1 : 2; }

// A byte either reader takes its own way: a quote, a control byte other
// than "\t\n\v\f\r", a byte of 128 or above.
bool Odd(unsigned char c) { return c == '"' || c == '\'' || c >= 0x80 || (c < ' ' && !(c >= '\t' && c <= '\r')); }

}  // namespace

bool ReadsAlike(std::string_view text) {
  const char* p = text.data();
  const char* const e = p + text.size();
#if defined(__SSE2__)
  // Sixteen bytes at a time: the texts are read whole, and nearly all pass.
  const __m128i blank = _mm_set1_epi8(' ');
  const __m128i tab = _mm_set1_epi8('\t');
  const __m128i spaces = _mm_set1_epi8('\r' - '\t');
  for (; e - p >= 16; p += 16) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    // Signed: bytes of 128 and above are below the blank as well.
    const __m128i low = _mm_cmplt_epi8(x, blank);
    const __m128i t = _mm_sub_epi8(x, tab);
    const __m128i space = _mm_cmpeq_epi8(_mm_min_epu8(t, spaces), t);
    const __m128i quote = _mm_or_si128(_mm_cmpeq_epi8(x, _mm_set1_epi8('"')), _mm_cmpeq_epi8(x, _mm_set1_epi8('\'')));
    if (_mm_movemask_epi8(_mm_or_si128(_mm_andnot_si128(space, low), quote))) return false;
  }
#endif
  for (; p < e; ++p)
    if (Odd(static_cast<unsigned char>(*p))) return false;
  return true;
}

void Tokenize(std::string_view text, std::vector<CToken>& out, std::vector<int>& open) {
  out.clear();
  out.reserve(text.size() / 4 + 1);
  open.clear();
  int count[3] = {0, 0, 0};  // open "(", "[", "{" on the stack
  const char* const b = text.data();
  const char* const e = b + text.size();
  const char* p = b;
  const auto at = [b](const char* q) { return static_cast<std::uint32_t>(q - b); };
  while (p < e) {
    const unsigned char c = static_cast<unsigned char>(*p);
    switch (kBytes.c[c]) {
      case kBlank:
        ++p;
        break;
      case kNameByte:
      case kDigit: {
        const char* q = p + 1;
        while (q < e && kBytes.name[static_cast<unsigned char>(*q)]) ++q;
        out.push_back(CToken{at(p), at(q) - at(p), -1, kBytes.c[c] == kDigit ? CToken::kNumber : CToken::kName, 0});
        p = q;
        break;
      }
      case kQuote: {
        // A literal ends at its closing quote or its line; an unterminated
        // one ends the text.
        const char* q = p + 1;
        for (; q < e; ++q) {
          if (*q == '\\') {
            if (++q == e) break;
          } else if (*q == static_cast<char>(c) || *q == '\n') {
            ++q;
            break;
          }
        }
        p = q;
        break;
      }
      case kMark: {
        const char* q = p + 1;
        while (q < e && *q != '\n') ++q;
        out.push_back(CToken{at(p + 1), at(q) - at(p + 1), -1, CToken::kBodyMark, 0});
        p = q;
        break;
      }
      case kMinus:
        if (p + 1 < e && p[1] == '>') {
          out.push_back(CToken{at(p), 2, -1, CToken::kPunct, 0});
          p += 2;
          break;
        }
        [[fallthrough]];
      case kOther:
        out.push_back(CToken{at(p), 1, -1, CToken::kPunct, static_cast<char>(c)});
        ++p;
        break;
      case kBracket: {
        const int i = static_cast<int>(out.size());
        out.push_back(CToken{at(p), 1, -1, CToken::kPunct, static_cast<char>(c)});
        ++p;
        const int k = BracketKind(static_cast<char>(c));
        if (c == '(' || c == '[' || c == '{') {
          open.push_back(i);
          count[k]++;
          break;
        }
        // A closer without an opener of its kind is stray; one with openers
        // of other kinds above it closes them unpaired. Each opener leaves
        // the stack once, so the pass stays linear however deep the nesting.
        if (count[k] == 0) break;
        for (;;) {
          const int o = open.back();
          open.pop_back();
          const int ok = BracketKind(out[static_cast<size_t>(o)].punct);
          count[ok]--;
          if (ok == k) {
            out[static_cast<size_t>(o)].partner = i;
            out.back().partner = o;
            break;
          }
        }
        break;
      }
    }
  }
}

}  // namespace zelta
