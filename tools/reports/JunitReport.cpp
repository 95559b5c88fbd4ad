#include "tools/reports/JunitReport.h"

#include <cstdio>

#include "tools/common/MarkupText.h"

namespace rc::tools {

namespace {

std::string seconds(double s) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.3f", s < 0 ? 0.0 : s);
  return buf;
}

std::string attribute(const char* name, const std::string& value) {
  return std::string(" ") + name + "=\"" + escapeMarkup(value) + "\"";
}

bool isProblem(const CheckRow& r) { return r.status == Status::Warning || r.status == Status::Failed; }

// A document that could not be checked at all (its "open" row) is an error
// of the harness, not a failed check.
bool isError(const CheckRow& r) { return r.status == Status::Failed && r.check == "open"; }

std::string testCase(const DocumentResult& d, const CheckRow& r) {
  std::string xml = "    <testcase" + attribute("classname", d.label) + attribute("name", r.check) +
                    attribute("time", seconds(r.seconds));
  if (r.status == Status::NotApplicable)
    return xml + ">\n      <skipped/>\n    </testcase>\n";  // the reason is in the notes and the JSON
  if (r.status == Status::BaselineCreated) {
    std::string said = "baseline created" + (r.newValue.empty() ? std::string() : ": " + r.newValue);
    return xml + ">\n      <properties><property name=\"baseline\" value=\"created\"/></properties>\n      <system-out>" +
           escapeMarkup(said) + "</system-out>\n    </testcase>\n";
  }
  if (!isProblem(r)) return xml + "/>\n";
  std::string message = std::string(statusText(r.status)) + (r.detail.empty() ? "" : ": " + r.detail);
  std::string text = "new: " + r.newValue + "\nbaseline: " + r.baseValue;
  if (!r.images.difference.empty()) text += "\ndifference image: " + r.images.difference;
  const char* element = isError(r) ? "error" : "failure";
  return xml + ">\n      <" + element + attribute("message", message) + attribute("type", statusText(r.status)) + ">" +
         escapeMarkup(text) + "</" + element + ">\n    </testcase>\n";
}

}  // namespace

std::string junitXml(const RunResults& results) {
  StatusCounts all = countStatuses(results);
  int allErrors = 0;
  for (const DocumentResult& d : results.documents)
    for (const CheckRow& r : d.rows) allErrors += isError(r) ? 1 : 0;
  std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites name=\"ravelcrest check\"" +
                    attribute("tests", std::to_string(all.total())) +
                    attribute("failures", std::to_string(all.warned + all.failed - allErrors)) +
                    attribute("errors", std::to_string(allErrors)) + attribute("time", seconds(results.seconds)) + ">\n";
  for (const DocumentResult& d : results.documents) {
    int failures = 0, errors = 0, skipped = 0;
    for (const CheckRow& r : d.rows) {
      (isError(r) ? errors : failures) += isProblem(r) ? 1 : 0;
      skipped += r.status == Status::NotApplicable ? 1 : 0;
    }
    xml += "  <testsuite" + attribute("name", d.label) + attribute("tests", std::to_string(d.rows.size())) +
           attribute("failures", std::to_string(failures)) + attribute("errors", std::to_string(errors)) +
           attribute("skipped", std::to_string(skipped)) +
           attribute("time", seconds(d.seconds)) + ">\n";
    for (const CheckRow& r : d.rows) xml += testCase(d, r);
    xml += "    <system-out>" + escapeMarkup(d.journal) + "</system-out>\n  </testsuite>\n";
  }
  return xml + "</testsuites>\n";
}

}  // namespace rc::tools
