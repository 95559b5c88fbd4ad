// Finding line ends (CR or LF) in a run of bytes.
#pragma once

#include <cstddef>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace rc::platform {

// The index of the first CR or LF among the `n` bytes at `p`, or n. Sixteen
// bytes are looked at together where the processor allows.
inline std::size_t firstLineEnd(const char* p, std::size_t n) {
  std::size_t i = 0;
#ifdef __SSE2__
  const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n');
  for (; i + 16 <= n; i += 16) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    int hits = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf)));
    if (hits != 0) return i + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(hits)));
  }
#endif
  for (; i < n; ++i) {
    if (p[i] == '\r' || p[i] == '\n') return i;
  }
  return n;
}

}  // namespace rc::platform
