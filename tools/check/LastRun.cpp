#include "tools/check/LastRun.h"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <system_error>

#include "platform/os/Files.h"
#include "platform/os/Paths.h"
#include "tools/check/CheckCatalog.h"
#include "tools/common/Command.h"
#include "tools/common/FolderFiles.h"
#include "tools/common/JsonBytes.h"
#include "tools/common/OutputFiles.h"

namespace rc::tools {

using nlohmann::json;
namespace fs = std::filesystem;

namespace {

constexpr const char* kRecordName = "last-run.json";
constexpr const char* kCandidateFolder = "new";

// A path the record may name: relative, below the document's folder.
bool staysInside(const std::string& relative) {
  fs::path p(relative);
  if (relative.empty() || p.is_absolute()) return false;
  for (const fs::path& part : p)
    if (part == "..") return false;
  return true;
}

}  // namespace

std::string stateFolderOf(const std::string& folder, const std::string& nameOnly) {
  return platform::joinPath(platform::joinPath(folder, std::string(kStateFolderName)), nameOnly);
}

std::string candidatePathOf(const std::string& nameOnly, const std::string& name) {
  return std::string(kStateFolderName) + "/" + nameOnly + "/" + kCandidateFolder + "/" + name;
}

void writeLastRun(const std::string& folder, const std::string& nameOnly, const LastRun& run) {
  std::string state = stateFolderOf(folder, nameOnly);
  std::string record = platform::joinPath(state, kRecordName);
  if (run.changes.empty()) {
    std::error_code ec;
    if (fs::exists(record, ec)) fs::remove(record, ec);
    fs::remove_all(platform::joinPath(state, kCandidateFolder), ec);
    return;
  }
  json changes = json::array();
  for (const AcceptableChange& c : run.changes) {
    json files = json::array();
    for (const auto& [candidate, baseline] : c.files) {
      json file = json::object();
      putText(file, "candidate", candidate);
      putText(file, "baseline", baseline);
      files.push_back(file);
    }
    json change{{"check", c.check}, {"key", c.key}, {"files", files}};
    putText(change, "old", c.oldValue);
    putText(change, "new", c.newValue);
    changes.push_back(change);
  }
  json j{{"changes", changes}};
  putText(j, "document", run.document);
  platform::createFolder(state);
  // A warning that stays from run to run leaves the record as it was.
  replaceChangedOutputFile(record, j.dump(1, ' ', false, json::error_handler_t::replace) + "\n");
}

LastRun readLastRun(const std::string& folder, const std::string& nameOnly) {
  std::string record = platform::joinPath(stateFolderOf(folder, nameOnly), kRecordName);
  LastRun run;
  if (!platform::folderExists(folder)) return run;
  const FolderFiles top = FolderFiles::open(folder.empty() ? "." : folder);
  if (!top.has(kStateFolderName)) return run;
  const FolderFiles states = top.sub(kStateFolderName);
  if (!states.has(nameOnly)) return run;
  const FolderFiles own = states.sub(nameOnly);
  if (!own.has(kRecordName)) return run;
  const std::string text = own.read(kRecordName);
  try {
    json j = json::parse(text);
    run.document = takeText(j, "document");
    for (const json& c : j.at("changes")) {
      AcceptableChange change{c.at("check").get<std::string>(), c.value("key", ""), takeText(c, "old"),
                              takeText(c, "new"), {}};
      for (const json& f : c.value("files", json::array())) {
        if (!f.contains("candidate") || !f.contains("baseline"))
          throw UsageError("a file of a change lacks its candidate or its baseline");
        std::string candidate = takeText(f, "candidate"), baseline = takeText(f, "baseline");
        if (!staysInside(candidate) || !staysInside(baseline))
          throw UsageError("names a file outside the document's folder");
        change.files.emplace_back(candidate, baseline);
      }
      run.changes.push_back(std::move(change));
    }
  } catch (const json::exception& e) {
    throw UsageError("cannot read " + record + ": " + e.what());
  } catch (const UsageError& e) {
    throw UsageError("cannot use " + record + ": " + e.what());
  }
  return run;
}

}  // namespace rc::tools
