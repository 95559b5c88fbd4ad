// Runs of 32-bit pixels: filling, measuring a run of one colour, and
// copying with the fourth byte cleared.
// Sixteen bytes are written together where the processor allows; the
// surfaces and DIBs of the display go through these for every full pass.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace rc::display {

// Sets the `n` pixels at `p` to `colour`.
inline void fillPixels(std::uint32_t* p, std::size_t n, std::uint32_t colour) {
  std::size_t i = 0;
#ifdef __SSE2__
  const __m128i v = _mm_set1_epi32(static_cast<int>(colour));
  for (; i + 4 <= n; i += 4) _mm_storeu_si128(reinterpret_cast<__m128i*>(p + i), v);
#endif
  for (; i < n; ++i) p[i] = colour;
}

// How many of the `n` pixels at `p` have the colour `colour` (bits 0-23;
// the fourth byte is ignored) before the first that has not.
inline std::size_t sameColourRun(const std::uint32_t* p, std::size_t n, std::uint32_t colour) {
  colour &= 0x00FFFFFF;
  std::size_t i = 0;
#ifdef __SSE2__
  const __m128i mask = _mm_set1_epi32(0x00FFFFFF), want = _mm_set1_epi32(static_cast<int>(colour));
  for (; i + 4 <= n; i += 4) {
    const __m128i v = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i)), mask);
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(v, want)) != 0xFFFF) break;
  }
#endif
  while (i < n && (p[i] & 0x00FFFFFF) == colour) ++i;
  return i;
}

// Copies the `n` pixels at `from` to the bytes at `to` (which need not be
// aligned), each with its fourth byte (bits 24-31) cleared. The two runs
// must not overlap.
inline void copyColours(void* to, const void* from, std::size_t n) {
  auto* out = static_cast<std::uint8_t*>(to);
  const auto* in = static_cast<const std::uint8_t*>(from);
  std::size_t i = 0;
#ifdef __SSE2__
  const __m128i mask = _mm_set1_epi32(0x00FFFFFF);
  for (; i + 4 <= n; i += 4) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i * 4));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i * 4), _mm_and_si128(v, mask));
  }
#endif
  for (; i < n; ++i) {
    std::uint32_t v;
    std::memcpy(&v, in + i * 4, 4);
    v &= 0x00FFFFFF;
    std::memcpy(out + i * 4, &v, 4);
  }
}

}  // namespace rc::display
