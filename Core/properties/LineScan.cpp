#include "Core/properties/LineScan.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace rc::core {

namespace {

constexpr bool kLittleEndian = std::endian::native == std::endian::little;
constexpr std::uint64_t kEach(std::uint8_t b) { return 0x0101010101010101ull * b; }

std::uint64_t load8(const char* p) {
  std::uint64_t v;
  std::memcpy(&v, p, 8);
  return v;
}

// A byte mask with the high bit set in every byte of v that is not an
// ASCII digit (no carries cross bytes: the high bits are split off first).
std::uint64_t nonDigitBytes(std::uint64_t v) {
  const std::uint64_t high = v & kEach(0x80);
  const std::uint64_t low = v & kEach(0x7F);
  const std::uint64_t atLeast0 = low + kEach(0x80 - '0');  // high bit: byte >= '0'
  const std::uint64_t above9 = low + kEach(0x80 - '9' - 1);  // high bit: byte > '9'
  return (high | ~atLeast0 | above9) & kEach(0x80);
}

// The value of eight ASCII digits, the first in the lowest byte.
std::uint64_t eightDigitValue(std::uint64_t v) {
  v -= kEach('0');
  v = v * 10 + (v >> 8);
  v = (((v & 0x000000FF000000FFull) * (100 + (1000000ull << 32))) +
       (((v >> 16) & 0x000000FF000000FFull) * (1 + (10000ull << 32)))) >>
      32;
  return v;
}

constexpr std::uint64_t kPow10Int[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};

// Appends the digits at p (up to `end`) to `mantissa` and answers the
// first byte after them. Digit runs are taken eight bytes at a time; a
// word may be read past `end`, but only its bytes before `end` count.
[[gnu::always_inline]] inline const char* readDigits(const char* p, const char* end, std::uint64_t& mantissa) {
  if constexpr (kLittleEndian) {
    while (p < end) {
      std::uint64_t v = load8(p);
      std::uint64_t other = nonDigitBytes(v);
      unsigned k = other == 0 ? 8 : static_cast<unsigned>(std::countr_zero(other)) >> 3;
      if (static_cast<std::size_t>(end - p) < k) k = static_cast<unsigned>(end - p);
      if (k == 0) return p;
      // Keep the k digits in the high bytes, with '0's in front of them.
      if (k < 8) v = (v << (8 * (8 - k))) | (kEach('0') >> (8 * k));
      mantissa = mantissa * kPow10Int[k] + eightDigitValue(v);
      p += k;
      if (k < 8) return p;
    }
    return p;
  } else {
    for (; p != end && static_cast<unsigned char>(*p - '0') < 10; ++p) mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
    return p;
  }
}

// The value of the first k (0 to 8) digits at p.
[[gnu::always_inline]] inline std::uint64_t leadingDigitsValue(const char* p, unsigned k) {
  if (k == 0) return 0;
  std::uint64_t v = load8(p);
  if (k < 8) v = (v << (8 * (8 - k))) | (kEach('0') >> (8 * k));
  return eightDigitValue(v);
}

// Where the parts of a short decimal lie: `whole` digits, then, when
// `fraction` is not 0 or a point follows them, a point and `fraction`
// digits; `stop` is the length.
struct ShortShape {
  unsigned whole = 0, fraction = 0, stop = 0;
};

// The common shape of a data-file number, digits[.digits] with at most
// eight digits on either side and no exponent, found with one 16-byte
// load: false when the text at p (up to `end`) has another shape.
[[gnu::always_inline]] inline bool readShortShape(const char* p, const char* end, ShortShape& shape) {
#ifdef __SSE2__
  const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const __m128i digit = _mm_and_si128(_mm_cmpgt_epi8(v, _mm_set1_epi8('0' - 1)), _mm_cmplt_epi8(v, _mm_set1_epi8('9' + 1)));
  const unsigned digits = static_cast<unsigned>(_mm_movemask_epi8(digit));
  const unsigned dots = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8('.'))));
  const unsigned whole = static_cast<unsigned>(std::countr_one(digits));
  unsigned fraction = 0, stop = whole;
  if (whole < 16 && ((dots >> whole) & 1) != 0) {
    fraction = static_cast<unsigned>(std::countr_one(digits >> (whole + 1)));
    stop = whole + 1 + fraction;
  }
  // A stop at 16 may have more digits after it.
  if (whole > 8 || fraction > 8 || stop >= 16 || whole + fraction == 0) return false;
  if (static_cast<std::size_t>(end - p) < stop) return false;
  if (static_cast<std::size_t>(end - p) > stop && (p[stop] == 'e' || p[stop] == 'E')) return false;
  shape = {whole, fraction, stop};
  return true;
#else
  (void)p, (void)end, (void)shape;
  return false;
#endif
}

// A short decimal's mantissa and count of fraction digits, read from the
// 16 bytes at p: answers where it stopped, or nullptr when the number has
// another shape.
[[gnu::always_inline]] inline const char* readShortDecimal(const char* p, const char* end, std::uint64_t& mantissa,
                                                            unsigned& fraction) {
  if constexpr (!kLittleEndian) return nullptr;
  ShortShape shape;
  if (!readShortShape(p, end, shape)) return nullptr;
  fraction = shape.fraction;
  mantissa = leadingDigitsValue(p, shape.whole) * kPow10Int[shape.fraction] +
             leadingDigitsValue(p + shape.whole + 1, shape.fraction);
  return p + shape.stop;
}

}  // namespace

