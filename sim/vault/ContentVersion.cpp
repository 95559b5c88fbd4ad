#include "sim/vault/ContentVersion.h"

#include <nlohmann/json.hpp>

#include <fstream>
#include <limits>

namespace rc::sim::vault {

namespace {

// Walks the JSON events, stopping at the top-level "fileVersion" value.
class VersionFinder : public nlohmann::json_sax<nlohmann::json> {
 public:
  std::optional<std::int32_t> version;

  bool null() override { return value(); }
  bool boolean(bool) override { return value(); }
  bool number_integer(number_integer_t v) override { return integer(v); }
  bool number_unsigned(number_unsigned_t v) override {
    return v <= static_cast<number_unsigned_t>(std::numeric_limits<std::int32_t>::max()) ? integer(static_cast<std::int64_t>(v)) : value();
  }
  bool number_float(number_float_t, const string_t&) override { return value(); }
  bool string(string_t&) override { return value(); }
  bool binary(binary_t&) override { return value(); }
  bool start_object(std::size_t) override { return open(false); }
  bool end_object() override { return close(); }
  bool start_array(std::size_t) override { return open(true); }
  bool end_array() override { return close(); }
  bool key(string_t& k) override {
    wanted_ = depth_ == 1 && k == "fileVersion";
    return true;
  }
  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override { return false; }

 private:
  bool value() {
    if (depth_ == 0) return false;  // a scalar at the top
    wanted_ = false;
    return true;
  }
  // A model file is an object at the top; anything else stops the walk.
  bool open(bool array) {
    if (depth_ == 0 && array) return false;
    ++depth_;
    wanted_ = false;
    return true;
  }
  bool close() {
    --depth_;
    return true;
  }
  bool integer(std::int64_t v) {
    if (!wanted_) return value();
    if (v >= std::numeric_limits<std::int32_t>::min() && v <= std::numeric_limits<std::int32_t>::max())
      version = static_cast<std::int32_t>(v);
    return false;  // found: stop reading
  }

  int depth_ = 0;
  bool wanted_ = false;
};

}  // namespace

std::optional<std::int32_t> contentFileVersion(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  int first = in.peek();
  while (first == ' ' || first == '\n' || first == '\r' || first == '\t') {
    in.get();
    first = in.peek();
  }
  if (first != '{') return std::nullopt;
  VersionFinder finder;
  try {
    nlohmann::json::sax_parse(in, &finder);
  } catch (const nlohmann::json::exception&) {
  }
  return finder.version;
}

}  // namespace rc::sim::vault
