// Files the tool writes into a results folder. None of them is ever written
// through a symbolic link: a whole file is replaced atomically (a temporary
// file in the same folder, then a rename), and an appended file is opened
// with O_NOFOLLOW. A link where an output file belongs is an error naming
// the path, never a write into whatever it points at.
//
// Every write of the tool into a results folder goes through these three
// routines, so they are the one place to point at a shared writer later.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace rc::tools {

// A file the tool could not write: the message names the path and the reason.
class OutputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Whether a replaced file must survive a power loss whole (its content
// synced before the rename, its folder after), or is scratch the run makes
// again each time.
enum class Durability { Durable, Scratch };

// Replaces `path` with `data` atomically; a link at `path` is replaced, not followed.
void replaceOutputFile(const std::string& path, std::string_view data, Durability durability = Durability::Durable);

// Appends `text` to `path`, creating it (mode 0644); refuses a link at `path`.
void appendOutputFile(const std::string& path, std::string_view text);

// Starts `path` afresh as an empty regular file, keeping its previous content
// as `kept` (renamed, so a link is moved, never followed); `kept` is
// replaced. Refuses a folder at `path`.
void startOutputFile(const std::string& path, const std::string& kept);

// The reason of the last system error, for messages: "Permission denied".
std::string systemReason(int error);

}  // namespace rc::tools
