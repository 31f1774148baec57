// A set of byte values tested sixteen bytes at a time with SSSE3: a byte's
// membership is two table look-ups, one by each half of the byte. The high
// halves whose low halves form the same pattern share one bit of the
// tables, so any set whose high halves make at most eight patterns fits.
#pragma once
#include <cstddef>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#include <tmmintrin.h>
#endif

namespace zelta {

struct NibbleSet {
  alignas(16) unsigned char hi[16] = {};
  alignas(16) unsigned char lo[16] = {};
  // `members` (and NUL when `nul`).
  constexpr NibbleSet(const char* members, bool nul) {
    unsigned rows[16] = {};  // the low halves present, per high half
    if (nul) rows[0] |= 1;
    for (const char* p = members; *p; ++p) {
      const unsigned c = static_cast<unsigned char>(*p);
      rows[c >> 4] |= 1u << (c & 15);
    }
    unsigned patterns[8] = {};
    int count = 0;
    for (int h = 0; h < 16; ++h) {
      if (!rows[h]) continue;
      int b = 0;
      while (b < count && patterns[b] != rows[h]) ++b;
      if (b == count) {
        if (count == 8) throw "more than eight patterns";  // a compile-time error
        patterns[count++] = rows[h];
      }
      hi[h] = static_cast<unsigned char>(1u << b);
      for (int l = 0; l < 16; ++l)
        if (rows[h] >> l & 1) lo[l] = static_cast<unsigned char>(lo[l] | 1u << b);
    }
  }
};

#if defined(__SSE2__)
namespace nibble_detail {
// Asked once, before main (hence the explicit initialisation).
inline const bool kHasSsse3 = [] {
  __builtin_cpu_init();
  return __builtin_cpu_supports("ssse3") != 0;
}();
}  // namespace nibble_detail

inline bool nibble_sets_usable() { return nibble_detail::kHasSsse3; }

// For the functions that use members16 (which is inlined only into them).
#define ZELTA_NIBBLE_TARGET __attribute__((target("ssse3")))

// Bit j: p[j] is in the set (j < 16). Only where nibble_sets_usable().
ZELTA_NIBBLE_TARGET inline unsigned members16(const NibbleSet& set, const char* p) {
  const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const __m128i low4 = _mm_set1_epi8(0x0f);
  const __m128i h = _mm_shuffle_epi8(_mm_load_si128(reinterpret_cast<const __m128i*>(set.hi)),
                                     _mm_and_si128(_mm_srli_epi16(x, 4), low4));
  const __m128i l = _mm_shuffle_epi8(_mm_load_si128(reinterpret_cast<const __m128i*>(set.lo)), _mm_and_si128(x, low4));
  const __m128i none = _mm_cmpeq_epi8(_mm_and_si128(h, l), _mm_setzero_si128());
  return static_cast<unsigned>(_mm_movemask_epi8(none)) ^ 0xffffu;
}
#else
#define ZELTA_NIBBLE_TARGET
inline bool nibble_sets_usable() { return false; }
inline unsigned members16(const NibbleSet&, const char*) { return 0; }
#endif

}  // namespace zelta
