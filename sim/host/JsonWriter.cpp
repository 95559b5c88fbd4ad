// Compact JSON text built value by value, and indented at the end.
#include <charconv>
#include <cmath>

#include "sim/host/JsonText.h"

namespace rc::sim::host::json {

void appendString(std::string& out, std::string_view s) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += '"';
  for (char c : s) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          out += "\\u00";
          out += kHex[(c >> 4) & 0xF];
          out += kHex[c & 0xF];
        } else {
          out += c;
        }
    }
  }
  out += '"';
}

void Writer::separate() {
  if (afterKey_) {
    afterKey_ = false;
    return;
  }
  if (first_.empty()) return;
  if (!first_.back()) out_ += ',';
  first_.back() = false;
}

void Writer::open(char c) {
  separate();
  out_ += c;
  first_.push_back(true);
}

void Writer::close(char c) {
  first_.pop_back();
  out_ += c;
}

void Writer::key(std::string_view k) {
  separate();
  appendString(out_, k);
  out_ += ':';
  afterKey_ = true;
}

void Writer::value(std::string_view s) {
  separate();
  appendString(out_, s);
}

void Writer::value(std::int32_t n) {
  separate();
  out_ += std::to_string(n);
}

void Writer::value(double d) {
  separate();
  if (!std::isfinite(d)) {
    out_ += "null";
    return;
  }
  char buf[64];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, d);
  std::string_view text(buf, static_cast<std::size_t>(end - buf));
  out_ += text;
  // Written as a float, so that it reads back as one.
  if (text.find_first_of(".eE") == std::string_view::npos) out_ += ".0";
}

void Writer::value(bool b) {
  separate();
  out_ += b ? "true" : "false";
}

void Writer::raw(std::string_view json) {
  separate();
  out_ += json;
}

void Writer::rawMembers(std::string_view members) {
  if (members.empty()) return;
  separate();
  out_ += members;
}

std::string Writer::indented() const {
  std::string out;
  out.reserve(out_.size() + out_.size() / 2);
  std::size_t indent = 0;
  auto newline = [&] {
    out += '\n';
    out.append(indent, ' ');
  };
  for (std::size_t i = 0; i < out_.size(); ++i) {
    char c = out_[i];
    switch (c) {
      case '"': {
        std::size_t end = i + 1;
        while (out_[end] != '"') end += out_[end] == '\\' ? 2 : 1;
        out.append(out_, i, end + 1 - i);
        i = end;
        break;
      }
      case '{': case '[':
        out += c;
        if (i + 1 < out_.size() && (out_[i + 1] == '}' || out_[i + 1] == ']')) {
          out += out_[++i];
        } else {
          indent += 2;
          newline();
        }
        break;
      case '}': case ']':
        indent -= 2;
        newline();
        out += c;
        break;
      case ',':
        out += ',';
        newline();
        break;
      case ':':
        out += ": ";
        break;
      default:
        out += c;
    }
  }
  return out;
}

}  // namespace rc::sim::host::json
