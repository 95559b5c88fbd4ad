// The tool's comparison of a data file with its baseline copy. Stricter than
// the library's CompareFiles, which looks only at the numbers of a line:
// here the items of a line (separated by spaces) that are numbers in both
// files agree within the tolerance, and every other item, the number of
// items and the number of lines agree exactly. The noise floor applies to
// the numbers' sizes, so negative values are compared too.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rc::tools {

struct DataFileChange {
  std::size_t line = 0;  // 1-based
  std::string baseline;  // the baseline's line ("" past its end)
  std::string fresh;     // the new file's line ("" past its end)
};

// The first line where `fresh` differs from `baseline` (file contents) under
// `tolerance` ("P" or "P,F"), or nothing when they agree.
std::optional<DataFileChange> firstDataChange(std::string_view baseline, std::string_view fresh,
                                              const std::string& tolerance);

// Every line where `fresh` differs from `baseline`, in order.
std::vector<DataFileChange> dataChanges(std::string_view baseline, std::string_view fresh,
                                        const std::string& tolerance);

// What line `line` (1-based) of the library's data file `fileName` holds,
// read from the file's `text` (the baseline's, so a renamed configuration
// keeps its old name): "configuration Default: Mass", "sheet Sheet1: failed
// features", "number of configurations"; "" for a file it does not know.
std::string dataLineLabel(std::string_view fileName, std::string_view text, std::size_t line);

// "line 3: baseline \"Default 12\", new \"Default 0\"".
std::string describeChange(const DataFileChange& change);

}  // namespace rc::tools
