#include "calltree/pointers/c_tokens.h"

#include <algorithm>

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

}  // namespace

namespace {

// One text's tokens as they are read: names and punctuators appended, each
// bracket paired with its partner as it closes.
class Tokenizer {
 public:
  Tokenizer(std::string_view text, CTokens& out, TokenIndexes& open)
      : b_(text.data()), e_(b_ + text.size()), out_(out), open_(open) {
    out_.clear();
    open_.clear();
    room(text.size() / 4 + kBlock);
  }

  // Returns whether the text reads alike (see Tokenize).
  bool run() {
    const char* p = b_;
    while (p < e_) {
#if defined(__SSE2__)
      if (e_ - p >= kBlock) {
        room(kBlock);
        p = block(p);
        pair();
        continue;
      }
#endif
      room(1);
      p = step(p);
      pair();
    }
    out_.resize(count());
#if defined(__SSE2__)
    odd_ |= _mm_movemask_epi8(odd_bytes_) != 0;
#endif
    return !odd_;
  }

 private:
  static constexpr int kBlock = 64;  // bytes, and so at most as many tokens

  std::uint32_t at(const char* q) const { return static_cast<std::uint32_t>(q - b_); }
  // The tokens are written at w_, the vector's size being the room made.
  size_t count() const { return static_cast<size_t>(w_ - out_.data()); }
  void room(size_t n) {
    const size_t used = w_ ? count() : 0;
    if (out_.size() - used >= n) return;
    out_.resize(std::max(used + n, 2 * out_.size()));
    w_ = out_.data() + used;
  }
  void add(const CToken& t) { *w_++ = t; }

  void name(const char* p, const char* q) {
    const bool digit = kBytes.c[static_cast<unsigned char>(*p)] == kDigit;
    add(CToken{at(p), at(q) - at(p), -1, digit ? CToken::kNumber : CToken::kName, 0});
  }
  // A punctuator of one byte at p. A bracket's index is noted without a
  // test, for pair() to pair it once the block is read.
  void punct(const char* p) {
    const unsigned char c = static_cast<unsigned char>(*p);
    pending_[npending_] = static_cast<int>(count());
    npending_ += kBytes.c[c] == kBracket;
    add(CToken{at(p), 1, -1, CToken::kPunct, static_cast<char>(c)});
  }
  void pair() {
    CToken* const t = out_.data();
    for (size_t r = 0; r < npending_; ++r) {
      const int i = pending_[r];
      const char c = t[i].punct;
      const int k = BracketKind(c);
      if (c == '(' || c == '[' || c == '{') {
        open_.push_back(i);
        count_[k]++;
        continue;
      }
      // A closer without an opener of its kind is stray; one with openers
      // of other kinds above it closes them unpaired. Each opener leaves
      // the stack once, so the pass stays linear however deep the nesting.
      if (count_[k] == 0) continue;
      for (;;) {
        const int o = open_.back();
        open_.pop_back();
        const int ok = BracketKind(t[o].punct);
        count_[ok]--;
        if (ok == k) {
          t[o].partner = i;
          t[i].partner = o;
          break;
        }
      }
    }
    npending_ = 0;
  }
  // "-" at p: "->" or a "-" of its own; returns the byte after it.
  const char* minus(const char* p) {
    if (p + 1 < e_ && p[1] == '>') {
      add(CToken{at(p), 2, -1, CToken::kPunct, 0});
      return p + 2;
    }
    punct(p);
    return p + 1;
  }

  // Where the name whose byte is at p ends (p itself is not looked at again).
  const char* name_end(const char* p) {
    unsigned char any = static_cast<unsigned char>(*p);
    const char* q = p + 1;
    for (; q < e_ && kBytes.name[static_cast<unsigned char>(*q)]; ++q) any |= static_cast<unsigned char>(*q);
    odd_ |= (any & 0x80) != 0;
    return q;
  }

