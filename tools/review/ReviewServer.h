// `ravelcrest review`: a check run's report served on the loopback address,
// with an Accept and a Keep button on every row that warned or created a
// baseline. Accepting calls acceptChanges (BaselineReview.h), exactly as
// `baseline accept` does, and the page shows the new state without a reload.
//
// Safe by construction: it listens only on 127.0.0.1; every request carries
// the random token of the printed URL (the page as ?token=, a change as the
// X-Review-Token header), or is answered 403; so is a request whose Host is
// not the address served (DNS rebinding) or whose Origin is another site.
// Only two resources exist, the page and /accept; nothing is read from or
// written to a path a request names.
#pragma once

#include <ostream>
#include <string>

#include "tools/results/RunResults.h"

namespace rc::tools {

// The run's results a check run keeps in its results folder for review.
inline constexpr const char* kReviewResultsName = "results.json";

// The results a review serves: RESULTS/results.json, or the --json file
// named. Image paths that would leave the results folder are dropped.
RunResults reviewableResults(const std::string& resultsPath);

struct ReviewOptions {
  int port = 0;             // 0: a free port
  bool open = false;        // open the URL with xdg-open
  double idleTimeout = 0;   // seconds without a request before it stops; 0: never
  std::string build = "accepted";  // build text written into accepted baselines
  std::size_t maxBody = 64 * 1024;
};

// Serves `results` until Ctrl-C or the idle timeout; prints the URL (and
// each accepted change) to `out`. Raises OutputError when it cannot listen.
void serveReview(const RunResults& results, const ReviewOptions& options, std::ostream& out);

// The served page: the HTML report with the review buttons and script.
std::string reviewPage(const RunResults& results, const std::string& token);

}  // namespace rc::tools
