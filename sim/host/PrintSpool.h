// The print spool of a host session. A print job is a JSON text: the
// document's path, the printer ("" for the default), the page ranges as
// [first, last] pairs, copies, collate and the page setup in force. Each job
// goes to the session's spool and, when $VEXLAR_SPOOL names a folder, into a
// file "job-<process ID>-<n>.json" there ("job-<process ID>-<n>-2.json", ...
// when another run filed that one: a job is never replaced).
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace rc::sim::host {

class Document;

namespace spool {

using PageRanges = std::vector<std::pair<std::int32_t, std::int32_t>>;

// Builds the job for `doc` and spools it; answers the job text.
std::string print(Document& doc, const PageRanges& pages, std::int32_t copies, bool collate, const std::string& printer);

}  // namespace spool
}  // namespace rc::sim::host
