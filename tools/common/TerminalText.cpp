#include "tools/common/TerminalText.h"

namespace rc::tools {

namespace {

// The length of the valid UTF-8 sequence at the start of `s`; 0 when the
// bytes there are no valid sequence, -1 when they may still become one.
int sequenceAt(std::string_view s) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char c = byte(0);
  const int n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
  if (n == 0) return 0;
  for (std::size_t i = 1; i < static_cast<std::size_t>(n); ++i) {
    if (i >= s.size()) return -1;
    if ((byte(i) & 0xC0) != 0x80) return 0;
  }
  if (n == 2 && c < 0xC2) return 0;
  if (n == 3 && c == 0xE0 && byte(1) < 0xA0) return 0;
  if (n == 3 && c == 0xED && byte(1) >= 0xA0) return 0;
  if (n == 4 && (c > 0xF4 || (c == 0xF0 && byte(1) < 0x90) || (c == 0xF4 && byte(1) >= 0x90))) return 0;
  return n;
}

void appendEscaped(std::string& out, unsigned char c) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += "\\x";
  out += kHex[c >> 4];
  out += kHex[c & 15];
}

// Escapes `text` into `out`; answers how many bytes at its end were left
// for later (a sequence or CR LF that may go on) unless `all`.
std::size_t escapeInto(std::string_view text, bool all, std::string& out) {
  std::size_t i = 0;
  while (i < text.size()) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
      ++i;
      continue;
    }
    if (c == '\n' || c == '\t') {
      out += static_cast<char>(c);
      ++i;
      continue;
    }
    if (c == '\r') {
      if (i + 1 == text.size() && !all) return text.size() - i;
      if (i + 1 < text.size() && text[i + 1] == '\n') out += '\r';
      else appendEscaped(out, c);
      ++i;
      continue;
    }
    if (c < 0x80) {  // other C0 controls and DEL
      appendEscaped(out, c);
      ++i;
      continue;
    }
    const int n = sequenceAt(text.substr(i));
    if (n < 0 && !all) return text.size() - i;
    if (n <= 0) {
      appendEscaped(out, c);
      ++i;
      continue;
    }
    if (n == 2 && c == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0) {  // C1 control
      appendEscaped(out, c);
      appendEscaped(out, static_cast<unsigned char>(text[i + 1]));
    } else {
      out.append(text.substr(i, static_cast<std::size_t>(n)));
    }
    i += static_cast<std::size_t>(n);
  }
  return 0;
}

}  // namespace

std::string terminalText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  escapeInto(text, true, out);
  return out;
}

std::string oneLineText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t cut = text.find_first_of("\n\r\t", start);
    escapeInto(text.substr(start, cut == std::string_view::npos ? std::string_view::npos : cut - start), true, out);
    if (cut == std::string_view::npos) break;
    appendEscaped(out, static_cast<unsigned char>(text[cut]));
    start = cut + 1;
  }
  return out;
}

void TerminalBuffer::drain(bool all) {
  if (pending_.empty()) return;
  std::string out;
  const std::size_t kept = escapeInto(pending_, all, out);
  target_->sputn(out.data(), static_cast<std::streamsize>(out.size()));
  pending_.erase(0, pending_.size() - kept);
}

TerminalBuffer::int_type TerminalBuffer::overflow(int_type c) {
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  pending_ += traits_type::to_char_type(c);
  if (pending_.size() >= 4096 || pending_.back() == '\n') drain(false);
  return c;
}

std::streamsize TerminalBuffer::xsputn(const char* s, std::streamsize n) {
  pending_.append(s, static_cast<std::size_t>(n));
  drain(false);
  return n;
}

int TerminalBuffer::sync() {
  drain(true);
  return target_->pubsync();
}

}  // namespace rc::tools
