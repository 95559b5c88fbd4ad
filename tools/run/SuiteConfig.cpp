#include "tools/run/SuiteConfig.h"

#include <toml++/toml.h>

#include <charconv>
#include <filesystem>
#include <system_error>

#include "tools/check/CheckCatalog.h"
#include "tools/check/CheckOptions.h"
#include "tools/common/Command.h"
#include "tools/images/ImageDiff.h"

namespace rc::tools {

namespace fs = std::filesystem;

namespace {

constexpr std::uintmax_t kMaxFileSize = 1 << 20;

enum class Kind { Text, Path, Number, Whole, Flag, Names };

struct Key {
  const char* name;
  Kind kind;
  bool perDocument;
};

// Every key a suite file may hold at its top level; those marked may also
// stand in a [[documents]] table.
constexpr Key kKeys[] = {
    {"tolerance", Kind::Text, true},       {"time-floor", Kind::Number, true},  {"warn-faster", Kind::Flag, true},
    {"checks", Kind::Names, true},         {"image-format", Kind::Text, true},  {"image-tolerance", Kind::Whole, true},
    {"host-folder", Kind::Path, false},    {"results", Kind::Path, false},      {"baselines", Kind::Path, false},
    {"build", Kind::Text, false},          {"ci", Kind::Flag, false},           {"multi-session", Kind::Flag, false},
    {"jobs", Kind::Whole, false},          {"report", Kind::Path, false},       {"junit", Kind::Path, false},
    {"json", Kind::Path, false},           {"threshold", Kind::Text, false},    {"antialiasing", Kind::Text, false},
    {"max-diff-ratio", Kind::Text, false}, {"no-sync", Kind::Flag, false},
};

std::string shortest(double v) {
  char buf[64];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
  return ec == std::errc() ? std::string(buf, end) : "nan";
}

const char* kindText(Kind k) {
  switch (k) {
    case Kind::Text: return "a string";
    case Kind::Path: return "a path (a string)";
    case Kind::Number: return "a number of seconds";
    case Kind::Whole: return "a whole number";
    case Kind::Flag: return "true or false";
    case Kind::Names: return "a list of check names (or one string \"A,B\")";
  }
  return "";
}

const char* typeText(const toml::node& n) {
  switch (n.type()) {
    case toml::node_type::string: return "a string";
    case toml::node_type::integer: return "a whole number";
    case toml::node_type::floating_point: return "a number";
    case toml::node_type::boolean: return "a boolean";
    case toml::node_type::array: return "an array";
    case toml::node_type::table: return "a table";
    default: return "a date or time";
  }
}

class Reader {
 public:
  explicit Reader(std::string file) : file_(std::move(file)) {}

  [[noreturn]] void fail(const toml::node& at, const std::string& why) const { fail(lineOf(at), why); }
  [[noreturn]] void fail(std::size_t line, const std::string& why) const {
    throw UsageError("check: " + file_ + ":" + std::to_string(line) + ": " + why);
  }

  static std::size_t lineOf(const toml::node& n) { return n.source().begin.line; }

  const Key* find(std::string_view name) const {
    for (const Key& k : kKeys)
      if (name == k.name) return &k;
    return nullptr;
  }

  // The value of `key` as its option takes it, checked as the option would.
  ConfigValue value(const Key& key, const toml::node& n, const std::string& folder) const {
    std::string text;
    auto wrong = [&] {
      fail(n, std::string(key.name) + " must be " + kindText(key.kind) + ", not " + typeText(n));
    };
    switch (key.kind) {
      case Kind::Text:
      case Kind::Path:
        if (!n.is_string()) wrong();
        text = n.as_string()->get();
        if (key.kind == Kind::Path) {
          if (text.empty()) fail(n, std::string(key.name) + " is an empty path");
          text = (fs::path(folder) / text).lexically_normal().string();
        }
        break;
      case Kind::Number:
        if (n.is_integer()) text = std::to_string(n.as_integer()->get());
        else if (n.is_floating_point()) text = shortest(n.as_floating_point()->get());
        else if (n.is_string()) text = n.as_string()->get();
        else wrong();
        break;
      case Kind::Whole:
        if (!n.is_integer()) wrong();
        text = std::to_string(n.as_integer()->get());
        break;
      case Kind::Flag:
        if (!n.is_boolean()) wrong();
        text = n.as_boolean()->get() ? "true" : "false";
        break;
      case Kind::Names:
        if (n.is_string()) {
          text = n.as_string()->get();
        } else if (const toml::array* a = n.as_array()) {
          for (const toml::node& item : *a) {
            if (!item.is_string()) fail(item, std::string(key.name) + " must list check names as strings");
            text += (text.empty() ? "" : ",") + item.as_string()->get();
          }
        } else {
          wrong();
        }
        break;
    }
    check(key, text, lineOf(n));
    return {text, lineOf(n)};
  }

 private:
  // What the option itself would refuse, refused here with the line.
  void check(const Key& key, const std::string& text, std::size_t line) const {
    std::string_view name = key.name;
    try {
      if (name == "tolerance") parseToleranceOption(text);
      else if (name == "time-floor") parseSecondsOption("time-floor", text);
      else if (name == "checks") resolveCheckNames(text, checkCatalog());
      else if (name == "jobs") parseJobsOption(text);
      else if (name == "threshold") parseThresholdOption(text);
      else if (name == "max-diff-ratio") parseRatioOption(text);
    } catch (const UsageError& e) {
      std::string why = e.what();
      if (why.rfind("check: ", 0) == 0) why.erase(0, 7);
      if (auto at = why.find(" in --checks"); at != std::string::npos) why.replace(at, 12, " in checks");
      fail(line, why);
    }
    if (name == "antialiasing" && text != "ignore" && text != "count")
      fail(line, "antialiasing must be \"ignore\" or \"count\"");
    if (name == "image-format" && text != "auto" && text != "gif" && text != "cbf")
      fail(line, "image-format must be \"auto\", \"gif\" or \"cbf\"");
    if (name == "image-tolerance" && (text.size() > 5 || std::stol(text) < 0 || std::stol(text) > 32767))
      fail(line, "image-tolerance must be from 0 to 32767");
  }

