#include "platform/os/SettingsText.h"

#include <optional>
#include <unordered_map>

#include "platform/automation/Error.h"

namespace rc::platform::settings_text {

namespace au = rc::automation;

namespace {

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string_view trimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = lower(c);
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Reads a quoted string at the start of `s` and moves `s` past it; nullopt
// (with `why` set) when it is not well formed.
std::optional<std::string> unquote(std::string_view& s, const char*& why) {
  if (s.empty() || s.front() != '"') {
    why = "expected '\"'";
    return std::nullopt;
  }
  std::string out;
  std::size_t i = 1;
  for (; i < s.size() && s[i] != '"'; ++i) {
    if (s[i] != '\\') {
      out += s[i];
      continue;
    }
    if (++i == s.size()) break;
    switch (s[i]) {
      case '\\': out += '\\'; break;
      case '"': out += '"'; break;
      case 'n': out += '\n'; break;
      case 'r': out += '\r'; break;
      case 't': out += '\t'; break;
      case 'x': {
        int hi = i + 1 < s.size() ? hexValue(s[i + 1]) : -1;
        int lo = i + 2 < s.size() ? hexValue(s[i + 2]) : -1;
        if (hi < 0 || lo < 0) {
          why = "bad \\x escape";
          return std::nullopt;
        }
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
        break;
      }
      default:
        why = "unknown escape";
        return std::nullopt;
    }
  }
  if (i >= s.size()) {
    why = "missing closing '\"'";
    return std::nullopt;
  }
  s.remove_prefix(i + 1);
  return out;
}

[[noreturn]] void damaged(std::string_view fileName, std::size_t lineNo, std::string_view why) {
  std::string text = "Settings store ";
  text.append(fileName).append(" is damaged at line ").append(std::to_string(lineNo)).append(": ").append(why);
  au::raise(au::err::PathFileAccessError, std::move(text), std::string(fileName));
}

std::string folded(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = lower(c);
  return out;
}

// Finds sections and values by their case-folded names while a document is
// parsed, so that parsing stays linear however many keys and values it holds.
class ParseIndex {
 public:
  ParseIndex() : values_(1) {}  // the unnamed section in front of the first key

  // The index of the section of `key`, added to `doc` when new.
  std::size_t section(Document& doc, std::string_view key) {
    auto [it, added] = sections_.try_emplace(folded(key), doc.sections.size());
    if (added) {
      doc.sections.push_back(Section{std::string(key), {}});
      values_.emplace_back();
    }
    return it->second;
  }
  // Sets value `name` of section `index`: its data replaced when the name
  // is already there, else a new line.
  void setValue(Document& doc, std::size_t index, std::string&& name, std::string&& data) {
    std::vector<Line>& lines = doc.sections[index].lines;
    auto [it, added] = values_[index].try_emplace(folded(name), lines.size());
    if (!added) {
      lines[it->second].data = std::move(data);
      return;
    }
    lines.push_back(Line{false, {}, std::move(name), std::move(data)});
  }

 private:
  std::unordered_map<std::string, std::size_t> sections_;
  std::vector<std::unordered_map<std::string, std::size_t>> values_;  // per section: name -> line
};

}  // namespace

bool sameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (lower(a[i]) != lower(b[i])) return false;
  return true;
}

std::string_view trimKey(std::string_view key) {
  while (!key.empty() && key.back() == '\\') key.remove_suffix(1);
  return key;
}

Document parse(std::string_view text, std::string_view fileName) {
  Document doc;
  doc.sections.emplace_back();
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);  // a byte-order mark left by an editor
  ParseIndex index;
  std::size_t current = 0;
  std::size_t lineNo = 0;
  while (!text.empty()) {
    ++lineNo;
    std::size_t end = text.find('\n');
    std::string_view raw = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    std::string_view line = trimBlanks(raw);

    if (line.empty()) continue;
    if (line.front() == ';' || line.front() == '#') {
      doc.sections[current].lines.push_back(Line{true, std::string(line), {}, {}});
      continue;
    }
    if (line.front() == '[') {
      if (line.back() != ']') damaged(fileName, lineNo, "missing ']'");
      std::string_view key = trimKey(line.substr(1, line.size() - 2));
      if (key.empty()) damaged(fileName, lineNo, "empty key");
      current = index.section(doc, key);
      continue;
    }
    if (line.front() != '"') damaged(fileName, lineNo, "not a key, a value or a comment");
    if (current == 0) damaged(fileName, lineNo, "value outside a key");

    const char* why = "";
    std::optional<std::string> name = unquote(line, why);
    if (!name) damaged(fileName, lineNo, why);
    line = trimBlanks(line);
    if (line.empty() || line.front() != '=') damaged(fileName, lineNo, "expected '='");
    line = trimBlanks(line.substr(1));
    std::optional<std::string> data = unquote(line, why);
    if (!data) damaged(fileName, lineNo, why);
    if (!trimBlanks(line).empty()) damaged(fileName, lineNo, "text after the value");

    index.setValue(doc, current, std::move(*name), std::move(*data));
  }
  return doc;
}

std::string quote(std::string_view s) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out = "\"";
  for (char c : s) {
    auto u = static_cast<unsigned char>(c);
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '"': out += "\\\""; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (u < 0x20 || u == 0x7F) {
          out += "\\x";
          out += kHex[u >> 4];
          out += kHex[u & 15];
        } else {
          out += c;
        }
    }
  }
  out += '"';
  return out;
}

std::string format(const Document& doc) {
  std::string out;
  for (const Section& s : doc.sections) {
    if (!s.key.empty()) {
      if (!out.empty()) out += '\n';
      out.append("[").append(s.key).append("]\n");
    }
    for (const Line& l : s.lines) {
      if (l.comment) {
        out.append(l.text);
      } else {
        out.append(quote(l.name)).append("=").append(quote(l.data));
      }
      out += '\n';
    }
  }
  return out;
}

}  // namespace rc::platform::settings_text
