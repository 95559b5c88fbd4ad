// Writers of the files the library makes itself in the folders it is given:
// trace logs, journals, baselines, data files, logs. They never write
// through a symbolic link, so a link planted where an output file goes
// cannot send the write to its target. (Documents are the user's own files
// and follow links; they are written with Files.h.)
//
//   appendLines(path, text)   adds whole lines at the end, or nothing when
//                             a write fails; opened with O_NOFOLLOW
//   replaceFile(path, data)   puts a new file in place whole: a temporary
//                             beside it, renamed over it
//
// A folder, a device or a pipe where an output file goes is refused as
// well. Errors are the file statements' run-time errors: 52 for an empty
// path, 76 for a missing folder, 70 when access is refused, and 75 for
// anything that is not a regular file, with a description naming the path.
#pragma once

#include <string>
#include <string_view>

namespace rc::platform::output {

// Appends `text` (whole lines) to the regular file at `path`, creating it
// (mode 0644 less the umask) when missing. When the file's last line has no
// line end, CR LF is written first, so that `text` starts a line of its own.
void appendLines(std::string_view path, std::string_view text);

// appendLines of `line` followed by CR LF.
void appendLine(std::string_view path, std::string_view line);

// Makes `path` a regular file holding `data` (mode `mode` less the umask).
// Readers see the old content or the new one whole; a symbolic link at
// `path` is itself replaced and its target left as it was.
void replaceFile(std::string_view path, std::string_view data, unsigned mode = 0644);

// The same two for a path already in the system's own form, as a command
// line gives it: no drive-root forms, and a backslash is part of a name (a
// NUL is still refused, 52). A `durable` replacement reaches the device
// before it takes the old file's place; scratch output, which a run makes
// again each time, may skip that wait.
void appendLinesToNative(const std::string& native, std::string_view text);
void replaceNativeFile(const std::string& native, std::string_view data, unsigned mode = 0644, bool durable = true);

}  // namespace rc::platform::output
