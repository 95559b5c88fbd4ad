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

#include <functional>
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

// replaceFile of the bytes `produce` hands the writer it is given, a block
// at a time, in order: a large file made without a buffer of its own. An
// exception from `produce` leaves the old file as it was.
using BlockWriter = std::function<void(std::string_view block)>;
using BlockProducer = std::function<void(const BlockWriter& write)>;
void replaceFileFrom(std::string_view path, const BlockProducer& produce, unsigned mode = 0644);

// The same two for a path already in the system's own form, as a command
// line gives it: no drive-root forms, and a backslash is part of a name (a
// NUL is still refused, 52). A `durable` replacement reaches the device
// before it takes the old file's place; scratch output, which a run makes
// again each time, may skip that wait.
void appendLinesToNative(const std::string& native, std::string_view text);
void replaceNativeFile(const std::string& native, std::string_view data, unsigned mode = 0644, bool durable = true);

// Whether `native` is a regular file (not a link) holding exactly `data`.
// Anything else, or a file that cannot be read, answers false.
bool holdsExactly(const std::string& native, std::string_view data);

// The writes below change a file in place instead of replacing it, so no
// file is made or removed (on a disk every new file costs more the more
// files were removed lately). They only touch a regular file of this user
// with one name, found without following a link, and no more open to
// others than `mode` would make it; for anything else (missing, a link, a
// folder, a second name) they answer false and leave the path as it was,
// for the caller to replace it.

// Empties the file in place: descriptors kept open on it (appends) go on
// writing to it, from its start.
bool emptyInPlace(const std::string& native, unsigned mode = 0644);

// Gives the file the content `data` in place (nothing is written when it
// holds `data` already). Not atomic: for scratch output read only by the
// run that writes it. A write that fails removes the file and raises.
bool rewriteInPlace(const std::string& native, std::string_view data, unsigned mode = 0644);

}  // namespace rc::platform::output
