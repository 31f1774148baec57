// The bytes the conversion's token loop may take as one run: bytes that
// make tokens of the plain kind only, appended as they are and remembered.
// The others (literals, comments, directives, line ends, braces, the spaces
// that make no token, NUL, and at file level what settles a header) go
// through the token loop. Runs are most of a source, so they are measured
// sixteen bytes at a time where the processor allows.
#pragma once
#include <cstddef>

#include "prepare/nibble_set.h"

namespace zelta {

struct PlainBytes {
  bool b[256] = {};
  bool file_level = false;
  constexpr PlainBytes(const char* special, bool file) : file_level(file) {
    for (int i = 1; i < 256; ++i) b[i] = true;
    for (const char* p = special; *p; ++p) b[static_cast<unsigned char>(*p)] = false;
  }
};
// The bytes besides NUL that end a run inside a function body, and at file level.
inline constexpr char kBodyEnds[] = "\"#/*\n{}'\r\v\f";
inline constexpr char kFileEnds[] = "\"#/*\n{}'\r\v\f()[];=";
inline constexpr PlainBytes kBodyPlain(kBodyEnds, false);
inline constexpr PlainBytes kFilePlain(kFileEnds, true);
// The same for the wide steps.
inline constexpr NibbleSet kBodySpecial(kBodyEnds, true);
inline constexpr NibbleSet kFileSpecial(kFileEnds, true);

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

ZELTA_NIBBLE_TARGET inline size_t span_ssse3(const char* p, size_t n, const PlainBytes& plain) {
  const NibbleSet& set = plain.file_level ? kFileSpecial : kBodySpecial;
  size_t k = 0;
  for (; k + 16 <= n; k += 16)
    if (const unsigned bits = members16(set, p + k)) return k + static_cast<size_t>(__builtin_ctz(bits));
  while (k < n && plain.b[static_cast<unsigned char>(p[k])]) ++k;
  return k;
}

inline size_t span_sse2(const char* p, size_t n, const PlainBytes& plain) {
  return plain.file_level ? span<true>(p, n, plain) : span<false>(p, n, plain);
}

}  // namespace plain_detail
#endif

// The number of plain bytes at the start of p[0..n).
inline size_t plain_span(const char* p, size_t n, const PlainBytes& plain) {
#if defined(__SSE2__)
  return nibble_sets_usable() ? plain_detail::span_ssse3(p, n, plain) : plain_detail::span_sse2(p, n, plain);
#else
  size_t k = 0;
  while (k < n && plain.b[static_cast<unsigned char>(p[k])]) ++k;
  return k;
#endif
}

}  // namespace zelta
