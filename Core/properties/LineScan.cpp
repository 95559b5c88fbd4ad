#include "Core/properties/LineScan.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <utility>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "platform/automation/Error.h"
#include "platform/automation/NumberText.h"
#include "platform/os/LineEnds.h"

namespace rc::core {

namespace au = rc::automation;

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
[[gnu::always_inline]] inline std::uint64_t eightDigitValue(std::uint64_t v) {
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

// The powers of ten that are exact doubles.
constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                             1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

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
    const double v = static_cast<double>(mantissa) / kPow10[fraction];
    return negative ? -v : v;
  }
};

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

// Reads the items at a and at b (each running to a space or to aEnd / bEnd)
// together when both are short decimals: answers whether they were. False
// leaves the reading to readPlainDecimal and the general reading.
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

// Two items that share their first `shared` bytes, judged by their shape
// alone: when both are short decimals (after a sign they share) with as
// many whole digits, each ending at a space or at its end, the value P of
// the leading digits they share (at most eight of them, the point passed
// over, leading zeros adding nothing) bounds their difference: with the
// digits in the same places, both are P units of the last shared place
// plus less than one such unit, so they differ by less than 1/P of either.
// Answers whether P is at least `least` (never when `least` has more than
// eight digits), with the items' lengths.
bool shareLeadingDigits(const char* a, const char* aEnd, const char* b, const char* bEnd, std::size_t shared,
                        std::uint64_t least, std::size_t& lengthA, std::size_t& lengthB) {
  // A sign both share, then the digits.
  const std::size_t sign = shared > 0 && (*a == '-' || *a == '+') ? 1 : 0;
  if (shared <= sign) return false;
  ShortShape x, y;
  if (!readShortShape(a + sign, aEnd, x) || !readShortShape(b + sign, bEnd, y)) return false;
  if (x.whole != y.whole) return false;
  const char* stopA = a + sign + x.stop;
  const char* stopB = b + sign + y.stop;
  if ((stopA != aEnd && *stopA != ' ') || (stopB != bEnd && *stopB != ' ')) return false;
  lengthA = sign + x.stop;
  lengthB = sign + y.stop;
  // The shared bytes within both items, and the digits among them (whole
  // digits are at most eight).
  const unsigned common = static_cast<unsigned>(std::min({shared - sign, std::size_t{x.stop}, std::size_t{y.stop}}));
  const unsigned whole = std::min(common, x.whole);
  const unsigned fraction = common > x.whole ? std::min(common - x.whole - 1, 8 - x.whole) : 0;
  // Enough digits after a first one that is not 0 settle it unread: P is
  // at least 10^(digits - 1).
  const char* first = a + sign;
  if (const unsigned digits = whole + fraction; whole > 0 && *first != '0' && kPow10Int[digits - 1] >= least) return true;
  return leadingDigitsValue(first, whole) * kPow10Int[fraction] + leadingDigitsValue(first + x.whole + 1, fraction) >= least;
}

}  // namespace

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

void LazyTolerance::parse() {
  tolerance_ = parseTolerance(value_);
  parsed_ = true;
  // Numbers whose shared leading digits read as P differ by less than
  // 100/P percent, and the rounding of their readings and of
  // numbersAgree's division and products adds less than 2^-43 percent
  // to that and a factor below 1 + 2^-40.
  const double p = tolerance_.percent;
  if (!(p > 100.0 / kNoPrefix)) return;
  std::uint64_t least = std::max<std::uint64_t>(1, static_cast<std::uint64_t>(100 / p));
  while (least < kNoPrefix && !((100.0 / static_cast<double>(least) + 0x1p-43) * (1 + 0x1p-40) < p)) ++least;
  agreeingPrefix_ = least;
}

namespace {

// The end of the item that starts at `from` in `line`: the next space,
// or the line's end.
std::size_t itemEnd(std::string_view line, std::size_t from) {
  std::size_t i = from;
  while (i < line.size() && line[i] != ' ') ++i;
  return i;
}

// Reads the number of the item at `from` in `line` and answers the item's
// end. Plain decimals are read in place, anything else by the general
// reading.
std::size_t readItem(std::string_view line, std::size_t from, double& value) {
  const char* end = line.data() + line.size();
  const char* stop = readPlainDecimal(line.data() + from, end, value);
  if (stop != nullptr && (stop == end || *stop == ' ')) return static_cast<std::size_t>(stop - line.data());
  std::size_t to = itemEnd(line, from);
  value = au::leadingNumber(line.substr(from, to - from));
  return to;
}

// Whether the short decimals x (the baseline's) and y agree under `t` by a
// bound that needs neither of their values: true only where numbersAgree
// would answer true for the values they read as; false when unsure.
//
// With the same count of fraction digits, x and y read as mantissas over
// one power of ten, each within half a unit in the last place (u = 2^-53).
// The rule agrees where |x - y| * 100 < p * |y| (1 - 4u), for the
// division and products of numbersAgree round three times; and |x - y| *
// 100 is below (|mx - my| + u (|mx| + |my|)) * 100 over that power, |y|
// above |my| (1 - u) over it. The test below rounds a few times more, all
// well within its margins of 2^-50 and 2^-40. Mantissas stay below 2^54 and
// p within 2^+-400, so nothing leaves the normal doubles.
bool surelyAgree(const ShortDecimal& x, const ShortDecimal& y, const Tolerance& t) {
  if (x.fraction != y.fraction || y.mantissa == 0 || !(t.percent >= 0x1p-400 && t.percent <= 0x1p400)) return false;
  const double mx = static_cast<double>(x.mantissa), my = static_cast<double>(y.mantissa);
  const double gap = x.negative == y.negative ? std::fabs(mx - my) : mx + my;
  return (gap + (mx + my) * 0x1p-50) * 100 < my * t.percent * (1 - 0x1p-40);
}

}  // namespace

