#include "platform/automation/NumberText.h"

#include <cctype>
#include <cfenv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/automation/Error.h"
#include "platform/os/Locale.h"

namespace rc::automation {

namespace {

// Replaces the "." of a C-formatted number with `decimal`.
std::string withDecimal(std::string text, const std::string& decimal) {
  if (decimal == ".") return text;
  std::size_t p = text.find('.');
  if (p != std::string::npos) text.replace(p, 1, decimal);
  return text;
}

// CStr digits with "." as decimal sign.
std::string plainText(double v) {
  if (std::isnan(v)) return "NaN";
  if (std::isinf(v)) return v < 0 ? "-Infinity" : "Infinity";
  if (v == 0) return "0";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15G", v);
  std::string s = buf;
  // "1E+16" keeps two exponent digits at least, as %G writes them.
  return s;
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// The decimal digits of |v| rounded half away from zero to `decimals`
// places, from its 15 significant digits: {integer digits, fraction digits}.
std::pair<std::string, std::string> roundedDigits(double v, int decimals) {
  v = std::fabs(v);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.14e", v);  // d.dddddddddddddde±XX
  std::string mant;
  for (char* p = buf; *p != 'e'; ++p)
    if (std::isdigit(static_cast<unsigned char>(*p))) mant += *p;
  int exp = std::atoi(std::strchr(buf, 'e') + 1);
  // Digit string `mant` has its decimal point after position exp + 1.
  int pointPos = exp + 1;
  // Pad so that the point and all wanted decimals lie within the string.
  if (pointPos <= 0) {
    mant.insert(0, static_cast<std::size_t>(1 - pointPos), '0');
    pointPos = 1;
  }
  int keep = pointPos + decimals;
  if (static_cast<int>(mant.size()) < keep + 1) mant.append(static_cast<std::size_t>(keep + 1 - static_cast<int>(mant.size())), '0');
  bool roundUp = mant[static_cast<std::size_t>(keep)] >= '5';
  mant.resize(static_cast<std::size_t>(keep));
  if (roundUp) {
    int i = keep - 1;
    for (; i >= 0; --i) {
      if (mant[static_cast<std::size_t>(i)] == '9') {
        mant[static_cast<std::size_t>(i)] = '0';
      } else {
        ++mant[static_cast<std::size_t>(i)];
        break;
      }
    }
    if (i < 0) {
      mant.insert(0, "1");
      ++pointPos;
    }
  }
  std::string intPart = mant.substr(0, static_cast<std::size_t>(pointPos));
  std::string frac = mant.substr(static_cast<std::size_t>(pointPos));
  std::size_t nz = intPart.find_first_not_of('0');
  intPart = nz == std::string::npos ? "" : intPart.substr(nz);
  return {intPart, frac};
}

}  // namespace

std::string numberText(double value) {
  return withDecimal(plainText(value), platform::numberFormat().decimal);
}

std::string writeForm(double value) { return plainText(value); }

std::string printForm(double value) {
  std::string text = numberText(value);
  if (value < 0) return text + " ";
  return " " + text + " ";
}

std::string formatNumber(double value, std::string_view pattern) {
  if (!std::isfinite(value)) raise(err::Overflow);  // no automation number is infinite
  bool percent = pattern.find('%') != std::string_view::npos;
  if (percent) value *= 100;
  std::size_t first = pattern.find_first_of("0#.");
  std::size_t last = pattern.find_last_of("0#.");
  if (first == std::string_view::npos) return std::string(pattern);
  std::string_view digits = pattern.substr(first, last - first + 1);
  std::size_t dot = digits.find('.');
  std::string_view intPat = digits.substr(0, dot);
  std::string_view fracPat = dot == std::string_view::npos ? std::string_view() : digits.substr(dot + 1);
  int decimals = static_cast<int>(fracPat.size());
  int minInt = 0;
  for (char c : intPat) minInt += c == '0';
  int minFrac = 0;
  for (std::size_t i = 0; i < fracPat.size(); ++i)
    if (fracPat[i] == '0') minFrac = static_cast<int>(i) + 1;

  auto [intPart, frac] = roundedDigits(value, decimals);
  while (static_cast<int>(frac.size()) > minFrac && !frac.empty() && frac.back() == '0') frac.pop_back();
  if (static_cast<int>(intPart.size()) < minInt) intPart.insert(0, static_cast<std::size_t>(minInt) - intPart.size(), '0');
  bool zero = intPart.find_first_not_of('0') == std::string::npos && frac.find_first_not_of('0') == std::string::npos;

  std::string out(pattern.substr(0, first));
  if (value < 0 && !zero) out += '-';
  out += intPart;
  if (dot != std::string_view::npos && (!frac.empty() || fracPat.empty())) {
    out += platform::numberFormat().decimal;
    out += frac;
  }
  out += pattern.substr(last + 1);
  return out;
}

std::optional<double> parseNumber(std::string_view text) { return parseNumber(text, platform::numberFormat()); }

std::optional<double> parseNumber(std::string_view text, const platform::NumberFormat& nf) {
  std::size_t i = 0, n = text.size();
  while (i < n && isBlank(text[i])) ++i;
  while (n > i && isBlank(text[n - 1])) --n;
  text = text.substr(i, n - i);
  if (text.empty()) return std::nullopt;

  std::string c;  // the number rewritten for strtod
  std::size_t p = 0;
  if (text[p] == '+' || text[p] == '-') c += text[p++];
  if (p + 1 < text.size() && text[p] == '&' && (text[p + 1] == 'H' || text[p + 1] == 'h' || text[p + 1] == 'O' || text[p + 1] == 'o')) {
    int base = (text[p + 1] == 'H' || text[p + 1] == 'h') ? 16 : 8;
    std::string digits(text.substr(p + 2));
    if (digits.empty()) return std::nullopt;
    char* end = nullptr;
    unsigned long long v = std::strtoull(digits.c_str(), &end, base);
    if (*end != '\0') return std::nullopt;
    double d = static_cast<double>(v);
    return c == "-" ? -d : d;
  }
  bool anyDigit = false;
  bool seenDecimal = false;
  while (p < text.size()) {
    char ch = text[p];
    if (std::isdigit(static_cast<unsigned char>(ch))) {
      c += ch;
      anyDigit = true;
      ++p;
    } else if (!seenDecimal && text.substr(p, nf.decimal.size()) == nf.decimal) {
      c += '.';
      seenDecimal = true;
      p += nf.decimal.size();
    } else if (!seenDecimal && !nf.thousands.empty() && anyDigit &&
               text.substr(p, nf.thousands.size()) == nf.thousands) {
      p += nf.thousands.size();
    } else {
      break;
    }
  }
  if (!anyDigit) return std::nullopt;
  if (p < text.size() && (text[p] == 'e' || text[p] == 'E' || text[p] == 'd' || text[p] == 'D')) {
    c += 'e';
    ++p;
    if (p < text.size() && (text[p] == '+' || text[p] == '-')) c += text[p++];
    bool expDigit = false;
    while (p < text.size() && std::isdigit(static_cast<unsigned char>(text[p]))) {
      c += text[p++];
      expDigit = true;
    }
    if (!expDigit) return std::nullopt;
  }
  if (p != text.size()) return std::nullopt;
  double v = std::strtod(c.c_str(), nullptr);
  if (std::isinf(v)) raise(err::Overflow);
  return v;
}

double leadingNumber(std::string_view text) {
  std::string c;
  std::size_t p = 0;
  auto skip = [&] { while (p < text.size() && isBlank(text[p])) ++p; };
  skip();
  if (p < text.size() && (text[p] == '+' || text[p] == '-')) c += text[p++];
  skip();
  if (p + 1 < text.size() && text[p] == '&') {
    char k = static_cast<char>(std::toupper(static_cast<unsigned char>(text[p + 1])));
    if (k == 'H' || k == 'O') {
      p += 2;
      std::string digits;
      for (; p < text.size(); ++p) {
        if (isBlank(text[p])) continue;
        if (!std::isxdigit(static_cast<unsigned char>(text[p]))) break;
        if (k == 'O' && (text[p] < '0' || text[p] > '7')) break;
        digits += text[p];
      }
      if (digits.empty()) return 0;
      double v = static_cast<double>(std::strtoull(digits.c_str(), nullptr, k == 'H' ? 16 : 8));
      return c == "-" ? -v : v;
    }
  }
  bool anyDigit = false, seenDot = false;
  for (; p < text.size(); ++p) {
    char ch = text[p];
    if (isBlank(ch)) continue;
    if (std::isdigit(static_cast<unsigned char>(ch))) {
      c += ch;
      anyDigit = true;
    } else if (ch == '.' && !seenDot) {
      c += ch;
      seenDot = true;
    } else {
      break;
    }
  }
  if (!anyDigit) return 0;
  if (p < text.size() && (text[p] == 'e' || text[p] == 'E' || text[p] == 'd' || text[p] == 'D')) {
    std::string e = "e";
    std::size_t q = p + 1;
    while (q < text.size() && isBlank(text[q])) ++q;
    if (q < text.size() && (text[q] == '+' || text[q] == '-')) e += text[q++];
    bool expDigit = false;
    for (; q < text.size(); ++q) {
      if (isBlank(text[q])) continue;
      if (!std::isdigit(static_cast<unsigned char>(text[q]))) break;
      e += text[q];
      expDigit = true;
    }
    if (expDigit) c += e;
  }
  double v = std::strtod(c.c_str(), nullptr);
  if (std::isinf(v)) raise(err::Overflow);
  return v;
}

double roundHalfEven(double value) {
  // Independent of the floating-point rounding mode, which an embedding
  // program may have changed.
  if (!std::isfinite(value)) return value;
  double r = std::floor(value);
  double rest = value - r;  // exact for every double
  if (rest > 0.5 || (rest == 0.5 && std::fmod(r, 2.0) != 0)) r += 1;
  return r;
}

}  // namespace rc::automation
