// The lock the writers of one vault share (vault.lock in its directory).
// Every content write holds it shared for as long as its temporary file
// lives; whoever holds it alone knows that no writer is running, so every
// temporary in blobs/ was left by a writer that died.
#pragma once

#include <string>

#include "platform/os/UniqueFd.h"

namespace rc::sim::vault {

class WriterLock {
 public:
  // Opens the lock file at `path`; a writer (`create`) makes it (mode
  // 0600) and raises Storage when it cannot, a reader that cannot open it
  // holds nothing (no writer has used the vault since it was made, or the
  // vault is read-only and has none).
  WriterLock(std::string path, bool create);

  // Takes the lock alone when no one holds it; false when someone does.
  bool tryAlone();
  // Takes the lock alone, waiting while others hold it.
  void alone();
  // Holds the lock shared (turning a hold alone into a shared one), waiting
  // while someone holds it alone.
  void share();
  // Whether the lock file could be opened.
  bool usable() const { return fd_.get() >= 0; }

 private:
  std::string path_;
  platform::UniqueFd fd_;
};

}  // namespace rc::sim::vault
