// The results folder of a check run, made ready before any check runs: it
// exists and takes files, its "data" and "performance" folders are folders,
// and the journal starts afresh (the previous run's kept as journal.1.txt).
// A folder that cannot serve is an OutputError naming the path and why.
#pragma once

#include <string>

namespace rc::tools {

// Prepares `folder` (creating it with its parents) and answers its
// absolute path.
std::string prepareResultsFolder(const std::string& folder);

// The file this process writes a document's journal into while it checks
// it: a dot file in `results` named after the process.
std::string journalPartOf(const std::string& results);

// Starts the journal part afresh with `heading` (a file left at the path,
// a link above all, is removed first).
void startJournalPart(const std::string& part, const std::string& heading);

// Appends one document's journal to the run's journal.txt in `results`.
void appendToJournal(const std::string& results, const std::string& text);

}  // namespace rc::tools
