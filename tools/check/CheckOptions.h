// Reading the options of `ravelcrest check`: tolerances, time floors and
// check names. Every routine throws UsageError with a message that names the
// text it could not use and the form it expects.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tools/check/CheckCatalog.h"

namespace rc::tools {

// The default tolerance: 5 % with a noise floor small enough to catch any
// real change (two values both below the floor always agree).
inline constexpr std::string_view kDefaultTolerance = "5,1e-9";

struct ToleranceText {
  double percent = 0;
  double floor = 0;
};

// "P" (P % with the default noise floor) or "P,F": finite numbers, not
// negative. The library reads a single number as P % with a floor of P; the
// tool's single number means a percentage, so it hands the library the
// explicit form (toleranceForLibrary).
ToleranceText parseToleranceOption(std::string_view text);

// The tolerance text the library is given for the tool's `text`: "P" becomes
// "P,1e-9"; "P,F" stays as it is.
std::string toleranceForLibrary(std::string_view text);

// How the summary shows the tolerance in force: "5 % (noise floor 1e-09)".
std::string describeTolerance(std::string_view text);

// A time in seconds: a finite number, not negative.
double parseSecondsOption(std::string_view option, std::string_view text);

// --shard K/N: the run takes documents K, K+N, K+2N, ... (counting from 1).
struct Shard {
  std::size_t part = 1;
  std::size_t parts = 1;
  bool takes(std::size_t index) const { return index % parts == part - 1; }
};

// "K/N" with 1 <= K <= N.
Shard parseShardOption(std::string_view text);

// -j N: 1 or more.
unsigned parseJobsOption(std::string_view text);

// The catalog names `list` selects ("A,B", without regard to case or spaces
// around the commas), in catalog order; empty for an empty list.
std::vector<std::string> resolveCheckNames(std::string_view list, const std::vector<CheckEntry>& catalog);

// The `--list-checks` text: one line per check with its document types and
// what it measures.
std::string checkListText(const std::vector<CheckEntry>& catalog);

}  // namespace rc::tools