std::size_t commonPrefix(const char* a, const char* b, std::size_t n) {
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    std::uint64_t x = load8(a + i) ^ load8(b + i);
    if (x != 0) {
      if constexpr (kLittleEndian) return i + (static_cast<std::size_t>(std::countr_zero(x)) >> 3);
      break;
    }
  }
  while (i < n && a[i] == b[i]) ++i;
  return i;
}

namespace {

// A short decimal after an optional sign: answers where it stopped, with
// the mantissa (at most 2^53, so the value is one correctly rounded
// division away), the count of fraction digits and the sign; nullptr for
// any other shape.
[[gnu::always_inline]] inline const char* readSignedShortDecimal(const char* p, const char* end, std::uint64_t& mantissa,
                                                                  unsigned& fraction, bool& negative) {
  negative = false;
  if (p != end && (*p == '-' || *p == '+')) negative = *p++ == '-';
  const char* stop = readShortDecimal(p, end, mantissa, fraction);
  return stop != nullptr && mantissa <= (std::uint64_t{1} << 53) ? stop : nullptr;
}

constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                             1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

}  // namespace

bool readShortDecimalPair(const char* a, const char* aEnd, const char* b, const char* bEnd, ShortDecimal& x,
                          ShortDecimal& y) {
  const char* stopA = readSignedShortDecimal(a, aEnd, x.mantissa, x.fraction, x.negative);
  const char* stopB = readSignedShortDecimal(b, bEnd, y.mantissa, y.fraction, y.negative);
  if (stopA == nullptr || stopB == nullptr) return false;
  if ((stopA != aEnd && *stopA != ' ') || (stopB != bEnd && *stopB != ' ')) return false;
  x.length = static_cast<std::size_t>(stopA - a);
  y.length = static_cast<std::size_t>(stopB - b);
  return true;
}

std::uint64_t sharedLeadingValue(const char* a, const char* aEnd, const char* b, const char* bEnd, std::size_t shared,
                                 std::size_t& lengthA, std::size_t& lengthB) {
  // A sign both share, then the digits.
  const std::size_t sign = shared > 0 && (*a == '-' || *a == '+') ? 1 : 0;
  if (shared <= sign || a[sign] == '0') return 0;
  ShortShape x, y;
  if (!readShortShape(a + sign, aEnd, x) || !readShortShape(b + sign, bEnd, y)) return 0;
  if (x.whole == 0 || x.whole != y.whole) return 0;
  const char* stopA = a + sign + x.stop;
  const char* stopB = b + sign + y.stop;
  if ((stopA != aEnd && *stopA != ' ') || (stopB != bEnd && *stopB != ' ')) return 0;
  lengthA = sign + x.stop;
  lengthB = sign + y.stop;
  // The shared bytes within both items, and the digits among them (whole
  // digits are at most eight).
  const unsigned common = static_cast<unsigned>(std::min({shared - sign, std::size_t{x.stop}, std::size_t{y.stop}}));
  const char* digits = a + sign;
  if (common <= x.whole) return leadingDigitsValue(digits, common);
  const unsigned fraction = std::min(common - x.whole - 1, 8 - x.whole);
  return leadingDigitsValue(digits, x.whole) * kPow10Int[fraction] + leadingDigitsValue(digits + x.whole + 1, fraction);
}

const char* readPlainDecimal(const char* p, const char* end, double& out) {
  std::uint64_t shortMantissa = 0;
  unsigned shortFraction = 0;
  bool negative = false;
  if (const char* stop = readSignedShortDecimal(p, end, shortMantissa, shortFraction, negative)) {
    out = ShortDecimal{shortMantissa, shortFraction, negative}.value();
    return stop;
  }
  if (p != end && (*p == '-' || *p == '+')) ++p;
  // More than 19 digits (leading zeros included) may not fit the 64-bit
  // mantissa; the count rejects them, whatever the wrapped mantissa holds.
  std::uint64_t mantissa = 0;
  const char* first = p;
  p = readDigits(p, end, mantissa);
  std::ptrdiff_t digits = p - first;
  int scale = 0;
  if (p != end && *p == '.') {
    const char* fraction = ++p;
    p = readDigits(p, end, mantissa);
    scale = -static_cast<int>(p - fraction);
    digits += p - fraction;
  }
  if (digits == 0 || digits > 19) return nullptr;
  if (p != end && (*p == 'e' || *p == 'E')) {
    ++p;
    bool negativeExponent = false;
    if (p != end && (*p == '-' || *p == '+')) negativeExponent = *p++ == '-';
    if (p == end) return nullptr;
    if (static_cast<unsigned char>(*p - '0') >= 10) return nullptr;
    int exponent = 0;
    for (; p != end && *p >= '0' && *p <= '9'; ++p) {
      if (exponent > 1000) return nullptr;
      exponent = exponent * 10 + (*p - '0');
    }
    scale += negativeExponent ? -exponent : exponent;
  }
  if (mantissa > (std::uint64_t{1} << 53) || scale < -22 || scale > 22) return nullptr;
  double v = static_cast<double>(mantissa);
  v = scale < 0 ? v / kPow10[-scale] : v * kPow10[scale];
  out = negative ? -v : v;
  return p;
}

}  // namespace rc::core
