#include "tools/history/HistoryCharts.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "tools/common/MarkupText.h"
#include "tools/history/HistoryTrend.h"

namespace rc::tools {

namespace {

constexpr double kWidth = 180, kHeight = 48, kPad = 4;

std::string fixed(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.1f", v);
  return buf;
}

bool agreed(const std::string& status) { return status == "OK" || status == "BASELINE CREATED" || status == "XPASS"; }

}  // namespace

std::string historyChart(const std::vector<double>& values, double baseline, double percent) {
  const double band = std::abs(baseline) * percent / 100;
  double low = baseline - band, high = baseline + band;
  for (double v : values) {
    low = std::min(low, v);
    high = std::max(high, v);
  }
  if (high - low < 1e-12) {
    low -= 1;
    high += 1;
  }
  auto y = [&](double v) { return kPad + (high - v) / (high - low) * (kHeight - 2 * kPad); };
  auto x = [&](std::size_t i) {
    return values.size() < 2 ? kWidth / 2 : kPad + static_cast<double>(i) * (kWidth - 2 * kPad) / (values.size() - 1);
  };
  std::string svg = "<svg class=\"history\" width=\"" + fixed(kWidth) + "\" height=\"" + fixed(kHeight) +
                    "\" viewBox=\"0 0 " + fixed(kWidth) + " " + fixed(kHeight) + "\" role=\"img\">";
  svg += "<rect class=\"band\" x=\"0\" width=\"" + fixed(kWidth) + "\" y=\"" + fixed(y(baseline + band)) +
         "\" height=\"" + fixed(std::max(0.5, y(baseline - band) - y(baseline + band))) + "\" fill=\"#e3edfb\"/>";
  svg += "<line class=\"baseline\" x1=\"0\" x2=\"" + fixed(kWidth) + "\" y1=\"" + fixed(y(baseline)) + "\" y2=\"" +
         fixed(y(baseline)) + "\" stroke=\"#0d47a1\" stroke-dasharray=\"3 2\"/>";
  std::string points;
  for (std::size_t i = 0; i < values.size(); ++i) points += fixed(x(i)) + "," + fixed(y(values[i])) + " ";
  svg += "<polyline points=\"" + points + "\" fill=\"none\" stroke=\"#333\"/>";
  for (std::size_t i = 0; i < values.size(); ++i) {
    const bool outside = std::abs(values[i] - baseline) > band;
    svg += "<circle cx=\"" + fixed(x(i)) + "\" cy=\"" + fixed(y(values[i])) + "\" r=\"2.5\" fill=\"" +
           (outside ? "#b71c1c" : "#1b5e20") + "\"/>";
  }
  return svg + "</svg>";
}

bool isFlaky(const std::vector<std::string>& statuses) {
  int changes = 0;
  for (std::size_t i = 1; i < statuses.size(); ++i) changes += agreed(statuses[i]) != agreed(statuses[i - 1]);
  return changes >= 2;
}

std::string withHistoryCharts(std::string report, const RunResults& results, HistoryStore& store, std::size_t runs,
                              double percent) {
  std::size_t at = 0;
  for (const DocumentResult& d : results.documents) {
    at = report.find("<section class=\"document", at);
    if (at == std::string::npos) break;
    const std::size_t journal = report.find("<details class=\"journal\">", at);
    if (journal == std::string::npos) break;
    std::map<std::string, std::vector<HistoryPoint>> byCheck;
    for (HistoryPoint& p : store.series(d.path, "", runs)) byCheck[p.check].push_back(std::move(p));
    std::string block;
    for (const CheckRow& r : d.rows) {
      auto found = byCheck.find(r.check);
      if (found == byCheck.end()) continue;
      std::vector<double> values;
      std::vector<std::string> statuses;
      for (const HistoryPoint& p : found->second) {
        double v = 0;
        if (leadingNumber(p.newValue, v)) values.push_back(v);
        statuses.push_back(p.status);
      }
      double baseline = 0;
      const bool chart = values.size() == found->second.size() && !values.empty() && leadingNumber(r.baseValue, baseline);
      const bool flaky = isFlaky(statuses);
      if (!chart && !flaky) continue;
      block += "<figure class=\"trend\" data-check=\"" + escapeMarkup(r.check) + "\"><figcaption>" +
               escapeMarkup(r.check) + ", last " + std::to_string(found->second.size()) + " runs" +
               (flaky ? " <span class=\"badge flaky\" style=\"background:#fff3e0;color:#e65100\">FLAKY</span>" : "") + "</figcaption>" +
               (chart ? historyChart(values, baseline, percent) : "") + "</figure>";
    }
    if (!block.empty()) report.insert(journal, "<div class=\"history\">" + block + "</div>\n");
    at = journal;
  }
  return report;
}

}  // namespace rc::tools
