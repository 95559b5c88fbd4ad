#include "sim/host/PrintSpool.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include <nlohmann/json.hpp>

#include "platform/automation/Error.h"
#include "platform/os/Files.h"
#include "platform/os/Paths.h"
#include "sim/host/Document.h"
#include "sim/host/Session.h"

namespace rc::sim::host::spool {

using Json = nlohmann::ordered_json;

namespace {

// Files `text` in the spool folder `dir` as `<name>.json`, or `<name>-2.json`,
// `<name>-3.json`, ... when that is taken: every session of every run counts
// its jobs from 1, and a job another run filed is never replaced.
void fileJob(const std::string& dir, const std::string& name, const std::string& text) {
  const std::string part = platform::joinPath(dir, "." + name + ".part-" + std::to_string(::getpid()));
  platform::writeFileAtomic(part, text);
  for (int n = 1;; ++n) {
    const std::string target = platform::joinPath(dir, name + (n == 1 ? "" : "-" + std::to_string(n)) + ".json");
    try {
      platform::moveFile(part, target);
      return;
    } catch (const automation::AutomationError& e) {
      if (e.number() != automation::err::FileAlreadyExists || n == 10000) {
        std::remove(part.c_str());
        throw;
      }
    }
  }
}

}  // namespace

std::string print(Document& doc, const PageRanges& pages, std::int32_t copies, bool collate, const std::string& printer) {
  const PageSettings& page = doc.pageSettings();
  Json job = Json::object();
  job["document"] = doc.path();
  job["printer"] = printer;
  Json ranges = Json::array();
  for (const auto& [first, last] : pages) ranges.push_back(Json::array({first, last}));
  job["pages"] = std::move(ranges);
  job["copies"] = copies;
  job["collate"] = collate;
  job["paperSize"] = page.paperSize;
  job["paperSource"] = page.paperSource;
  job["orientation"] = page.orientation;
  job["usePageSetupOnSheets"] = page.usePageSetupOnSheets;
  std::string text = job.dump();
  Session& session = doc.session();
  session.addPrintJob(text);
  if (const char* dir = std::getenv("VEXLAR_SPOOL"); dir != nullptr && *dir != '\0') {
    std::string name = "job-" + std::to_string(session.processId()) + "-" + std::to_string(session.printJobs().size());
    platform::createFolder(dir);
    fileJob(dir, name, text + "\n");
  }
  return text;
}

}  // namespace rc::sim::host::spool
