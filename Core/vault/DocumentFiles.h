// Local files of vault documents: their type by extension, the plain-name
// rule, backup copies and the room they need on disk.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace rc::core::vault {

// The document-type name of a file's extension ("VX_PART_TYPE", ...), or ""
// when the extension is none of the host's.
std::string GetFileType(std::string_view docNameIn);

// The host's document type for a file type name: 1 part, 2 assembly,
// 3 drawing; 0 for a type the tasks do not open in the host: one that is
// not the host's, and library feature parts (kLibraryFeaturePartType).
int HostDocumentType(std::string_view fileType);

// The refusal text for a document name that is not plain.
std::string RefusedNameText(std::string_view name);

// The marker in the file name of a backup copy: "<name>_bk_<revision>".
inline constexpr std::string_view kBackupMarker = "_bk_";
// The backup copy of the local file `local` for `revision`. A revision
// whose backup name would not be a plain file name ("/", "\", "..") is
// refused with 52 (Bad file name or number): the copy never lands outside
// the task's folder.
std::string BackupFilePath(std::string_view local, std::string_view revision);
// Whether the file name (not its folder) holds the marker, in any case.
bool IsBackupFileName(std::string_view fileName);

// The local file of a document: the folder and the name joined, in native
// form (the vault is handed it as it is).
std::string LocalFilePath(std::string_view folder, std::string_view name);
// The task's folder in native form; an empty folder is the drive root, as
// in LocalFilePath.
std::string LocalFolder(std::string_view folder);

// Bytes free to the user on the folder's file system (replaceable in tests).
using FreeBytesQuery = std::function<std::uint64_t(std::string_view folder)>;

// An unsigned 64-bit byte count as a double, from its two 32-bit halves.
double FreeBytesToDouble(std::uint64_t bytes);

// Whether `sizeNeeded` plus a 3000-byte margin fits in `folder`; when it
// does not, runs `cleanUp` (when given) and measures once more. Errors are
// raised.
bool EnoughSizeOnDisk(double sizeNeeded, std::string_view folder, const FreeBytesQuery& freeBytes,
                      const std::function<void()>& cleanUp);

}  // namespace rc::core::vault