  // One token (or one blank byte) at p, a byte at a time; returns where the
  // next begins.
  const char* step(const char* p) {
    const unsigned char c = static_cast<unsigned char>(*p);
    switch (kBytes.c[c]) {
      case kBlank:
        odd_ |= c != ' ' && !(c >= '\t' && c <= '\r');
        return p + 1;
      case kNameByte:
      case kDigit: {
        const char* q = name_end(p);
        name(p, q);
        return q;
      }
      case kQuote: {
        odd_ = true;
        // A literal ends at its closing quote or its line; an unterminated
        // one ends the text.
        const char* q = p + 1;
        for (; q < e_; ++q) {
          if (*q == '\\') {
            if (++q == e_) break;
          } else if (*q == static_cast<char>(c) || *q == '\n') {
            ++q;
            break;
          }
        }
        return q;
      }
      case kMark: {
        odd_ = true;
        const char* q = p + 1;
        while (q < e_ && *q != '\n') ++q;
        add(CToken{at(p + 1), at(q) - at(p + 1), -1, CToken::kBodyMark, 0});
        return q;
      }
      case kMinus:
        return minus(p);
      case kOther:
      case kBracket:
        punct(p);
        return p + 1;
    }
    return p + 1;
  }

#if defined(__SSE2__)
  // The 64 bytes at p by masks, one bit a byte: the tokens that begin there
  // are found by bit counts rather than a test per byte. A literal or a body
  // mark ends the block: what follows is read by step().
  const char* block(const char* p) {
    std::uint64_t names = 0, blanks = 0, specials = 0;
    for (int k = 0; k < 4; ++k) {
      const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
      const __m128i high = _mm_cmplt_epi8(x, _mm_setzero_si128());  // 128 and above
      const __m128i l = _mm_sub_epi8(_mm_or_si128(x, _mm_set1_epi8(0x20)), _mm_set1_epi8('a'));
      const __m128i letter = _mm_cmpeq_epi8(_mm_min_epu8(l, _mm_set1_epi8(25)), l);
      const __m128i d = _mm_sub_epi8(x, _mm_set1_epi8('0'));
      const __m128i digit = _mm_cmpeq_epi8(_mm_min_epu8(d, _mm_set1_epi8(9)), d);
      const __m128i under = _mm_cmpeq_epi8(x, _mm_set1_epi8('_'));
      const __m128i mark = _mm_cmpeq_epi8(x, _mm_set1_epi8(kBodyMarkByte));
      const __m128i low = _mm_andnot_si128(high, _mm_cmplt_epi8(x, _mm_set1_epi8(' ' + 1)));
      const __m128i quote = _mm_or_si128(_mm_cmpeq_epi8(x, _mm_set1_epi8('"')), _mm_cmpeq_epi8(x, _mm_set1_epi8('\'')));
      // Control bytes but "\t\n\v\f\r", and those of 128 and above.
      const __m128i control = _mm_andnot_si128(high, _mm_cmplt_epi8(x, _mm_set1_epi8(' ')));
      const __m128i t = _mm_sub_epi8(x, _mm_set1_epi8('\t'));
      const __m128i space = _mm_cmpeq_epi8(_mm_min_epu8(t, _mm_set1_epi8('\r' - '\t')), t);
      odd_bytes_ = _mm_or_si128(odd_bytes_, _mm_or_si128(_mm_or_si128(high, quote), _mm_andnot_si128(space, control)));
      const auto bits = [](__m128i m) { return static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(m))); };
      names |= bits(_mm_or_si128(_mm_or_si128(high, letter), _mm_or_si128(digit, under))) << (16 * k);
      blanks |= bits(_mm_andnot_si128(mark, low)) << (16 * k);
      specials |= bits(_mm_or_si128(mark, quote)) << (16 * k);
    }
    const char* next = p + 64;
    // Each name's first byte and every punctuator; the block begins where
    // no name goes on from before it.
    std::uint64_t starts = (names & ~(names << 1)) | ~(names | blanks | specials);
    if (specials) {
      const int first = __builtin_ctzll(specials);
      starts &= (std::uint64_t{1} << first) - 1;
      next = p + first;
    }
    while (starts) {
      const int i = __builtin_ctzll(starts);
      starts &= starts - 1;
      const char* q = p + i;
      if (names >> i & 1) {
        const std::uint64_t rest = ~names >> i;
        const char* end = q + (rest ? __builtin_ctzll(rest) : 64 - i);
        if (!rest) {
          // The block's last name goes on past it.
          end = name_end(end - 1);
          next = end;
        }
        name(q, end);
      } else if (*q == '-') {
        const char* after = minus(q);
        if (after == q + 2) {
          if (i + 1 < 64) starts &= ~(std::uint64_t{1} << (i + 1));
          else next = after;
        }
      } else {
        punct(q);
      }
    }
    return next == p + 0 ? step(p) : next;
  }
#endif

  const char* const b_;
  const char* const e_;
  CTokens& out_;
  CToken* w_ = nullptr;
  TokenIndexes& open_;  // the openers not yet closed
  int count_[3] = {0, 0, 0};  // of them "(", "[", "{"
  int pending_[kBlock + 1];  // the brackets of the block being read
  size_t npending_ = 0;
  // A byte the extraction's reader takes its own way was seen (by the
  // blocks: the bytes of odd_bytes_).
  bool odd_ = false;
#if defined(__SSE2__)
  __m128i odd_bytes_ = _mm_setzero_si128();
#endif
};

}  // namespace

bool Tokenize(std::string_view text, CTokens& out, TokenIndexes& open) {
  return Tokenizer(text, out, open).run();
}

}  // namespace zelta
