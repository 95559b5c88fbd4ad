#include "tools/common/JsonBytes.h"

#include <optional>

namespace rc::tools {

using nlohmann::json;

namespace {

bool isUtf8(const std::string& text) {
  try {
    (void)json(text).dump();
    return true;
  } catch (const json::type_error&) {
    return false;
  }
}

std::string hexOf(const std::string& bytes) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(bytes.size() * 2);
  for (unsigned char c : bytes) hex += {kHex[c >> 4], kHex[c & 15]};
  return hex;
}

int digitOf(char c) { return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1; }

// The bytes `hex` spells, or nullopt when it spells none.
std::optional<std::string> bytesOf(const std::string& hex) {
  if (hex.size() % 2 != 0) return std::nullopt;
  std::string bytes;
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    const int high = digitOf(hex[i]), low = digitOf(hex[i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    bytes += static_cast<char>(high * 16 + low);
  }
  return bytes;
}

}  // namespace

void putText(json& j, const std::string& name, const std::string& value) {
  j[name] = value;
  if (!isUtf8(value)) j[name + "Bytes"] = hexOf(value);
}

std::string takeText(const json& j, const std::string& name, const std::string& fallback) {
  if (const auto it = j.find(name + "Bytes"); it != j.end() && it->is_string())
    if (std::optional<std::string> bytes = bytesOf(it->get<std::string>())) return *bytes;
  return j.value(name, fallback);
}

}  // namespace rc::tools
