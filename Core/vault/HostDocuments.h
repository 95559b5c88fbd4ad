// The vault tasks' documents in the host: a fetched file opened silently
// with the open's warnings, rebuilt and saved, and closed. Every call goes
// late-bound to the host application object (or document) the caller holds;
// nothing is trapped here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/automation/Dispatch.h"

namespace rc::core::vault {

// OpenDoc6 options: silent (1), silent and read-only (3).
inline constexpr std::int32_t kOpenSilent = 1;
inline constexpr std::int32_t kOpenSilentReadOnly = 3;

// The bits of OpenDoc6's warnings the tasks act on.
inline constexpr std::int32_t kOpenWarningReadOnly = 2;
inline constexpr std::int32_t kOpenWarningLocked = 4;
inline constexpr std::int32_t kOpenWarningViewOnly = 512;

// The bit of Save3's warnings that reports rebuild errors.
inline constexpr std::int32_t kSaveWarningRebuildError = 1;

// What OpenDoc6 answered for a file: the document (nullptr when the host
// opened none) and the open's warning bits.
struct OpenedDocument {
  automation::ObjectRef doc;
  std::int32_t warnings = 0;
};

// Opens `path` in `host` with `options` as the host document type of its
// extension. A file of no host type is not offered to the host: no
// document, no warnings.
OpenedDocument OpenWithWarnings(const automation::ObjectRef& host, const std::string& path, std::int32_t options);

// Closes the open document `name` (its path or its title) in `host`.
void CloseDocument(const automation::ObjectRef& host, const std::string& name);

// What a rebuild and save left.
struct SavedDocument {
  std::int32_t errors = 0;    // Save3's error bits
  std::int32_t warnings = 0;  // Save3's warning bits
  // The last entry of the version history; nullopt when the document has
  // no history array or an empty one.
  std::optional<std::string> version;
};

// Rebuilds `doc`, saves it silently with its references (Save3), then
// reads its version history.
SavedDocument RebuildAndSave(const automation::ObjectRef& doc);

// Save3's error bits as text: a sentence per bit set, in bit order.
std::string SaveErrorText(std::int32_t errors);

}  // namespace rc::core::vault
