// Progress of a check run on standard error, one report per finished
// document: on a terminal one line rewritten in place ("[12/500] label
// WARNING, 3.1 documents/s"), erased at the end; otherwise a plain line per
// document, for logs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ostream>

#include "tools/results/CheckResults.h"

namespace rc::tools {

class Progress {
 public:
  Progress(std::ostream& err, bool terminal, std::size_t total);

  // Erases the terminal line, so rows written to the same terminal start
  // at its left edge.
  void clear();
  void finished(const DocumentResult& document);
  void end() { clear(); }

 private:
  std::ostream& err_;
  bool terminal_;
  std::size_t total_;
  std::size_t done_ = 0;
  std::uint32_t started_;
};

}  // namespace rc::tools
