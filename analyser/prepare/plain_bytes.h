// The bytes the conversion's token loop may take as one run: bytes that
// make tokens of the plain kind only, appended as they are and remembered.
// The others (literals, comments, directives, line ends, braces, the spaces
// that make no token, NUL, and at file level what settles a header) go
// through the token loop. Runs are most of a source, so they are measured
// sixteen bytes at a time where the processor allows.
#pragma once
#include <cstddef>

#if defined(__SSE2__)
#include <emmintrin.h>
#include <tmmintrin.h>
#endif

namespace zelta {

struct PlainBytes {
  bool b[256] = {};
  bool file_level = false;
  constexpr PlainBytes(const char* special, bool file) : file_level(file) {
    for (int i = 1; i < 256; ++i) b[i] = true;
    for (const char* p = special; *p; ++p) b[static_cast<unsigned char>(*p)] = false;
  }
};
// Inside a function body, and at file level.
inline constexpr PlainBytes kBodyPlain("\"#/*\n{}'\r\v\f", false);
inline constexpr PlainBytes kFilePlain("\"#/*\n{}'\r\v\f()[];=", true);

#if defined(__SSE2__)
namespace plain_detail {

inline __m128i eq(__m128i x, char c) { return _mm_cmpeq_epi8(x, _mm_set1_epi8(c)); }
// Bytes in [lo, lo + span], as unsigned values.
inline __m128i within(__m128i x, char lo, char span) {
  const __m128i t = _mm_sub_epi8(x, _mm_set1_epi8(lo));
  return _mm_cmpeq_epi8(_mm_min_epu8(t, _mm_set1_epi8(span)), t);
}
// The bytes of x that end a run. Both sets hold NUL, "\n\v\f\r"
// (0x0a..0x0d), '"', '#', '\'', '*', '/', '{' and '}'; the file-level one
// adds "()" (which with '\'' and '*' make 0x27..0x2a), "[]", ';' and '='.
template <bool File>
inline __m128i special(__m128i x) {
  __m128i m = _mm_or_si128(eq(x, '\0'), within(x, '\n', 3));
  m = _mm_or_si128(m, _mm_or_si128(eq(x, '"'), eq(x, '#')));
  m = _mm_or_si128(m, eq(x, '/'));
  if constexpr (File) {
    m = _mm_or_si128(m, within(x, '\'', 3));
    m = _mm_or_si128(m, _mm_or_si128(eq(x, ';'), eq(x, '=')));
    // 0x20 off: '{' and '[' alike, '}' and ']' alike.
    const __m128i folded = _mm_and_si128(x, _mm_set1_epi8(static_cast<char>(0xdf)));
    m = _mm_or_si128(m, _mm_or_si128(eq(folded, '['), eq(folded, ']')));
  } else {
    m = _mm_or_si128(m, _mm_or_si128(eq(x, '\''), eq(x, '*')));
    m = _mm_or_si128(m, _mm_or_si128(eq(x, '{'), eq(x, '}')));
  }
  return m;
}

template <bool File>
inline size_t span(const char* p, size_t n, const PlainBytes& plain) {
  size_t k = 0;
  for (; k + 16 <= n; k += 16) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + k));
    if (const int bits = _mm_movemask_epi8(special<File>(x))) return k + static_cast<size_t>(__builtin_ctz(bits));
  }
  while (k < n && plain.b[static_cast<unsigned char>(p[k])]) ++k;
  return k;
}

// With SSSE3 a byte's class is two table look-ups, one by each half of the
// byte: the special bytes of either set fall into three groups of low
// halves (those of 0x0_, of 0x2_, and "{}", ";=", "[]" alike), one bit each;
// a byte is special when the bits of its high half and its low half meet.
struct NibbleTables {
  alignas(16) unsigned char hi[16] = {}, lo[16] = {};
  constexpr explicit NibbleTables(bool file) {
    constexpr unsigned char kControls = 1, kPunct = 2, kBraces = 4;
    hi[0x0] = kControls;
    hi[0x2] = kPunct;
    hi[0x7] = kBraces;
    if (file) hi[0x3] = hi[0x5] = kBraces;
    for (int l : {0x0, 0xa, 0xb, 0xc, 0xd}) lo[l] |= kControls;
    for (int l : {0x2, 0x3, 0x7, 0xa, 0xf}) lo[l] |= kPunct;
    if (file)
      for (int l : {0x8, 0x9}) lo[l] |= kPunct;
    for (int l : {0xb, 0xd}) lo[l] |= kBraces;
  }
};
inline constexpr NibbleTables kBodyNibbles(false), kFileNibbles(true);

__attribute__((target("ssse3"))) inline size_t span_ssse3(const char* p, size_t n, const PlainBytes& plain) {
  const NibbleTables& t = plain.file_level ? kFileNibbles : kBodyNibbles;
  const __m128i hi = _mm_load_si128(reinterpret_cast<const __m128i*>(t.hi));
  const __m128i lo = _mm_load_si128(reinterpret_cast<const __m128i*>(t.lo));
  const __m128i low4 = _mm_set1_epi8(0x0f);
  size_t k = 0;
  for (; k + 16 <= n; k += 16) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + k));
    const __m128i h = _mm_shuffle_epi8(hi, _mm_and_si128(_mm_srli_epi16(x, 4), low4));
    const __m128i l = _mm_shuffle_epi8(lo, _mm_and_si128(x, low4));
    const __m128i plain_bytes = _mm_cmpeq_epi8(_mm_and_si128(h, l), _mm_setzero_si128());
    if (const int bits = _mm_movemask_epi8(plain_bytes) ^ 0xffff) return k + static_cast<size_t>(__builtin_ctz(bits));
  }
  while (k < n && plain.b[static_cast<unsigned char>(p[k])]) ++k;
  return k;
}

inline size_t span_sse2(const char* p, size_t n, const PlainBytes& plain) {
  return plain.file_level ? span<true>(p, n, plain) : span<false>(p, n, plain);
}

// Asked once, before main (hence the explicit initialisation).
inline const bool kHasSsse3 = [] {
  __builtin_cpu_init();
  return __builtin_cpu_supports("ssse3") != 0;
}();

}  // namespace plain_detail
#endif

// The number of plain bytes at the start of p[0..n).
inline size_t plain_span(const char* p, size_t n, const PlainBytes& plain) {
#if defined(__SSE2__)
  return plain_detail::kHasSsse3 ? plain_detail::span_ssse3(p, n, plain) : plain_detail::span_sse2(p, n, plain);
#else
  size_t k = 0;
  while (k < n && plain.b[static_cast<unsigned char>(p[k])]) ++k;
  return k;
#endif
}

}  // namespace zelta
