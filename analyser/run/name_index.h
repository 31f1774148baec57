// Finds names by their bytes: the ids of names whose texts are kept
// elsewhere, in storage that does not move (a deque of strings). One hash
// of the bytes, then mostly one slot to look at; a run over a big code base
// looks names up millions of times.
#pragma once
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

namespace zelta {

class NameIndex {
 public:
  static std::uint64_t hash(std::string_view s) {
    std::uint64_t h = 0x9E3779B97F4A7C15ull ^ s.size();
    const char* p = s.data();
    size_t n = s.size();
    for (; n >= 8; p += 8, n -= 8) {
      std::uint64_t w;
      std::memcpy(&w, p, 8);
      h = (h ^ w) * 0xFF51AFD7ED558CCDull;
      h ^= h >> 32;
    }
    if (n > 0) {
      // The last up to seven bytes without a call to memcpy: two
      // overlapping four-byte loads, or three single bytes.
      std::uint64_t w;
      if (n >= 4) {
        std::uint32_t a, b;
        std::memcpy(&a, p, 4);
        std::memcpy(&b, p + n - 4, 4);
        w = (std::uint64_t{a} << 32) | b;
      } else {
        w = (std::uint64_t{static_cast<unsigned char>(p[0])} << 16) |
            (std::uint64_t{static_cast<unsigned char>(p[n / 2])} << 8) | static_cast<unsigned char>(p[n - 1]);
      }
      h = (h ^ w) * 0xC4CEB9FE1A85EC53ull;
    }
    h ^= h >> 29;
    h *= 0x94D049BB133111EBull;
    return h ^ (h >> 32);
  }

  // The id stored for `s`, or -1. `h` is hash(s).
  int find(std::string_view s, std::uint64_t h) const {
    if (slots_.empty()) return -1;
    const std::uint32_t tag = static_cast<std::uint32_t>(h >> 32);
    for (size_t i = h & mask_;; i = (i + 1) & mask_) {
      const Slot& e = slots_[i];
      if (e.id < 0) return -1;
      if (e.tag == tag && e.len == s.size() && same_bytes(e.text, s.data(), s.size())) return e.id;
    }
  }
  int find(std::string_view s) const { return find(s, hash(s)); }

  // Stores `id` for `s`, which is not stored yet; `s` must stay where it is.
  void add(std::string_view s, std::uint64_t h, int id) {
    if (2 * (count_ + 1) > slots_.size()) grow();
    place(Slot{s.data(), static_cast<std::uint32_t>(s.size()), static_cast<std::uint32_t>(h >> 32), id,
               static_cast<std::uint32_t>(h)},
          h);
    ++count_;
  }
  void add(std::string_view s, int id) { add(s, hash(s), id); }
  size_t size() const { return count_; }

  // Names are mostly short: compared in place rather than through a call.
  static bool same_bytes(const char* a, const char* b, size_t n) {
    if (n >= 8 && n <= 16) {
      std::uint64_t a0, a1, b0, b1;
      std::memcpy(&a0, a, 8);
      std::memcpy(&b0, b, 8);
      std::memcpy(&a1, a + n - 8, 8);
      std::memcpy(&b1, b + n - 8, 8);
      return ((a0 ^ b0) | (a1 ^ b1)) == 0;
    }
    if (n < 8) {
      for (size_t i = 0; i < n; ++i)
        if (a[i] != b[i]) return false;
      return true;
    }
    return std::memcmp(a, b, n) == 0;
  }

 private:
  struct Slot {
    const char* text = nullptr;
    std::uint32_t len = 0;
    std::uint32_t tag = 0;
    int id = -1;
    std::uint32_t low = 0;  // the hash's low half: a doubling places the slot without hashing its text again
  };
  void place(const Slot& e, std::uint64_t h) {
    size_t i = h & mask_;
    while (slots_[i].id >= 0) i = (i + 1) & mask_;
    slots_[i] = e;
  }
  void grow() {
    std::vector<Slot> old;
    old.swap(slots_);
    slots_.assign(old.empty() ? 64 : old.size() * 2, Slot{});
    mask_ = slots_.size() - 1;
    for (const Slot& e : old)
      if (e.id >= 0) place(e, std::uint64_t{e.tag} << 32 | e.low);
  }

  std::vector<Slot> slots_;
  size_t mask_ = 0;
  size_t count_ = 0;
};

}  // namespace zelta
