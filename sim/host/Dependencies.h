// The documents a document depends on, as the host reports them: pairs of
// file name and full path. The list is the document's `dependencies` (paths
// relative to its folder, or absolute); an assembly without that field
// depends on its components' files. With `traverse`, the dependencies of
// every dependency that exists are added too, depth first, each file once
// (a file reached under another name, through a link, is the same file);
// cycles, missing or malformed files and very large trees are cut short,
// and one walk reads at most kMaxWalkBytes of files.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "sim/host/Model.h"

namespace rc::sim::host::dependencies {

using Pairs = std::vector<std::pair<std::string, std::string>>;

inline constexpr std::size_t kMaxEntries = 10000;
inline constexpr int kMaxDepth = 32;
inline constexpr std::uint64_t kMaxWalkBytes = 128u << 20;

// What a walk found; `stopped` says why it was cut short (empty when not).
struct Listing {
  Pairs pairs;
  std::string stopped;
};

// The full path of a dependency `file` of the document at `docPath`:
// absolute, native separators, "." and ".." resolved, links left alone.
std::string resolve(const std::string& docPath, const std::string& file);

// The dependencies of `model` (the document at the absolute `docPath`).
Listing of(const DocumentModel& model, const std::string& docPath, DocType type, bool traverse);

// The dependencies of the file at `docPath`; empty when it cannot be read.
Listing ofFile(const std::string& docPath, bool traverse);

// Flattens pairs into the host's list: name, path, name, path, ...
std::vector<std::string> flatten(const Pairs& pairs);

}  // namespace rc::sim::host::dependencies