  std::string file_;
};

std::string knownKeys(bool perDocument) {
  std::string text;
  for (const Key& k : kKeys)
    if (!perDocument || k.perDocument) text += std::string(text.empty() ? "" : ", ") + k.name;
  return text + (perDocument ? ", match, skip, xfail, reason" : ", skip, [[documents]]");
}

std::string globText(const Reader& reader, const toml::node& n, const char* what) {
  if (!n.is_string()) reader.fail(n, std::string(what) + " must be a glob (a string), not " + typeText(n));
  std::string glob = n.as_string()->get();
  if (glob.empty() || glob.front() == '/')
    reader.fail(n, std::string(what) + " \"" + glob + "\" must be a glob relative to the suite file's folder");
  return glob;
}

DocumentRule readRule(const Reader& reader, const toml::table& table, const std::string& folder) {
  DocumentRule rule;
  rule.line = Reader::lineOf(table);
  for (auto&& [k, n] : table) {
    std::string_view name = k.str();
    if (name == "match") {
      rule.match = globText(reader, n, "match");
    } else if (name == "skip") {
      if (!n.is_boolean()) reader.fail(n, "skip in [[documents]] must be true or false, not " + std::string(typeText(n)));
      rule.skip = n.as_boolean()->get();
    } else if (name == "reason") {
      if (!n.is_string()) reader.fail(n, "reason must be a string, not " + std::string(typeText(n)));
      rule.reason = n.as_string()->get();
    } else if (name == "xfail") {
      if (n.is_boolean()) {
        rule.xfailAll = n.as_boolean()->get();
      } else {
        static constexpr Key kXfail{"xfail", Kind::Names, true};
        if (!n.is_array() && !n.is_string())
          reader.fail(n, "xfail must be true, false or a list of check names, not " + std::string(typeText(n)));
        ConfigValue names = reader.value(kXfail, n, folder);
        try {
          rule.xfail = resolveCheckNames(names.text, checkCatalog());
        } catch (const UsageError& e) {
          std::string why = e.what();
          if (auto at = why.find(" in --checks"); at != std::string::npos) why.replace(at, 12, " in xfail");
          reader.fail(n, why.substr(why.rfind("check: ", 0) == 0 ? 7 : 0));
        }
      }
    } else if (const Key* key = reader.find(name); key && key->perDocument) {
      rule.values[key->name] = reader.value(*key, n, folder);
    } else {
      reader.fail(n, "unknown key \"" + std::string(name) + "\" in [[documents]] (known: " + knownKeys(true) + ")");
    }
  }
  if (rule.match.empty()) reader.fail(rule.line, "[[documents]] needs match = \"GLOB\"");
  return rule;
}

}  // namespace

SuiteConfig readSuiteConfig(const std::string& given) {
  SuiteConfig config;
  std::error_code ec;
  fs::path file = fs::absolute(given, ec).lexically_normal();
  config.file = file.string();
  config.folder = file.parent_path().string();
  auto status = fs::status(file, ec);
  if (ec || !fs::is_regular_file(status))
    throw UsageError("check: " + config.file + ": " + (ec || !fs::exists(status) ? "no such file" : "not a file"));
  if (fs::file_size(file, ec) > kMaxFileSize)
    throw UsageError("check: " + config.file + ": larger than 1 MiB; a suite file holds settings, not data");

  toml::table root;
  try {
    root = toml::parse_file(config.file);
  } catch (const toml::parse_error& e) {
    throw UsageError("check: " + config.file + ":" + std::to_string(e.source().begin.line) + ": " +
                     std::string(e.description()));
  }
  Reader reader(config.file);
  for (auto&& [k, n] : root) {
    std::string_view name = k.str();
    if (name == "skip") {
      const toml::array* globs = n.as_array();
      if (!globs) reader.fail(n, "skip must be a list of globs, not " + std::string(typeText(n)));
      for (const toml::node& g : *globs) config.skip.push_back({globText(reader, g, "skip"), Reader::lineOf(g)});
    } else if (name == "documents") {
      const toml::array* rules = n.as_array();
      if (!rules || !rules->is_array_of_tables()) reader.fail(n, "documents must be written as [[documents]] tables");
      for (const toml::node& t : *rules) config.documents.push_back(readRule(reader, *t.as_table(), config.folder));
    } else if (const Key* key = reader.find(name)) {
      config.values[key->name] = reader.value(*key, n, config.folder);
    } else {
      reader.fail(n, "unknown key \"" + std::string(name) + "\" (known: " + knownKeys(false) + ")");
    }
  }
  return config;
}

std::vector<std::string> suiteKeys() {
  std::vector<std::string> keys;
  for (const Key& k : kKeys) keys.push_back(k.name);
  return keys;
}

std::string findSuiteConfig(const std::string& folder) {
  std::error_code ec;
  for (fs::path dir = fs::absolute(folder, ec).lexically_normal();; dir = dir.parent_path()) {
    fs::path candidate = dir / kSuiteConfigName;
    if (fs::exists(fs::symlink_status(candidate, ec))) return candidate.string();
    if (dir == dir.parent_path() || dir.empty()) return "";
  }
}

}  // namespace rc::tools
