// The documents of a check run: what the command line names (files, and
// folders searched recursively), each labelled by its path relative to the
// folder all of them share, and the copy of them into a work folder.
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace rc::tools {

struct DocumentItem {
  std::string given;    // as the command line named it
  std::string path;     // absolute and normalised; the copy's after copyIntoWorkFolder
  std::string label;    // relative to the common folder; names it in rows and result folders
  std::string problem;  // why it cannot be checked ("no such document"), "" when it can
};

// The host's type code of `path`'s extension (core::kDocumentExtensions;
// 0: none); library feature parts are parts. Geometry files (.step, .stp,
// .brep) count as parts here; the runner asks their content
// (geometryDocumentType) whether they are assemblies.
int documentTypeOf(std::string_view path);

// The documents `arguments` name, in order, each once (a document reached
// again through a link to its folder is not added again): a file as it is (a
// name with a backslash that exists is taken literally), a folder as the
// documents in it and below it (sorted; dot folders such as .ravelcrest
// skipped). Baseline files named directly are skipped with a note on
// `notes`; a name that does not exist, or is no regular file (a folder
// aside), is an item with its problem set, saying which.
// Labels are relative to the folder the documents share.
std::vector<DocumentItem> collectDocuments(const std::vector<std::string>& arguments, std::ostream& notes);

// The path the host and the library are given for the document at `path`:
// `path` itself, or, when its file name holds a backslash (which they read
// as a separator), a link to it in the .ravelcrest folder beside it with
// the backslashes written as "%5C". Raises nothing; a link that cannot be
// made leaves `path`.
std::string hostPathOf(const std::string& path);

// Why the tool cannot keep its state for the document at `path` beside it:
// the .ravelcrest folder there, the document's folder in it or that one's
// "new" folder is a symbolic link or not a folder (the tool writes there,
// and never through a link); "" when it can.
std::string stateFolderProblem(const std::string& path);

// Copies each document, its companion files (same folder, name starting
// with the document's own name up to its extension, followed by "-" or ".")
// and the documents it references (as the host lists them) into `work`,
// keeping their places relative to the folder they share, below a folder
// of that folder's name; baselines already in `work` stay. Points each
// item's path at its copy. Refuses (UsageError) a work folder inside the
// folder of a document or of a reference.
void copyIntoWorkFolder(std::vector<DocumentItem>& documents, const std::string& work);

}  // namespace rc::tools
