#include "tools/reports/HtmlReport.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "tools/common/MarkupText.h"
#include "tools/reports/HtmlReportStyle.h"
#include "tools/reports/ReportImages.h"

namespace rc::tools {

namespace {

// The CSS class of a status: its text with spaces as dashes.
std::string statusClass(Status s) {
  std::string c = statusText(s);
  for (char& ch : c)
    if (ch == ' ') ch = '-';
  return c;
}

Status worstOf(const DocumentResult& d) {
  Status worst = Status::Ok;
  for (const CheckRow& r : d.rows)
    if (static_cast<int>(r.status) > static_cast<int>(worst)) worst = r.status;
  return worst;
}

std::string seconds(double s) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.2f s", s);
  return buf;
}

// A box drawn over an image shown `scale` times its size: widened by a few
// pixels each side, so a single pixel's change stays in sight.
std::string boxesOver(const std::vector<PixelBox>& regions, double scale, std::size_t limit) {
  constexpr int kPad = 3;
  std::string html;
  for (std::size_t i = 0; i < regions.size() && i < limit; ++i) {
    const PixelBox& b = regions[i];
    const int left = static_cast<int>(std::min(std::floor(b.x * scale), 1e6));
    const int top = static_cast<int>(std::min(std::floor(b.y * scale), 1e6));
    // Boxes read back from a results file may be anything: kept to the image.
    if (b.x < 0 || b.y < 0 || b.width <= 0 || b.height <= 0) continue;
    const int right = std::max(left + 1, static_cast<int>(std::min(std::ceil((static_cast<double>(b.x) + b.width) * scale), 1e6)));
    const int bottom = std::max(top + 1, static_cast<int>(std::min(std::ceil((static_cast<double>(b.y) + b.height) * scale), 1e6)));
    html += "<span class=\"box\" style=\"left:" + std::to_string(left - kPad) + "px;top:" + std::to_string(top - kPad) +
            "px;width:" + std::to_string(right - left + 2 * kPad) + "px;height:" +
            std::to_string(bottom - top + 2 * kPad) + "px\"></span>";
  }
  return html;
}

// The thumbnail of an image with the row's boxes over it, or a note naming
// the file.
std::string thumbnail(const ReportImages::Shown& shown, const char* role, const std::vector<PixelBox>& regions) {
  if (!shown.problem.empty())
    return "<p class=\"missing " + std::string(role) + "\">" + escapeMarkup(shown.problem) + "</p>";
  const double scale = shown.width > 0 ? static_cast<double>(shown.thumbWidth) / shown.width : 1;
  return "<div class=\"thumb\"><img class=\"" + std::string(role) + "\" alt=\"" + role + "\" width=\"" +
         std::to_string(shown.thumbWidth) + "\" height=\"" + std::to_string(shown.thumbHeight) + "\" data-img=\"" +
         shown.thumb + "\" data-full=\"" + shown.full + "\" title=\"click for 1:1\">" + boxesOver(regions, scale, 20) +
         "</div>";
}

// `id`: the block's anchor ("images-3-1": document 3, its second image
// check); opening the page at it opens the block's 1:1 view.
std::string imageBlock(const CheckRow& r, const std::string& id, ReportImages& images) {
  std::string boxes;
  for (const PixelBox& b : r.images.regions)
    boxes += (boxes.empty() ? "" : ",") + ("[" + std::to_string(b.x) + "," + std::to_string(b.y) + "," +
                                           std::to_string(b.width) + "," + std::to_string(b.height) + "]");
  std::string html = "<div class=\"images\" id=\"" + id + "\" data-check=\"" + escapeMarkup(r.check) + "\" data-boxes=\"[" + boxes + "]\">";
  if (!r.images.comparison.empty())
    html += "<p class=\"comparison\">compared with " + escapeMarkup(r.images.comparison) + "</p>";
  const std::pair<const char*, const std::string*> figures[] = {{"baseline", &r.images.baseline},
                                                                {"new", &r.images.fresh},
                                                                {"difference", &r.images.difference},
                                                                {"changes", &r.images.human}};
  for (const auto& [role, file] : figures) {
    if (std::string_view(role) == "changes" && file->empty()) continue;
    html += "<figure><figcaption>" + escapeMarkup(r.check) + ": " + role + "</figcaption>" +
            thumbnail(images.add(*file), role, r.images.regions) + "</figure>";
  }
  if (!r.images.baseline.empty() && !r.images.fresh.empty()) {
    const ReportImages::Shown& under = images.add(r.images.baseline);
    const ReportImages::Shown& over = images.add(r.images.fresh);
    auto img = [](const ReportImages::Shown& s, const char* role) {
      if (!s.problem.empty()) return "<p class=\"missing " + std::string(role) + "\">" + escapeMarkup(s.problem) + "</p>";
      return "<img class=\"" + std::string(role) + "\" alt=\"" + role + "\" width=\"" + std::to_string(s.thumbWidth) +
             "\" height=\"" + std::to_string(s.thumbHeight) + "\" data-img=\"" + s.thumb + "\">";
    };
    html += "<figure class=\"slider\"><figcaption>new | baseline</figcaption><div class=\"stack\">" + img(under, "under") +
            "<div class=\"top\">" + img(over, "over") +
            "</div></div><input type=\"range\" min=\"0\" max=\"100\" value=\"50\" aria-label=\"new image over baseline\"></figure>";
  }
  return html + "</div>\n";
}

std::string documentSection(const DocumentResult& d, ReportImages& images) {
  Status worst = worstOf(d);
  bool quiet = worst == Status::Ok || worst == Status::BaselineCreated;
  std::string html = "<section class=\"document" + std::string(quiet ? " quiet" : "") + "\" id=\"doc-" +
                     std::to_string(d.index) + "\" data-status=\"" + statusText(worst) + "\">\n<h2>" +
                     escapeMarkup(d.label) + "<span class=\"badge " + statusClass(worst) + "\">" + statusText(worst) +
                     "</span></h2>\n<p class=\"path\">" + escapeMarkup(d.path) + " · " + seconds(d.seconds) +
                     "</p>\n<table class=\"checks\"><tr><th>Check</th><th>Status</th><th>New</th><th>Baseline</th>"
                     "<th>Message</th></tr>\n";
  std::string blocks;
  int imageCount = 0;
  for (const CheckRow& r : d.rows) {
    html += "<tr class=\"" + statusClass(r.status) + "\"><td>" + escapeMarkup(r.check) + "</td><td class=\"status\">" +
            statusText(r.status) + "</td><td>" + escapeMarkup(r.newValue) + "</td><td>" + escapeMarkup(r.baseValue) +
            "</td><td>" + escapeMarkup(r.detail) + "</td></tr>\n";
    // An image that agreed with its baseline is not worth its bytes.
    if (!r.images.empty() && r.status != Status::Ok)
      blocks += imageBlock(r, "images-" + std::to_string(d.index) + "-" + std::to_string(imageCount++), images);
  }
  html += "</table>\n" + blocks;
  std::size_t lines = 0;
  for (char c : d.journal) lines += c == '\n' ? 1 : 0;
  html += "<details class=\"journal\"><summary>Journal (" + std::to_string(lines) + " lines)</summary><pre>" +
          escapeMarkup(d.journal) + "</pre></details>\n</section>\n";
  return html;
}

bool problem(const DocumentResult& d) {
  const Status worst = worstOf(d);
  return worst == Status::Warning || worst == Status::Failed;
}

// The 1:1 view of an image check's images, filled by the script.
constexpr const char* kViewer =
    "<div id=\"viewer\" hidden><div class=\"bar\"><span class=\"title\"></span>"
    "<button type=\"button\" data-view=\"baseline\">baseline</button>"
    "<button type=\"button\" data-view=\"new\">new</button>"
    "<button type=\"button\" data-view=\"difference\">difference</button>"
    "<button type=\"button\" data-view=\"changes\">changes</button>"
    "<button type=\"button\" data-view=\"slider\">slider</button>"
    "<input type=\"range\" min=\"0\" max=\"100\" value=\"50\" aria-label=\"new image over baseline\">"
    "<button type=\"button\" class=\"close\">close (Esc)</button></div>"
    "<div class=\"pane\"><div class=\"canvas\"><img class=\"under\" alt=\"\"><div class=\"top\"><img class=\"over\" "
    "alt=\"\"></div><div class=\"boxes\"></div></div></div></div>\n";

}  // namespace

