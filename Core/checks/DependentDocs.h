// Dependent documents: the list and totals of what the active document
// depends on, and the copying of test documents with their references.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "Core/frame/SessionContext.h"

namespace rc::core {

// Counts the active document's dependencies into `parts` and `assemblies`
// (".prt"/".vxlprt" and ".asm"/".vxlasm" anywhere in the lower-cased path;
// a path may count in both or neither) and, with `enterDB` 1, writes the
// list into the journal. No active document: 0, counters untouched. Errors
// after the host lookup are raised. Answers parts plus assemblies.
std::int32_t CountDependentDocs(std::int32_t glbProcessID, bool MultiSession, std::int16_t& parts,
                                std::int16_t& assemblies, std::int16_t enterDB);

// The DependentDocs check: the list (`enterDB` 1) and the totals (`test` 1)
// in the journal. 0 when it completed, 1 after an error.
std::int16_t DependentDocs(const SessionContext& session, std::int16_t test, std::int16_t enterDB);

// Copies the document `tmpFile` (relative to CopyFromPath) into CopyToPath
// keeping its folders; `tmpFile` becomes its destination path. A failure is
// written to the trace log; errors of the trace log itself are raised.
void GetDependDocsWithDocNotOpen(const SessionContext& session, std::string& tmpFile, std::string_view CopyToPath,
                                 std::string_view CopyFromPath, std::string_view BaselinePath,
                                 std::int16_t chkBaseLine);

// Copies every document named in CopyToPath's "Testfiles.txt", a document
// shared by several of them once. Failures are traced and the run goes on;
// a missing list file is raised.
void GetAllDependDocsWithDocNotOpen(const SessionContext& session, std::string_view CopyToPath,
                                    std::string_view CopyFromPath, std::string_view BaselinePath,
                                    std::int16_t chkBaseLine);

}  // namespace rc::core
