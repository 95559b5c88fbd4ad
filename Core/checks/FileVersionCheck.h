// The file version check (modFileVersion): the version history the host
// keeps for the active document, listed in the journal and compared as text
// with the baseline "FileVersion" of the document's properties file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "Core/frame/SessionContext.h"

namespace rc::core {

// The index of the current version in a history of `entries`: the one
// before the last when slot 1 of the history list is filled (entry 1 exists
// and is not empty), else the last. An empty history raises 9.
std::size_t currentVersionIndex(const std::vector<std::string>& entries);

// Reads the active document's version history and answers its current
// version text ("" without a document). With `enterDB` 1 the history up to
// the current version is listed in the host's journal under the
// "Information (ST)" header. Errors after the host lookup reach the caller.
std::string RecordVersionHistory(std::int32_t glbProcessID, bool MultiSession, std::int16_t enterDB);

// The check method. `test` 1 compares the current version with the
// baseline (trailing spaces aside) and journals a warning block when they
// differ, or stores it when there is none; `enterDB` 1 lists the history.
// Records what it found in LastOutcome.
// Answers 0, or 1 after a run-time error; "TestFileVersion - Exit" is
// written in both cases.
std::int16_t TestFileVersion(SessionContext& session, std::int16_t test, std::int16_t enterDB);

}  // namespace rc::core
