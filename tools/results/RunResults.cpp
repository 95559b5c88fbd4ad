#include "tools/results/RunResults.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdint>
#include <map>

#include "tools/common/Command.h"
#include "tools/common/JsonBytes.h"

namespace rc::tools {

using nlohmann::json;

namespace {

constexpr std::string_view kFormat = "ravelcrest-results";
constexpr int kVersion = 1;

Status statusFromText(const std::string& text) {
  for (Status s : {Status::NotApplicable, Status::Ok, Status::BaselineCreated, Status::ExpectedFailure,
                   Status::UnexpectedPass, Status::Warning, Status::Failed})
    if (text == statusText(s)) return s;
  throw UsageError("unknown status \"" + text + "\"");
}

json rowToJson(const CheckRow& r) {
  json j{{"check", r.check}, {"status", statusText(r.status)}, {"new", r.newValue}, {"baseline", r.baseValue},
         {"message", r.detail}, {"seconds", r.seconds}};
  if (!r.images.empty()) {
    j["images"] = {{"baseline", r.images.baseline}, {"new", r.images.fresh}, {"difference", r.images.difference}};
    if (!r.images.human.empty()) j["images"]["human"] = r.images.human;
    if (!r.images.comparison.empty()) j["images"]["comparison"] = r.images.comparison;
    if (r.images.width > 0) {
      json boxes = json::array();
      for (const PixelBox& b : r.images.regions) boxes.push_back({b.x, b.y, b.width, b.height});
      j["images"]["size"] = {r.images.width, r.images.height};
      j["images"]["regions"] = boxes;
    }
  }
  return j;
}

// A whole number of pixels of an image field; anything else (a fraction,
// a number beyond an int) is refused.
int pixels(const json& v, const char* field) {
  if (!v.is_number_integer() || v.get<std::int64_t>() < INT32_MIN || v.get<std::int64_t>() > INT32_MAX ||
      (v.is_number_unsigned() && v.get<std::uint64_t>() > INT32_MAX))
    throw UsageError(std::string("an image's ") + field + " is " + v.dump() + ", not a whole number of pixels");
  return static_cast<int>(v.get<std::int64_t>());
}

CheckRow rowFromJson(const json& j, const std::string& document) {
  CheckRow r;
  r.document = document;
  r.check = j.at("check").get<std::string>();
  r.status = statusFromText(j.at("status").get<std::string>());
  r.newValue = j.value("new", "");
  r.baseValue = j.value("baseline", "");
  r.detail = j.value("message", "");
  if (j.contains("seconds") && j["seconds"].is_number()) r.seconds = std::max(0.0, j["seconds"].get<double>());
  if (j.contains("images")) {
    const json& i = j["images"];
    r.images.baseline = i.value("baseline", "");
    r.images.fresh = i.value("new", "");
    r.images.difference = i.value("difference", "");
    r.images.human = i.value("human", "");
    r.images.comparison = i.value("comparison", "");
    if (const json size = i.value("size", json()); size.is_array() && size.size() == 2) {
      r.images.width = pixels(size[0], "size");
      r.images.height = pixels(size[1], "size");
      for (const json& b : i.value("regions", json::array()))
        if (b.is_array() && b.size() == 4 && r.images.regions.size() < kMaxRegions)
          r.images.regions.push_back(
              {pixels(b[0], "region"), pixels(b[1], "region"), pixels(b[2], "region"), pixels(b[3], "region")});
    }
  }
  return r;
}

json documentJson(const DocumentResult& d) {
  json rows = json::array();
  for (const CheckRow& r : d.rows) rows.push_back(rowToJson(r));
  json j{{"index", d.index}, {"document", d.label}, {"seconds", d.seconds}, {"checks", rows}, {"journal", d.journal}};
  // The path's own bytes, so that a review accepts into the document.
  putText(j, "path", d.path);
  return j;
}

DocumentResult documentFrom(const json& j) {
  DocumentResult d;
  if (!j.at("index").is_number_unsigned()) throw UsageError("a document's index is not a count");
  d.index = j.at("index").get<std::size_t>();
  d.label = j.at("document").get<std::string>();
  d.path = takeText(j, "path");
  d.seconds = j.value("seconds", 0.0);
  d.journal = j.value("journal", "");
  for (const json& r : j.at("checks")) d.rows.push_back(rowFromJson(r, d.label));
  return d;
}

// JSON text as UTF-8 whatever bytes a journal line or a path holds.
std::string dump(const json& j) { return j.dump(1, ' ', false, json::error_handler_t::replace); }

json settingsJson(const RunResults& r) {
  json j = json::object();
  for (const auto& [name, value] : r.settings) j[name] = value;
  return j;
}

// A count field of the results: absent is 0; anything but a whole number
// from 0 to kMaxDocumentCount is refused.
std::size_t countField(const json& j, const char* name) {
  if (!j.contains(name)) return 0;
  const json& v = j.at(name);
  if (!v.is_number_unsigned() || v.get<std::uint64_t>() > kMaxDocumentCount)
    throw UsageError(std::string(name) + " is " + v.dump() + ", not a count of documents (0 to " +
                     std::to_string(kMaxDocumentCount) + ")");
  return v.get<std::size_t>();
}

// "the tolerance differs: 5 % in a.json, 10 % in b.json", or "" when the
// runs agree on what decides their results.
std::string differenceBetween(const RunResults& a, const RunResults& b) {
  auto differs = [&](const std::string& what, const std::string& x, const std::string& y) {
    return what + " differs: " + x + " in " + a.source + ", " + y + " in " + b.source;
  };
  if (a.tolerance != b.tolerance) return differs("the tolerance", a.tolerance, b.tolerance);
  for (const auto& [name, value] : a.settings)
    for (const auto& [otherName, other] : b.settings)
      if (name == otherName && value != other) return differs("the " + name, value, other);
  return "";
}

}  // namespace

int exitCodeOf(const RunResults& results) {
  const StatusCounts c = countStatuses(results);
  if (c.failed > 0 || results.documents.size() < results.documentCount) return 2;
  return c.warned > 0 ? 1 : 0;
}

StatusCounts countStatuses(const RunResults& results) {
  StatusCounts c;
  for (const DocumentResult& d : results.documents)
    for (const CheckRow& r : d.rows) {
      switch (r.status) {
        case Status::NotApplicable: ++c.notApplicable; break;
        case Status::Ok: ++c.ok; break;
        case Status::BaselineCreated: ++c.created; break;
        case Status::ExpectedFailure: ++c.xfailed; break;
        case Status::UnexpectedPass: ++c.xpassed; break;
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
         {"settings", settingsJson(results)},
         {"documentCount", results.documentCount},
         {"shard", results.shard},
         {"interrupted", results.interrupted},
         {"seconds", results.seconds},
         {"results", results.resultsFolder},
         {"summary", {{"checks", c.total()}, {"ok", c.ok}, {"created", c.created}, {"warned", c.warned}, {"failed", c.failed},
                      {"xfailed", c.xfailed}, {"xpassed", c.xpassed}, {"notApplicable", c.notApplicable}}},
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
    r.source = source;
    r.tolerance = j.value("tolerance", "");
    if (j.contains("settings")) {
      if (!j.at("settings").is_object()) throw UsageError("its settings are " + j.at("settings").dump() + ", not names and texts");
      for (const auto& [name, value] : j.at("settings").items()) {
        if (!value.is_string()) throw UsageError("the setting " + name + " is not a text");
        r.settings.emplace_back(name, value.get<std::string>());
      }
    }
    r.documentCount = countField(j, "documentCount");
    r.shard = j.value("shard", "");
    r.interrupted = j.value("interrupted", false);
    r.seconds = j.value("seconds", 0.0);
    r.resultsFolder = j.value("results", "");
    for (const json& d : j.at("documents")) {
      r.documents.push_back(documentFrom(d));
      if (r.documents.back().index >= r.documentCount && j.contains("documentCount"))
        throw UsageError("document " + std::to_string(r.documents.back().index) + " lies beyond its documentCount " +
                         std::to_string(r.documentCount));
    }
    std::map<std::size_t, const DocumentResult*> seen;
    for (const DocumentResult& d : r.documents)
      if (!seen.emplace(d.index, &d).second) throw UsageError("document " + std::to_string(d.index) + " is listed twice");
    return r;
  } catch (const json::exception& e) {
    throw UsageError(source + " is not a readable results file: " + e.what());
  } catch (const UsageError& e) {
    throw UsageError(std::string(e.what()).starts_with(source) ? e.what() : source + ": " + e.what());
  }
}

std::string documentToRecord(const DocumentResult& document) {
  std::string record;
  json::to_cbor(documentJson(document), record);
  return record;
}

DocumentResult documentFromRecord(std::string_view record) { return documentFrom(json::from_cbor(record)); }

RunResults mergeResults(std::vector<RunResults> parts, bool preferLater, std::size_t* replaced) {
  RunResults merged;
  if (parts.empty()) return merged;
  for (std::size_t i = 1; i < parts.size(); ++i)
    if (std::string difference = differenceBetween(parts.front(), parts[i]); !difference.empty())
      throw UsageError("cannot merge runs whose results do not compare: " + difference);
  merged.tolerance = parts.front().tolerance;
  merged.settings = parts.front().settings;
  std::map<std::size_t, std::pair<DocumentResult, const std::string*>> byIndex;
  std::size_t replacedCount = 0;
  for (RunResults& p : parts) {
    merged.documentCount = std::max(merged.documentCount, p.documentCount);
    merged.interrupted = merged.interrupted || p.interrupted;
    merged.seconds = std::max(merged.seconds, p.seconds);
    for (DocumentResult& d : p.documents) {
      auto [at, fresh] = byIndex.try_emplace(d.index, std::move(d), &p.source);
      if (fresh) continue;
      const DocumentResult& earlier = at->second.first;
      if (!preferLater)
        throw UsageError("document " + std::to_string(earlier.index + 1) + " (" + earlier.label + ") is in " +
                         *at->second.second + " and in " + p.source +
                         "; give --prefer later to keep the later result");
      at->second = {std::move(d), &p.source};
      ++replacedCount;
    }
  }
  for (auto& [index, d] : byIndex) merged.documents.push_back(std::move(d.first));
  if (replaced) *replaced = replacedCount;
  return merged;
}

}  // namespace rc::tools
