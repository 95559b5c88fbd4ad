#include "sim/host/JsonText.h"

#include <charconv>
#include <limits>

namespace rc::sim::host::json {

namespace {

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

void appendUtf8(std::string& out, std::uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// The length of the well-formed UTF-8 sequence at the front of `s`, or 0.
std::size_t utf8Length(std::string_view s) {
  auto byte = [&](std::size_t i) { return i < s.size() ? static_cast<unsigned char>(s[i]) : 0u; };
  unsigned b0 = byte(0);
  auto cont = [&](std::size_t i) { return (byte(i) & 0xC0) == 0x80; };
  if (b0 >= 0xC2 && b0 <= 0xDF) return cont(1) ? 2 : 0;
  if (b0 >= 0xE0 && b0 <= 0xEF) {
    unsigned b1 = byte(1);
    if ((b0 == 0xE0 && b1 < 0xA0) || (b0 == 0xED && b1 > 0x9F)) return 0;  // overlong, surrogate
    return cont(1) && cont(2) ? 3 : 0;
  }
  if (b0 >= 0xF0 && b0 <= 0xF4) {
    unsigned b1 = byte(1);
    if ((b0 == 0xF0 && b1 < 0x90) || (b0 == 0xF4 && b1 > 0x8F)) return 0;  // overlong, past U+10FFFF
    return cont(1) && cont(2) && cont(3) ? 4 : 0;
  }
  return 0;
}

}  // namespace

void Cursor::fail(std::string_view what) const {
  throw SyntaxError("expected " + std::string(what) + " at byte " + std::to_string(pos_));
}

void Cursor::skipSpace() {
  while (pos_ < text_.size() && isSpace(text_[pos_])) ++pos_;
}

char Cursor::next() {
  skipSpace();
  return pos_ < text_.size() ? text_[pos_] : '\0';
}

void Cursor::enter() {
  if (++depth_ > maxDepth_) fail("less deeply nested lists and objects");
}

Kind Cursor::peek() {
  char c = next();
  switch (c) {
    case 'n': return Kind::Null;
    case 't': case 'f': return Kind::Boolean;
    case '"': return Kind::String;
    case '[': return Kind::Array;
    case '{': return Kind::Object;
    default:
      if (c == '-' || isDigit(c)) return Kind::Number;
      fail("a value");
  }
}

void Cursor::readNull() {
  if (next() != 'n' || text_.substr(pos_, 4) != "null") fail("null");
  pos_ += 4;
}

bool Cursor::readBoolean() {
  next();
  if (text_.substr(pos_, 4) == "true") {
    pos_ += 4;
    return true;
  }
  if (text_.substr(pos_, 5) == "false") {
    pos_ += 5;
    return false;
  }
  fail("true or false");
}

std::string_view Cursor::scanNumber() {
  std::size_t start = pos_;
  if (pos_ < text_.size() && text_[pos_] == '-') ++pos_;
  if (pos_ >= text_.size() || !isDigit(text_[pos_])) fail("a digit");
  if (text_[pos_] == '0') ++pos_;
  else while (pos_ < text_.size() && isDigit(text_[pos_])) ++pos_;
  if (pos_ < text_.size() && text_[pos_] == '.') {
    ++pos_;
    if (pos_ >= text_.size() || !isDigit(text_[pos_])) fail("a digit");
    while (pos_ < text_.size() && isDigit(text_[pos_])) ++pos_;
  }
  if (pos_ < text_.size() && (text_[pos_] == 'e' || text_[pos_] == 'E')) {
    ++pos_;
    if (pos_ < text_.size() && (text_[pos_] == '+' || text_[pos_] == '-')) ++pos_;
    if (pos_ >= text_.size() || !isDigit(text_[pos_])) fail("a digit");
    while (pos_ < text_.size() && isDigit(text_[pos_])) ++pos_;
  }
  return text_.substr(start, pos_ - start);
}

Number Cursor::readNumber() {
  if (peek() != Kind::Number) fail("a number");
  std::string_view s = scanNumber();
  Number n;
  n.negative = s.front() == '-';
  std::string_view digits = n.negative ? s.substr(1) : s;
  n.integer = digits.find_first_of(".eE") == std::string_view::npos;
  if (n.integer) {
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), n.magnitude);
    if (ec != std::errc() || end != digits.data() + digits.size()) n.integer = false;  // too large: a float
  }
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), n.value);
  if (ec == std::errc::result_out_of_range) {
    std::size_t e = s.find_first_of("eE");
    bool tiny = e != std::string_view::npos && e + 1 < s.size() && s[e + 1] == '-';
    double magnitude = tiny ? 0.0 : std::numeric_limits<double>::infinity();
    n.value = n.negative ? -magnitude : magnitude;
  }
  return n;
}

