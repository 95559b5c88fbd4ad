// Operating-system services the library uses besides files.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace rc::platform {

// Keeps freed blocks of up to 32 MiB (view captures, pictures) with the
// process for reuse instead of handing them back to the system after each
// use, so a run that allocates and frees such blocks for every document
// does not pay for fresh zeroed pages each time. Process-wide: a program
// calls it once at its start; the library never does.
void keepLargeBlocksForReuse();

// Milliseconds since an arbitrary start, 32 bits, wrapping (timeGetTime).
std::uint32_t tickCount();

// The computer's name (gethostname).
std::string computerName();

// Bytes free to the user on the file system that holds `folder`: that of
// its nearest existing ancestor, so a folder (or the drive root) not made
// yet answers for the file system it will be made on. An empty folder is
// the drive root.
std::uint64_t freeBytes(std::string_view folder);

// The full path of the running program's executable. Tests may replace it
// with setExecutablePathOverride("...") ("" restores the real one).
std::string executablePath();
void setExecutablePathOverride(std::string path);

// Splits a command line into arguments: blanks separate them, double quotes
// group, a doubled quote inside quotes is one quote.
std::vector<std::string> splitCommandLine(std::string_view commandLine);

// Starts a program without a shell and returns its process ID; 53 when the
// program does not exist or cannot be run, 5 for an empty command line. A
// program named without a separator is searched on PATH; one named with
// "\" or a drive letter goes through nativePath(). The program is not
// waited for; once ended it is reaped by a later call (or by the embedder's
// own waitpid). `windowStyle` is accepted for the caller's sake and has no
// effect here.
std::int32_t startProgram(std::string_view commandLine, int windowStyle = 1);

// The folder picker: the chosen folder, or "" when none was chosen. No
// interactive picker exists here unless a handler is installed.
using FolderPicker = std::function<std::string(std::string_view title)>;
std::string browseForFolder(std::string_view title);
FolderPicker setFolderPicker(FolderPicker picker);

// Processes pending window events (nothing to do here; a hook for tests).
void doEvents();

}  // namespace rc::platform
