#include "sim/host/PrintSpool.h"

#include <cstdlib>

#include <nlohmann/json.hpp>

#include "platform/os/Files.h"
#include "platform/os/Paths.h"
#include "sim/host/Document.h"
#include "sim/host/Session.h"

namespace rc::sim::host::spool {

using Json = nlohmann::ordered_json;

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
    std::string name = "job-" + std::to_string(session.processId()) + "-" + std::to_string(session.printJobs().size()) + ".json";
    platform::createFolder(dir);
    platform::writeFileAtomic(platform::joinPath(dir, name), text + "\n");
  }
  return text;
}

}  // namespace rc::sim::host::spool