std::string htmlReport(const RunResults& results, const std::string& imageFolder) {
  StatusCounts c = countStatuses(results);
  // Documents with problems first, each group in run order.
  std::vector<const DocumentResult*> order;
  for (const DocumentResult& d : results.documents)
    if (problem(d)) order.push_back(&d);
  const bool anyProblem = !order.empty();
  for (const DocumentResult& d : results.documents)
    if (!problem(d)) order.push_back(&d);
  ReportImages images(imageFolder);
  std::string html =
      "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
      "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; img-src data:; "
      "style-src 'unsafe-inline'; script-src 'unsafe-inline'\">"
      "<title>ravelcrest check report</title><style>" +
      std::string(kReportStyle) + "</style></head>\n<body" + (anyProblem ? " class=\"only-problems\"" : "") + ">\n<header id=\"summary\"><h1>ravelcrest check</h1>\n" +
      "<p class=\"counts\"><span class=\"ok\">" + std::to_string(c.ok) + " ok</span><span class=\"created\">" +
      std::to_string(c.created) + " baselines created</span><span class=\"warned\">" + std::to_string(c.warned) +
      " warned</span><span class=\"failed\">" + std::to_string(c.failed) + " failed</span>" +
      (c.notApplicable > 0 ? "<span class=\"not-applicable\">" + std::to_string(c.notApplicable) + " not applicable</span>"
                           : std::string()) +
      "</p>\n<p class=\"run\">" +
      std::to_string(results.documents.size()) + " documents" +
      (results.documentCount > results.documents.size() ? " of " + std::to_string(results.documentCount) : "") + ", " +
      std::to_string(c.total()) + " checks, tolerance " + escapeMarkup(results.tolerance) + ", " +
      seconds(results.seconds) + (results.shard.empty() ? "" : ", shard " + escapeMarkup(results.shard)) +
      (results.interrupted ? ", <strong>interrupted</strong>" : "") +
      "</p>\n<label><input type=\"checkbox\" id=\"only-problems\"" + (anyProblem ? " checked" : "") +
      "> only documents that warned or failed</label>\n<nav>";
  for (const DocumentResult* d : order)
    html += "<a class=\"" + statusClass(worstOf(*d)) + "\" href=\"#doc-" + std::to_string(d->index) + "\">" +
            escapeMarkup(d->label) + "</a>";
  html += "</nav></header>\n<main>\n";
  for (const DocumentResult* d : order) html += documentSection(*d, images);
  return html + "</main>\n" + (images.empty() ? "" : kViewer + images.table()) + "<script>" + kReportScript + "</script>\n</body></html>\n";
}

}  // namespace rc::tools
