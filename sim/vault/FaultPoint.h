// The steps of a check-in at which tests simulate a crash or a failure.
#pragma once

#include <functional>

namespace rc::sim::vault {

enum class FaultPoint {
  AfterBlobWrite,     // the content is in its temporary file, flushed
  AfterRename,        // the content is in blobs/ under its hash, not yet recorded
  InsideTransaction,  // the revision is written but not committed
};

// Called at each fault point; a test hook raises or ends the process there.
using FaultHook = std::function<void(FaultPoint)>;

}  // namespace rc::sim::vault
