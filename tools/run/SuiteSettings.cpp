#include "tools/run/SuiteSettings.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "tools/check/CheckCatalog.h"
#include "tools/check/CheckOptions.h"
#include "tools/common/Command.h"
#include "tools/common/PathGlob.h"

namespace rc::tools {

namespace fs = std::filesystem;

namespace {

// The folder every argument lies in (a file's own folder for a file).
std::string commonFolder(const std::vector<std::string>& arguments) {
  std::error_code ec;
  fs::path common;
  for (const std::string& a : arguments) {
    fs::path p = fs::absolute(a, ec).lexically_normal();
    if (!fs::is_directory(p, ec)) p = p.parent_path();
    if (common.empty()) {
      common = p;
      continue;
    }
    fs::path shared;
    for (auto c = common.begin(), q = p.begin(); c != common.end() && q != p.end() && *c == *q; ++c, ++q)
      shared /= *c;
    common = shared;
  }
  return common.empty() ? fs::current_path(ec).string() : common.string();
}

std::string where(const SuiteConfig& config, std::size_t line) {
  return fs::path(config.file).filename().string() + ":" + std::to_string(line);
}

std::string join(const std::vector<std::string>& items) {
  std::string text;
  for (const std::string& i : items) text += (text.empty() ? "" : ",") + i;
  return text;
}

// The path of `path` below the suite's folder, "" when it is not below it.
std::string suitePath(const SuiteConfig& config, const std::string& path) {
  std::string rel = fs::path(path).lexically_relative(config.folder).generic_string();
  return rel.empty() || rel == "." || rel.rfind("..", 0) == 0 ? "" : rel;
}

std::string checkOf(const CheckRow& row) { return row.check.substr(0, row.check.find('(')); }

}  // namespace

SuiteSettings SuiteSettings::apply(CLI::App& cmd, const std::string& configFile,
                                   const std::vector<std::string>& documents) {
  SuiteSettings s;
  for (const std::string& key : suiteKeys())
    if (const CLI::Option* opt = cmd.get_option_no_throw("--" + key); opt && opt->count() > 0)
      s.fromCommandLine_[key] = join(opt->results());
  std::string file = configFile.empty() ? findSuiteConfig(commonFolder(documents)) : configFile;
  if (file.empty()) return s;
  s.config_ = readSuiteConfig(file);
  for (const auto& [key, value] : s.config_.values) {
    if (s.fromCommandLine_.count(key)) continue;
    CLI::Option* opt = cmd.get_option("--" + key);
    try {
      opt->add_result(value.text);
      opt->run_callback();
    } catch (const CLI::Error& e) {
      throw UsageError("check: " + s.config_.file + ":" + std::to_string(value.line) + ": " + key + ": " + e.what());
    }
  }
  return s;
}

std::string SuiteSettings::describe(const CLI::App& cmd) const {
  std::string text = "config: " + (config_.file.empty() ? std::string("none (no ") + kSuiteConfigName +
                                                              " in the documents' folder or above)"
                                                        : config_.file) + "\n";
  std::size_t width = 0;
  for (const std::string& key : suiteKeys()) width = std::max(width, key.size());
  for (const std::string& key : suiteKeys()) {
    std::string value, source;
    if (auto given = fromCommandLine_.find(key); given != fromCommandLine_.end()) {
      value = given->second, source = "command line";
    } else if (auto set = config_.values.find(key); set != config_.values.end()) {
      value = set->second.text, source = where(config_, set->second.line);
    } else {
      const CLI::Option* opt = cmd.get_option_no_throw("--" + key);
      value = opt ? opt->get_default_str() : "";
      if (value.empty() && opt && opt->get_type_size() == 0) value = "false";  // a flag
      source = "default";
    }
    if (value.empty()) value = "-";
    text += key + std::string(width - key.size() + 1, ' ') + "= " + value + "  (" + source + ")\n";
  }
  for (const ConfigValue& glob : config_.skip) text += "skip " + glob.text + "  (" + where(config_, glob.line) + ")\n";
  for (const DocumentRule& rule : config_.documents) {
    text += "documents " + rule.match + "  (" + where(config_, rule.line) + ")";
    for (const auto& [key, value] : rule.values)
      text += "\n  " + key + " = " + value.text +
              (fromCommandLine_.count(key) ? "  (overridden by the command line)" : "");
    if (rule.skip) text += "\n  skip";
    if (rule.xfailAll) text += "\n  xfail = every check";
    if (!rule.xfail.empty()) text += "\n  xfail = " + join(rule.xfail);
    if (!rule.reason.empty()) text += "\n  reason = " + rule.reason;
    text += "\n";
  }
  return text;
}

void SuiteSettings::select(std::vector<DocumentItem>& documents, std::ostream& notes) {
  std::vector<DocumentItem> kept;
  rulesOf_.clear();
  for (DocumentItem& d : documents) {
    std::string rel = d.path.empty() ? "" : suitePath(config_, d.path);
    std::string skippedBy;
    std::vector<const DocumentRule*> rules;
    if (!rel.empty()) {
      for (const ConfigValue& glob : config_.skip)
        if (skippedBy.empty() && globMatches(glob.text, rel)) skippedBy = where(config_, glob.line);
      for (const DocumentRule& rule : config_.documents)
        if (globMatches(rule.match, rel)) {
          rules.push_back(&rule);
          if (rule.skip && skippedBy.empty()) skippedBy = where(config_, rule.line);
        }
    }
    if (!skippedBy.empty()) {
      notes << "skipped (" << skippedBy << "): " << d.label << "\n";
      continue;
    }
    kept.push_back(std::move(d));
    rulesOf_.push_back(std::move(rules));
  }
  documents = std::move(kept);
}

std::vector<RunOptions> SuiteSettings::documentOptions(const RunOptions& base) const {
  std::vector<RunOptions> all;
  for (const std::vector<const DocumentRule*>& rules : rulesOf_) {
    RunOptions options = base;
    for (const DocumentRule* rule : rules)
      for (const auto& [key, value] : rule->values) {
        if (fromCommandLine_.count(key)) continue;
        const std::string& v = value.text;
        if (key == "tolerance") options.tolerance = toleranceForLibrary(v);
        else if (key == "time-floor") options.timeFloor = parseSecondsOption("time-floor", v);
        else if (key == "warn-faster") options.warnFaster = v == "true";
        else if (key == "checks") options.checks = resolveCheckNames(v, checkCatalog());
        else if (key == "image-format") options.imageFormat = v;
        else if (key == "image-tolerance") options.imageTolerance = static_cast<std::int16_t>(std::stoi(v));
      }
    all.push_back(std::move(options));
  }
  return all;
}

void SuiteSettings::markExpected(DocumentResult& result) const {
  if (result.index >= rulesOf_.size()) return;
  for (CheckRow& row : result.rows) {
    const DocumentRule* expecting = nullptr;
    for (const DocumentRule* rule : rulesOf_[result.index])
      if (rule->xfailAll || std::find(rule->xfail.begin(), rule->xfail.end(), checkOf(row)) != rule->xfail.end())
        expecting = rule;
    if (!expecting) continue;
    std::string why = "expected to fail (" + where(config_, expecting->line) + ")" +
                      (expecting->reason.empty() ? "" : ": " + expecting->reason);
    if (row.status == Status::Warning || row.status == Status::Failed) {
      row.status = Status::ExpectedFailure;
      row.detail = why + (row.detail.empty() ? "" : "; " + row.detail);
    } else if (row.status == Status::Ok) {
      row.status = Status::UnexpectedPass;
      row.detail = why + ", but agreed";
    }
  }
}

}  // namespace rc::tools
