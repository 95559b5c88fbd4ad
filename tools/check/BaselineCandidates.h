// The runner's side of baseline review: what a check's baseline would be
// after `baseline accept`, kept as candidates while the run sees the new
// values, and whether a baseline exists at all (--ci).
#pragma once

#include <string>
#include <utility>

#include "tools/check/CheckCatalog.h"
#include "tools/check/CheckRunner.h"
#include "tools/check/LastRun.h"

namespace rc::tools {

// What baseline of `entry` the document lacks ("EdgeCount in
// bracket.vxlprt.properties"), or "" when it has them all (or needs none).
std::string missingBaseline(const CheckEntry& entry, const CheckEnv& env);

// Why `file` (a baseline) cannot be written: the system's reason when it
// exists and cannot be opened for writing, or is missing and its folder
// takes no new file ("Permission denied"); "" when nothing stands in the way.
// Links are not followed; nothing is left behind.
std::string baselineWriteProblem(const std::string& file);

// For a check that agreed without a warning: "cannot write the baseline
// EdgeCount in bracket.vxlprt.properties: Permission denied" when the
// baseline it should have stored is still missing, else "" (also when
// nothing stands in the way of writing it, with `onlyWithReason`).
std::string unwrittenBaseline(const CheckEntry& entry, const CheckEnv& env, bool onlyWithReason = false);

// Writes `text` as the candidate of baseline file `name` and answers the
// pair (candidate, baseline) relative to the document's folder.
std::pair<std::string, std::string> writeCandidate(const CheckEnv& env, const std::string& name,
                                                    const std::string& text, const std::string& baseline);

// Completes `change` for a check that warned: its properties key and new
// value, and the candidate of a baseline file of its own.
void captureCandidates(const CheckEntry& entry, const CheckEnv& env, const RunOptions& options, const CheckRow& row,
                       AcceptableChange& change);

}  // namespace rc::tools