std::string_view Cursor::scanString(std::string* decoded) {
  std::size_t start = pos_;
  ++pos_;  // the opening quote
  for (;;) {
    if (pos_ >= text_.size()) fail("the end of a text");
    char c = text_[pos_];
    if (c == '"') {
      ++pos_;
      return text_.substr(start, pos_ - start);
    }
    auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20) fail("no control character in a text");
    if (byte >= 0x80) {
      std::size_t n = utf8Length(text_.substr(pos_));
      if (n == 0) fail("UTF-8 text");
      if (decoded) decoded->append(text_.substr(pos_, n));
      pos_ += n;
      continue;
    }
    if (c != '\\') {
      if (decoded) *decoded += c;
      ++pos_;
      continue;
    }
    char e = pos_ + 1 < text_.size() ? text_[pos_ + 1] : '\0';
    pos_ += 2;
    switch (e) {
      case '"': case '\\': case '/':
        if (decoded) *decoded += e;
        break;
      case 'b': if (decoded) *decoded += '\b'; break;
      case 'f': if (decoded) *decoded += '\f'; break;
      case 'n': if (decoded) *decoded += '\n'; break;
      case 'r': if (decoded) *decoded += '\r'; break;
      case 't': if (decoded) *decoded += '\t'; break;
      case 'u': {
        auto hex4 = [&]() -> std::uint32_t {
          std::uint32_t v = 0;
          for (int i = 0; i < 4; ++i) {
            int h = pos_ < text_.size() ? hexValue(text_[pos_]) : -1;
            if (h < 0) fail("four hexadecimal digits");
            v = v * 16 + static_cast<std::uint32_t>(h);
            ++pos_;
          }
          return v;
        };
        std::uint32_t cp = hex4();
        if (cp >= 0xDC00 && cp <= 0xDFFF) fail("a high surrogate before a low one");
        if (cp >= 0xD800 && cp <= 0xDBFF) {
          if (text_.substr(pos_, 2) != "\\u") fail("a low surrogate after a high one");
          pos_ += 2;
          std::uint32_t low = hex4();
          if (low < 0xDC00 || low > 0xDFFF) fail("a low surrogate after a high one");
          cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
        }
        if (decoded) appendUtf8(*decoded, cp);
        break;
      }
      default:
        pos_ -= 1;
        fail("an escape sequence");
    }
  }
}

std::string Cursor::readString() {
  if (peek() != Kind::String) fail("a text");
  std::string out;
  scanString(&out);
  return out;
}

void Cursor::beginObject() {
  if (next() != '{') fail("an object");
  ++pos_;
  enter();
  firstItem_.push_back(true);
}

bool Cursor::nextKey(std::string& key) {
  char c = next();
  bool first = firstItem_.back();
  if (c == '}') {
    ++pos_;
    firstItem_.pop_back();
    --depth_;
    return false;
  }
  if (!first) {
    if (c != ',') fail("',' or '}'");
    ++pos_;
    c = next();
  }
  firstItem_.back() = false;
  if (c != '"') fail("a field name");
  key.clear();
  rawKey_ = scanString(&key);
  if (next() != ':') fail("':'");
  ++pos_;
  return true;
}

std::size_t Cursor::countItems() {
  if (next() != '[') return 0;
  std::size_t count = 0, depth = 0;
  bool any = false;
  for (std::size_t i = pos_ + 1; i < text_.size(); ++i) {
    char c = text_[i];
    if (c == '"') {
      for (++i; i < text_.size() && text_[i] != '"'; ++i)
        if (text_[i] == '\\') ++i;
      any = true;
    } else if (c == '[' || c == '{') {
      ++depth;
      any = true;
    } else if (c == ']' || c == '}') {
      if (depth == 0) break;
      --depth;
    } else if (c == ',' && depth == 0) {
      ++count;
    } else if (!isSpace(c)) {
      any = true;
    }
  }
  return any ? count + 1 : 0;
}

void Cursor::beginArray() {
  if (next() != '[') fail("a list");
  ++pos_;
  enter();
  firstItem_.push_back(true);
}

bool Cursor::nextItem() {
  char c = next();
  if (c == ']') {
    ++pos_;
    firstItem_.pop_back();
    --depth_;
    return false;
  }
  if (!firstItem_.back()) {
    if (c != ',') fail("',' or ']'");
    ++pos_;
  }
  firstItem_.back() = false;
  return true;
}

void Cursor::skipNested() {
  std::string key;
  if (peek() == Kind::Object) {
    beginObject();
    while (nextKey(key)) skipValue(nullptr);
    return;
  }
  beginArray();
  while (nextItem()) skipValue(nullptr);
}

void Cursor::skipValue(std::string* out) {
  Kind kind = peek();
  std::size_t start = pos_;
  switch (kind) {
    case Kind::Null: readNull(); break;
    case Kind::Boolean: readBoolean(); break;
    case Kind::Number: scanNumber(); break;
    case Kind::String: scanString(nullptr); break;
    case Kind::Array: case Kind::Object: skipNested(); break;
  }
  if (!out) return;
  // The value is valid: copy it, leaving out the white space between tokens.
  std::string_view value = text_.substr(start, pos_ - start);
  out->reserve(out->size() + value.size());
  for (std::size_t i = 0; i < value.size(); ++i) {
    char c = value[i];
    if (c == '"') {
      std::size_t end = i + 1;
      while (value[end] != '"') end += value[end] == '\\' ? 2 : 1;
      out->append(value.substr(i, end + 1 - i));
      i = end;
    } else if (!isSpace(c)) {
      *out += c;
    }
  }
}

void Cursor::expectEnd() {
  if (next() != '\0' || pos_ != text_.size()) fail("the end of the text");
}

void setMember(std::string& members, std::string_view key, std::string_view value) {
  std::string wrapped = "{" + members + "}";
  Cursor c(wrapped, std::numeric_limits<int>::max());
  std::string kept, name;
  c.beginObject();
  while (c.nextKey(name)) {
    if (name == key) {
      c.skipValue(nullptr);
      continue;
    }
    if (!kept.empty()) kept += ',';
    kept.append(c.rawKey());
    kept += ':';
    c.skipValue(&kept);
  }
  if (!kept.empty()) kept += ',';
  appendString(kept, key);
  kept += ':';
  kept.append(value);
  members = std::move(kept);
}

}  // namespace rc::sim::host::json
