// The index of the baselines the tool keeps beside documents: for each
// document it checked, the baseline files of it that lie in its folder
// (properties, mass-properties and image baselines). `baseline prune`
// removes only files named here, so a user's file that merely looks like a
// baseline (team-photo-drw.cbf, setup.prt.properties) is never touched.
//
// One index per folder, <folder>/.ravelcrest/baselines: a line per file,
// "<document>\t<file>", both plain names with %, tab, line ends and other
// control bytes written %XX. Updates take <folder>/.ravelcrest/baselines.lock
// (parallel workers record into one folder) and replace the file whole.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

namespace rc::tools {

// The index's file names inside the state folder (never a document's).
inline constexpr std::string_view kBaselineIndexName = "baselines";
inline constexpr std::string_view kBaselineIndexLock = "baselines.lock";

// Document name -> its baseline files, as recorded in `folder`.
using BaselineIndex = std::map<std::string, std::set<std::string>>;

// The index of `folder` (empty when it has none; unreadable lines are skipped).
BaselineIndex readBaselineIndex(const std::string& folder);

// Adds `files` (plain names in `folder`) to the baselines of `document`.
// Errors raise OutputError naming the index.
void recordBaselines(const std::string& folder, const std::string& document, const std::vector<std::string>& files);

// Removes the entries of `documents` from the index of `folder`.
void forgetBaselines(const std::string& folder, const std::vector<std::string>& documents);

}  // namespace rc::tools
