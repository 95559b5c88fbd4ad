#include "tools/RunResults.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <map>

#include "tools/Command.h"

namespace rc::tools {

using nlohmann::json;

namespace {

constexpr std::string_view kFormat = "ravelcrest-results";
constexpr int kVersion = 1;

Status statusFromText(const std::string& text) {
  for (Status s : {Status::NotApplicable, Status::Ok, Status::BaselineCreated, Status::Warning, Status::Failed})
    if (text == statusText(s)) return s;
  throw UsageError("unknown status \"" + text + "\"");
}

json rowToJson(const CheckRow& r) {
  json j{{"check", r.check}, {"status", statusText(r.status)}, {"new", r.newValue}, {"baseline", r.baseValue},
         {"message", r.detail}};
  if (!r.images.empty())
    j["images"] = {{"baseline", r.images.baseline}, {"new", r.images.fresh}, {"difference", r.images.difference}};
  return j;
}

CheckRow rowFromJson(const json& j, const std::string& document) {
  CheckRow r;
  r.document = document;
  r.check = j.at("check").get<std::string>();
  r.status = statusFromText(j.at("status").get<std::string>());
  r.newValue = j.value("new", "");
  r.baseValue = j.value("baseline", "");
  r.detail = j.value("message", "");
  if (j.contains("images")) {
    const json& i = j["images"];
    r.images = {i.value("baseline", ""), i.value("new", ""), i.value("difference", "")};
  }
  return r;
}

json documentJson(const DocumentResult& d) {
  json rows = json::array();
  for (const CheckRow& r : d.rows) rows.push_back(rowToJson(r));
  return json{{"index", d.index},     {"document", d.label}, {"path", d.path},
              {"seconds", d.seconds}, {"checks", rows},      {"journal", d.journal}};
}

DocumentResult documentFrom(const json& j) {
  DocumentResult d;
  d.index = j.at("index").get<std::size_t>();
  d.label = j.at("document").get<std::string>();
  d.path = j.value("path", "");
  d.seconds = j.value("seconds", 0.0);
  d.journal = j.value("journal", "");
  for (const json& r : j.at("checks")) d.rows.push_back(rowFromJson(r, d.label));
  return d;
}

// JSON text as UTF-8 whatever bytes a journal line or a path holds.
std::string dump(const json& j) { return j.dump(1, ' ', false, json::error_handler_t::replace); }

}  // namespace

StatusCounts countStatuses(const RunResults& results) {
  StatusCounts c;
  for (const DocumentResult& d : results.documents)
    for (const CheckRow& r : d.rows) {
      switch (r.status) {
        case Status::NotApplicable: ++c.notApplicable; break;
        case Status::Ok: ++c.ok; break;
        case Status::BaselineCreated: ++c.created; break;
        case Status::Warning: ++c.warned; break;
        case Status::Failed: ++c.failed; break;
      }
    }
  return c;
}

std::string resultsToJson(const RunResults& results) {
  StatusCounts c = countStatuses(results);
  json docs = json::array();
  for (const DocumentResult& d : results.documents) docs.push_back(documentJson(d));
  json j{{"format", kFormat},
         {"version", kVersion},
         {"tolerance", results.tolerance},
         {"documentCount", results.documentCount},
         {"shard", results.shard},
         {"interrupted", results.interrupted},
         {"seconds", results.seconds},
         {"results", results.resultsFolder},
         {"summary", {{"checks", c.total()}, {"ok", c.ok}, {"created", c.created}, {"warned", c.warned}, {"failed", c.failed},
                      {"notApplicable", c.notApplicable}}},
         {"documents", docs}};
  return dump(j) + "\n";
}

RunResults resultsFromJson(std::string_view text, const std::string& source) {
  try {
    json j = json::parse(text);
    if (!j.is_object() || j.value("format", "") != kFormat)
      throw UsageError(source + " is not a results file of ravelcrest check --json");
    if (j.value("version", 0) != kVersion)
      throw UsageError(source + ": results version " + std::to_string(j.value("version", 0)) + " is not " +
                       std::to_string(kVersion));
    RunResults r;
    r.tolerance = j.value("tolerance", "");
    r.documentCount = j.value("documentCount", std::size_t{0});
    r.shard = j.value("shard", "");
    r.interrupted = j.value("interrupted", false);
    r.seconds = j.value("seconds", 0.0);
    r.resultsFolder = j.value("results", "");
    for (const json& d : j.at("documents")) r.documents.push_back(documentFrom(d));
    return r;
  } catch (const json::exception& e) {
    throw UsageError(source + " is not a readable results file: " + e.what());
  } catch (const UsageError& e) {
    throw UsageError(std::string(e.what()).starts_with(source) ? e.what() : source + ": " + e.what());
  }
}

std::string documentToJson(const DocumentResult& document) {
  return documentJson(document).dump(-1, ' ', false, json::error_handler_t::replace);
}

DocumentResult documentFromJson(std::string_view text) { return documentFrom(json::parse(text)); }

RunResults mergeResults(std::vector<RunResults> parts) {
  RunResults merged;
  if (parts.empty()) return merged;
  merged.tolerance = parts.front().tolerance;
  std::map<std::size_t, DocumentResult> byIndex;
  for (RunResults& p : parts) {
    merged.documentCount = std::max(merged.documentCount, p.documentCount);
    merged.interrupted = merged.interrupted || p.interrupted;
    merged.seconds = std::max(merged.seconds, p.seconds);
    for (DocumentResult& d : p.documents) byIndex.try_emplace(d.index, std::move(d));
  }
  for (auto& [index, d] : byIndex) merged.documents.push_back(std::move(d));
  return merged;
}

}  // namespace rc::tools
