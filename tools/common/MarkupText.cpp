#include "tools/common/MarkupText.h"

namespace rc::tools {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// The length of the valid UTF-8 sequence at the start of `s`, 0 when invalid.
std::size_t sequenceLength(std::string_view s) {
  auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
  unsigned char c = byte(0);
  std::size_t n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
  if (n == 0 || n > s.size()) return 0;
  for (std::size_t i = 1; i < n; ++i)
    if ((byte(i) & 0xC0) != 0x80) return 0;
  if (n == 2 && c < 0xC2) return 0;                        // overlong
  if (n == 3 && c == 0xE0 && byte(1) < 0xA0) return 0;     // overlong
  if (n == 3 && c == 0xED && byte(1) >= 0xA0) return 0;    // surrogate
  if (n == 4 && (c > 0xF4 || (c == 0xF0 && byte(1) < 0x90) || (c == 0xF4 && byte(1) >= 0x90))) return 0;
  if (n == 3 && c == 0xEF && byte(1) == 0xBF && byte(2) >= 0xBE) return 0;  // U+FFFE, U+FFFF
  return n;
}

}  // namespace

std::string escapeMarkup(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  while (!text.empty()) {
    // Plain ASCII that needs no escape goes over in one piece.
    std::size_t plain = 0;
    while (plain < text.size()) {
      unsigned char c = static_cast<unsigned char>(text[plain]);
      if (c < 0x20 || c >= 0x7F || c == '&' || c == '<' || c == '>' || c == '"' || c == '\'') break;
      ++plain;
    }
    out.append(text.substr(0, plain));
    text.remove_prefix(plain);
    if (text.empty()) break;
    std::size_t n = sequenceLength(text);
    if (n == 0) {
      out += kReplacement;
      text.remove_prefix(1);
      continue;
    }
    char c = text[0];
    if (n == 1) {
      switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        case '\t': case '\n': case '\r': out += c; break;
        default:
          if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) out += kReplacement;
          else out += c;
      }
    } else {
      out.append(text.substr(0, n));
    }
    text.remove_prefix(n);
  }
  return out;
}

std::string base64(std::string_view data) {
  static constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((data.size() + 2) / 3 * 4);
  std::size_t i = 0;
  for (; i + 2 < data.size(); i += 3) {
    unsigned v = static_cast<unsigned char>(data[i]) << 16 | static_cast<unsigned char>(data[i + 1]) << 8 |
                 static_cast<unsigned char>(data[i + 2]);
    out += kDigits[v >> 18], out += kDigits[(v >> 12) & 63], out += kDigits[(v >> 6) & 63], out += kDigits[v & 63];
  }
  if (std::size_t rest = data.size() - i; rest > 0) {
    unsigned v = static_cast<unsigned char>(data[i]) << 16;
    if (rest == 2) v |= static_cast<unsigned char>(data[i + 1]) << 8;
    out += kDigits[v >> 18], out += kDigits[(v >> 12) & 63];
    out += rest == 2 ? kDigits[(v >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

}  // namespace rc::tools
