// Word-at-a-time scanning of data-file lines: the common prefix of two
// lines and the plain decimal numbers in them.
//
// The routines here may read up to 32 bytes past the end of the text they are
// given (never using them); callers pass lines whose memory extends that
// far, as LineReader's lines do.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace rc::core {

// The number of leading bytes among the `n` at a and at b that are equal in
// both and are neither CR nor LF. `lineEnd` tells whether the byte after
// them (when within n) is the same CR or LF in both, that is whether two
// equal lines end there. Sixteen bytes of each are looked at together.
inline std::size_t sharedLineStretch(const char* a, const char* b, std::size_t n, bool& lineEnd) {
  lineEnd = false;
#ifdef __SSE2__
  const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n');
  for (std::size_t i = 0; i < n; i += 16) {
    const __m128i va = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
    const __m128i vb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
    const unsigned differ = ~static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(va, vb))) & 0xFFFFu;
    const unsigned ends = static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(va, cr), _mm_cmpeq_epi8(va, lf))));
    if (const unsigned stop = differ | ends; stop != 0) {
      const unsigned at = static_cast<unsigned>(std::countr_zero(stop));
      if (i + at >= n) return n;
      lineEnd = ((differ >> at) & 1) == 0;
      return i + at;
    }
  }
  return n;
#else
  std::size_t i = 0;
  while (i < n && a[i] == b[i] && a[i] != '\r' && a[i] != '\n') ++i;
  lineEnd = i < n && a[i] == b[i];
  return i;
#endif
}

// The length of the longest common prefix of the `n` bytes at a and at b.
std::size_t commonPrefix(const char* a, const char* b, std::size_t n);

// Reads a plain decimal ([sign] digits [. digits] [e [sign] digits]) at p,
// stopping at the first byte that cannot continue it or at `end`. Answers
// where it stopped, with the value in `out`, when the number is read
// exactly as the general leading-number reading would read it (at most 19
// digits that fit a double exactly, a power of ten within 22); nullptr
// otherwise, for the general reading to take over.
const char* readPlainDecimal(const char* p, const char* end, double& out);

// A short plain decimal: [sign] digits[.digits], at most eight digits on
// either side, read as +-mantissa / 10^fraction.
struct ShortDecimal {
  std::uint64_t mantissa = 0;  // at most 2^53
  unsigned fraction = 0;       // the count of digits after the point
  bool negative = false;
  std::size_t length = 0;  // of its text, sign included

  // The value exactly as the general reading reads the text: the mantissa
  // and the power of ten are exact doubles, so one division rounds it
  // correctly.
  double value() const {
    constexpr double kPow10[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8};
    const double v = static_cast<double>(mantissa) / kPow10[fraction];
    return negative ? -v : v;
  }
};

// Reads the items at a and at b (each running to a space or to aEnd / bEnd)
// together when both are short decimals: answers whether they were. False
// leaves the reading to readPlainDecimal and the general reading.
bool readShortDecimalPair(const char* a, const char* aEnd, const char* b, const char* bEnd, ShortDecimal& x,
                          ShortDecimal& y);

// Two items that share their first `shared` bytes, judged by their shape
// alone: when both are short decimals with as many whole digits, the first
// of them not 0 (after a sign they share), each ending at a space or at its
// end, answers the value P of the leading digits they share (at most eight
// of them; the point passed over), with the items' lengths; 0 otherwise.
// The two numbers then differ by less than 1/P of either.
std::uint64_t sharedLeadingValue(const char* a, const char* aEnd, const char* b, const char* bEnd, std::size_t shared,
                                 std::size_t& lengthA, std::size_t& lengthB);

}  // namespace rc::core
