// Runs the documents of a check run, serially in this process or spread
// over worker processes (each with its own host session), and hands each
// document's result to the caller in document order, as soon as it and
// every document before it have finished.
//
// A worker is a fork of this process: it takes document positions from a
// pipe and sends back each result as one length-prefixed JSON record. A
// worker that dies (a host crash, a signal) costs only its document, which
// gets a FAILED row; a new worker takes over the rest. After an interrupt
// no new document is started, the workers stop after their current check,
// and the results so far are still handed over.
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

#include "tools/check/CheckRunner.h"

namespace rc::tools {

struct QueuedDocument {
  std::size_t index = 0;  // in the whole run's list
  const DocumentItem* item = nullptr;
  const RunOptions* options = nullptr;  // the document's own; null: the run's
};

using DocumentDone = std::function<void(DocumentResult&&)>;

// Runs `queue` with up to `jobs` workers (1: in this process).
void runDocuments(const std::vector<QueuedDocument>& queue, const RunOptions& options, unsigned jobs,
                  const DocumentDone& done);

// The number of processors online (at least 1): the default of -j.
unsigned processorCount();

}  // namespace rc::tools
