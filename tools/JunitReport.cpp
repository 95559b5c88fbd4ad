#include "tools/JunitReport.h"

#include <cstdio>

#include "tools/MarkupText.h"

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

std::string testCase(const DocumentResult& d, const CheckRow& r) {
  std::string xml = "    <testcase" + attribute("classname", d.label) + attribute("name", r.check) + " time=\"0\"";
  if (r.status == Status::NotApplicable)
    return xml + ">\n      <skipped/>\n    </testcase>\n";  // the reason is in the notes and the JSON
  if (!isProblem(r)) return xml + "/>\n";
  std::string message = std::string(statusText(r.status)) + (r.detail.empty() ? "" : ": " + r.detail);
  std::string text = "new: " + r.newValue + "\nbaseline: " + r.baseValue;
  if (!r.images.difference.empty()) text += "\ndifference image: " + r.images.difference;
  return xml + ">\n      <failure" + attribute("message", message) + attribute("type", statusText(r.status)) + ">" +
         escapeMarkup(text) + "</failure>\n    </testcase>\n";
}

}  // namespace

std::string junitXml(const RunResults& results) {
  StatusCounts all = countStatuses(results);
  std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites name=\"ravelcrest check\"" +
                    attribute("tests", std::to_string(all.total())) +
                    attribute("failures", std::to_string(all.warned + all.failed)) + " errors=\"0\"" +
                    attribute("time", seconds(results.seconds)) + ">\n";
  for (const DocumentResult& d : results.documents) {
    int failures = 0, skipped = 0;
    for (const CheckRow& r : d.rows) {
      failures += isProblem(r) ? 1 : 0;
      skipped += r.status == Status::NotApplicable ? 1 : 0;
    }
    xml += "  <testsuite" + attribute("name", d.label) + attribute("tests", std::to_string(d.rows.size())) +
           attribute("failures", std::to_string(failures)) + " errors=\"0\"" +
           attribute("skipped", std::to_string(skipped)) +
           attribute("time", seconds(d.seconds)) + ">\n";
    for (const CheckRow& r : d.rows) xml += testCase(d, r);
    xml += "    <system-out>" + escapeMarkup(d.journal) + "</system-out>\n  </testsuite>\n";
  }
  return xml + "</testsuites>\n";
}

}  // namespace rc::tools
