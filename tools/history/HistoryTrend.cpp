#include "tools/history/HistoryTrend.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "tools/check/CheckCatalog.h"
#include "tools/check/ImageChecks.h"

namespace rc::tools {

namespace {

bool isTiming(const std::string& rowCheck) {
  const std::string name = catalogNameOf(rowCheck);
  for (const CheckEntry& e : checkCatalog())
    if (e.name == name) return e.kind == ResultKind::Time;
  return false;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

bool leadingNumber(const std::string& text, double& value) {
  const char* begin = text.c_str();
  char* end = nullptr;
  value = std::strtod(begin, &end);
  return end != begin && std::isfinite(value);
}

int warnTimingTrends(HistoryStore& store, const RunResults& results, std::size_t runs, double percent, double floor,
                     std::ostream& out) {
  int warned = 0;
  for (const DocumentResult& d : results.documents)
    for (const CheckRow& r : d.rows) {
      double baseline = 0;
      if (!isTiming(r.check) || !leadingNumber(r.baseValue, baseline)) continue;
      std::vector<double> values;
      for (const HistoryPoint& p : store.series(d.path, r.check, runs)) {
        double v = 0;
        if (leadingNumber(p.newValue, v)) values.push_back(v);
      }
      if (values.size() < runs) continue;  // not enough runs yet to speak of a trend
      const double m = median(values);
      if (m - baseline > floor && m > baseline * (1 + percent / 100)) {
        out << "timing trend: " << d.label << " " << r.check << ": the median of the last " << runs << " runs, " << m
            << " s, is beyond the tolerance of the baseline " << baseline << " s\n";
        ++warned;
      }
    }
  return warned;
}

}  // namespace rc::tools
