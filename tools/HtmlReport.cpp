#include "tools/HtmlReport.h"

#include <cstdio>
#include <optional>
#include <span>
#include <stdexcept>

#include "platform/display/Bmp.h"

#include "platform/os/Files.h"
#include "platform/os/Paths.h"
#include "sim/converters/PictureDecoding.h"
#include "tools/HtmlReportStyle.h"
#include "tools/MarkupText.h"

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

std::string mimeTypeOf(const std::string& path) {
  std::string ext(platform::fileName(path));
  ext = ext.substr(ext.rfind('.') == std::string::npos ? ext.size() : ext.rfind('.'));
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (ext == ".bmp") return "image/bmp";
  if (ext == ".gif") return "image/gif";
  if (ext == ".png") return "image/png";
  if (ext == ".jpg" || ext == ".jpeg") return "image/jpeg";
  if (ext == ".cbf") return "image/bmp";  // no browser shows CBF: unpacked for the page
  return "";
}

// The bytes a page shows for the image file `data`: a CBF file unpacked and
// decoded into a BMP file; nullopt with the reason when it cannot be.
std::optional<std::string> pageImage(const std::string& relative, std::string data, std::string& why) {
  if (!relative.ends_with(".cbf") && !relative.ends_with(".CBF")) return data;
  std::optional<display::Surface> picture =
      sim::converters::decodePicture(std::span(reinterpret_cast<const std::uint8_t*>(data.data()), data.size()), &why);
  if (!picture) return std::nullopt;
  return display::encodeBmp24(*picture);
}

// An <img> with the file inlined, or a note naming the file.
std::string image(const std::string& folder, const std::string& relative, const char* role) {
  std::string path = relative.starts_with("/") ? relative : platform::joinPath(folder, relative);
  std::string type = mimeTypeOf(relative);
  if (relative.empty() || type.empty() || !platform::fileExists(path))
    return "<p class=\"missing " + std::string(role) + "\">" +
           (relative.empty() ? std::string("none") : "cannot show " + escapeMarkup(relative)) + "</p>";
  std::string data, why;
  try {
    if (platform::fileLength(path) > display::kMaxBmpFileBytes) throw std::length_error("the file is too large");
    std::optional<std::string> shown = pageImage(relative, platform::readFile(path), why);
    if (!shown) throw std::runtime_error(why);
    data = std::move(*shown);
  } catch (const std::exception&) {
    return "<p class=\"missing " + std::string(role) + "\">cannot read " + escapeMarkup(relative) + "</p>";
  }
  return "<img class=\"" + std::string(role) + "\" alt=\"" + role + "\" src=\"data:" + type + ";base64," +
         base64(data) + "\">";
}

std::string imageBlock(const CheckRow& r, const std::string& folder) {
  std::string html = "<div class=\"images\" data-check=\"" + escapeMarkup(r.check) + "\">";
  const std::pair<const char*, const std::string*> figures[] = {
      {"baseline", &r.images.baseline}, {"new", &r.images.fresh}, {"difference", &r.images.difference}};
  for (const auto& [role, file] : figures)
    html += "<figure><figcaption>" + escapeMarkup(r.check) + ": " + role + "</figcaption>" + image(folder, *file, role) +
            "</figure>";
  if (!r.images.baseline.empty() && !r.images.fresh.empty())
    html += "<figure class=\"slider\"><figcaption>new | baseline</figcaption><div class=\"stack\">" +
            image(folder, r.images.baseline, "under") + "<div class=\"top\">" + image(folder, r.images.fresh, "over") +
            "</div></div><input type=\"range\" min=\"0\" max=\"100\" value=\"50\" aria-label=\"new image over baseline\"></figure>";
  return html + "</div>\n";
}

std::string documentSection(const DocumentResult& d, const std::string& folder) {
  Status worst = worstOf(d);
  bool quiet = worst == Status::Ok || worst == Status::BaselineCreated;
  std::string html = "<section class=\"document" + std::string(quiet ? " quiet" : "") + "\" id=\"doc-" +
                     std::to_string(d.index) + "\" data-status=\"" + statusText(worst) + "\">\n<h2>" +
                     escapeMarkup(d.label) + "<span class=\"badge " + statusClass(worst) + "\">" + statusText(worst) +
                     "</span></h2>\n<p class=\"path\">" + escapeMarkup(d.path) + " · " + seconds(d.seconds) +
                     "</p>\n<table class=\"checks\"><tr><th>Check</th><th>Status</th><th>New</th><th>Baseline</th>"
                     "<th>Message</th></tr>\n";
  std::string images;
  for (const CheckRow& r : d.rows) {
    html += "<tr class=\"" + statusClass(r.status) + "\"><td>" + escapeMarkup(r.check) + "</td><td class=\"status\">" +
            statusText(r.status) + "</td><td>" + escapeMarkup(r.newValue) + "</td><td>" + escapeMarkup(r.baseValue) +
            "</td><td>" + escapeMarkup(r.detail) + "</td></tr>\n";
    // An image that agreed with its baseline is not worth its bytes.
    if (!r.images.empty() && r.status != Status::Ok) images += imageBlock(r, folder);
  }
  html += "</table>\n" + images;
  std::size_t lines = 0;
  for (char c : d.journal) lines += c == '\n' ? 1 : 0;
  html += "<details class=\"journal\"><summary>Journal (" + std::to_string(lines) + " lines)</summary><pre>" +
          escapeMarkup(d.journal) + "</pre></details>\n</section>\n";
  return html;
}

}  // namespace

std::string htmlReport(const RunResults& results, const std::string& imageFolder) {
  StatusCounts c = countStatuses(results);
  std::string html =
      "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
      "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; img-src data:; "
      "style-src 'unsafe-inline'; script-src 'unsafe-inline'\">"
      "<title>ravelcrest check report</title><style>" +
      std::string(kReportStyle) + "</style></head>\n<body>\n<header id=\"summary\"><h1>ravelcrest check</h1>\n" +
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
      "</p>\n<label><input type=\"checkbox\" id=\"only-problems\"> only documents that warned or failed</label>\n<nav>";
  for (const DocumentResult& d : results.documents)
    html += "<a class=\"" + statusClass(worstOf(d)) + "\" href=\"#doc-" + std::to_string(d.index) + "\">" +
            escapeMarkup(d.label) + "</a>";
  html += "</nav></header>\n<main>\n";
  for (const DocumentResult& d : results.documents) html += documentSection(d, imageFolder);
  return html + "</main>\n<script>" + kReportScript + "</script>\n</body></html>\n";
}

}  // namespace rc::tools