bool linesAgree(std::string_view baseline, std::string_view fresh, LazyTolerance& tolerance, std::size_t knownSame) {
  if (baseline.empty()) return true;
  // b and n stand at the starts of partner items, everything before them
  // having agreed.
  std::size_t b = 0, n = 0;
  for (;;) {
    const std::size_t same = knownSame != std::string_view::npos
                                 ? std::exchange(knownSame, std::string_view::npos)
                                 : commonPrefix(baseline.data() + b, fresh.data() + n,
                                                std::min(baseline.size() - b, fresh.size() - n));
    if (b + same == baseline.size() && n + same == fresh.size()) return true;
    // Where one line ends inside the equal stretch, the item there may be
    // equal in both.
    const bool oneEnded = b + same == baseline.size() || n + same == fresh.size();
    // Items before the last space in the equal stretch agree unread.
    std::size_t back = same;
    while (back > 0 && baseline[b + back - 1] != ' ') --back;
    const std::size_t sharedBytes = same - back;  // of the items at b and n
    b += back;
    n += back;
    if (n == 0 && fresh.empty()) au::raise(au::err::SubscriptOutOfRange);
    // Equal items agree unread, whatever they hold.
    std::size_t bEnd = 0, nEnd = 0;
    bool equalItems = false;
    if (oneEnded) {
      bEnd = itemEnd(baseline, b);
      nEnd = itemEnd(fresh, n);
      equalItems = baseline.substr(b, bEnd - b) == fresh.substr(n, nEnd - n);
    }
    if (!equalItems) {
      ShortDecimal x, y;
      const char* baseEnd = baseline.data() + baseline.size();
      const char* newEnd = fresh.data() + fresh.size();
      // Numbers that share enough leading digits agree unread.
      if (shareLeadingDigits(baseline.data() + b, baseEnd, fresh.data() + n, newEnd, sharedBytes,
                             tolerance.agreeingPrefix(), x.length, y.length)) {
        bEnd = b + x.length;
        nEnd = n + y.length;
      } else if (readShortDecimalPair(baseline.data() + b, baseEnd, fresh.data() + n, newEnd, x, y)) {
        bEnd = b + x.length;
        nEnd = n + y.length;
        const Tolerance& t = tolerance.get();
        if (!surelyAgree(x, y, t) && !numbersAgreeFast(x.value(), y.value(), t)) return false;
      } else {
        double baseValue = 0, newValue = 0;
        bEnd = readItem(baseline, b, baseValue);
        nEnd = readItem(fresh, n, newValue);
        if (!numbersAgreeFast(baseValue, newValue, tolerance.get())) return false;
      }
    }
    if (bEnd == baseline.size()) return true;
    if (nEnd == fresh.size()) au::raise(au::err::SubscriptOutOfRange);
    b = bEnd + 1;
    n = nEnd + 1;
  }
}

namespace {

// The number of leading bytes among the `n` at a and at b that are equal in
// both and are neither CR nor LF. `lineEnd` tells whether the byte after
// them (when within n) is the same CR or LF in both, that is whether two
// equal lines end there. Sixteen bytes of each are looked at together.
std::size_t sharedLineStretch(const char* a, const char* b, std::size_t n, bool& lineEnd) {
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

// The position after the line end at `end` in `held`, or npos when the
// held bytes do not settle it (no line end held, or a CR that may be the
// first half of a CR LF).
std::size_t afterLineEnd(std::string_view held, std::size_t end) {
  if (end + 1 >= held.size()) return std::string_view::npos;
  return end + ((held[end] == '\r' && held[end + 1] == '\n') ? 2 : 1);
}

}  // namespace

HeldLines compareHeldLines(std::string_view base, std::string_view fresh, LazyTolerance& tolerance) {
  HeldLines out;
  for (;;) {
    const std::string_view a = base.substr(out.baseBytes), b = fresh.substr(out.newBytes);
    const std::size_t n = std::min(a.size(), b.size());
    bool equalLines = false;
    const std::size_t same = sharedLineStretch(a.data(), b.data(), n, equalLines);
    if (same == n) return out;
    const std::size_t endA = equalLines ? same : same + platform::firstLineEnd(a.data() + same, a.size() - same);
    const std::size_t endB = equalLines ? same : same + platform::firstLineEnd(b.data() + same, b.size() - same);
    const std::size_t nextA = afterLineEnd(a, endA), nextB = afterLineEnd(b, endB);
    if (nextA == std::string_view::npos || nextB == std::string_view::npos) return out;
    if (!equalLines && !linesAgree(a.substr(0, endA), b.substr(0, endB), tolerance, same)) {
      out.changed = true;
      out.baseLine = a.substr(0, endA);
      out.newLine = b.substr(0, endB);
      return out;
    }
    ++out.agreed;
    out.baseBytes += nextA;
    out.newBytes += nextB;
  }
}

}  // namespace rc::core
