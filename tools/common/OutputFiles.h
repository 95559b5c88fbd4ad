// Files the tool writes into a results folder, through the platform's output
// writers (platform/os/OutputFiles.h): none of them is ever written through
// a symbolic link. A whole file is replaced atomically (a temporary file in
// the same folder, then a rename); an append adds whole lines, starting a
// line of its own after a last line left without its end, and is refused at
// a link or anything else that is not a regular file. Paths are the
// system's own: a backslash is part of a name, and no drive letter is read.
//
// Here the platform's run-time errors become OutputError, worded as the
// tool prints its errors: "cannot write PATH: why".
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace rc::automation {
class AutomationError;
}

namespace rc::tools {

// A file the tool could not write: the message names the path and the reason.
class OutputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Whether a replaced file must survive a power loss whole (its content
// synced before the rename, its folder after), or is scratch the run makes
// again each time and reads only itself: a regular file of scratch already
// there is rewritten in place (output::rewriteInPlace), so a run over
// an earlier run's results makes and removes no file for it.
enum class Durability { Durable, Scratch };

// Replaces `path` with `data` atomically (mode 0644 less the umask); a link
// at `path` is replaced, not followed.
void replaceOutputFile(const std::string& path, std::string_view data, Durability durability = Durability::Durable);

// replaceOutputFile, except that a regular file (not a link) holding
// exactly `data` already is left as it is, time stamps and all: for files
// a run writes again with the same content, where nothing reads their
// times. Answers whether it wrote.
bool replaceChangedOutputFile(const std::string& path, std::string_view data);

// Appends `text` (whole lines) to `path`, creating it (mode 0644 less the
// umask); refuses a link at `path`.
void appendOutputFile(const std::string& path, std::string_view text);

// Starts `path` afresh as an empty regular file, keeping its previous content
// as `kept` (renamed, so a link is moved, never followed); `kept` is
// replaced. Refuses a folder at `path`.
void startOutputFile(const std::string& path, const std::string& kept);

// Why the platform's writer refused `path` with `e`, for messages: what
// lies there when it is not a regular file, the system's reason behind a
// general file error ("No space left on device"), else the error's
// standard description ("Permission denied", "Path not found").
std::string outputErrorReason(const std::string& path, const automation::AutomationError& e);

// The reason of the last system error, for messages: "Permission denied".
std::string systemReason(int error);

}  // namespace rc::tools
