// Paths as the library is given them: "/" or "\" as separator, possibly a
// drive prefix ("C:\models") or a drive-root form ("\TraceLog.log").
//
// The drive root is $RAVELCREST_DRIVE_ROOT, by default
// ${XDG_STATE_HOME:-~/.local/state}/ravelcrest; a path that starts with one
// separator, or with a drive letter and a colon, lies under it.
#pragma once

#include <string>
#include <string_view>

namespace rc::platform {

inline bool isSeparator(char c) { return c == '/' || c == '\\'; }

// The folder that stands for the root of the current drive (not created).
// It is never "/": a $RAVELCREST_DRIVE_ROOT of only separators is ignored.
std::string driveRoot();

// Whether `path` holds a NUL character (and so names no file).
inline bool holdsNul(std::string_view path) { return path.find('\0') != std::string_view::npos; }

// The native form of `path`: "\" becomes "/", the drive-root forms are
// placed under driveRoot(). A relative path stays relative. A path holding
// a NUL raises 52 (Bad file name or number): every file service of the
// platform layer passes its paths through here before it opens anything.
std::string nativePath(std::string_view path);

// Joins a folder and a name with "/"; an empty folder stands for the drive
// root. Separators at the join are not doubled.
std::string joinPath(std::string_view folder, std::string_view name);

// The position of the last separator ("/" or "\") in `path`, or npos.
std::size_t lastSeparator(std::string_view path);

// The file name of `path` (the text after the last separator).
std::string_view fileName(std::string_view path);

// The folder of `path` (the text before the last separator; "" when none).
std::string_view folderOf(std::string_view path);

}  // namespace rc::platform
