#include "Core/vault/DocumentFiles.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "Core/interfaces/VaultCalls.h"
#include "platform/automation/Error.h"
#include "platform/os/Paths.h"

namespace rc::core::vault {

namespace {

constexpr double kSpaceMargin = 3000.0;

std::string lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace

std::string GetFileType(std::string_view docNameIn) {
  std::string_view name = platform::fileName(docNameIn);
  std::size_t dot = name.rfind('.');
  std::string ext = dot == std::string_view::npos ? std::string() : lower(name.substr(dot + 1));
  static constexpr std::pair<std::string_view, std::string_view> kTypes[] = {
      {"asm", "VX_ASSEMBLY_TYPE_OLD"}, {"vxlasm", "VX_ASSEMBLY_TYPE"}, {"prt", "VX_PART_TYPE_OLD"},
      {"vxlprt", "VX_PART_TYPE"},      {"drw", "VX_DRAWING_TYPE_OLD"}, {"vxldrw", "VX_DRAWING_TYPE"},
      {"vxllfp", "VX_LIBFEATPART_EXT"},
  };
  for (const auto& [e, type] : kTypes)
    if (ext == e) return std::string(type);
  return "";
}

int HostDocumentType(std::string_view fileType) {
  if (fileType == "VX_PART_TYPE_OLD" || fileType == "VX_PART_TYPE") return 1;
  if (fileType == "VX_ASSEMBLY_TYPE_OLD" || fileType == "VX_ASSEMBLY_TYPE") return 2;
  if (fileType == "VX_DRAWING_TYPE_OLD" || fileType == "VX_DRAWING_TYPE") return 3;
  return 0;
}

std::string RefusedNameText(std::string_view name) {
  return "Refused vault document name '" + std::string(name) + "': not a plain file name";
}

std::string BackupFilePath(std::string_view local, std::string_view revision) {
  std::string name(platform::fileName(local));
  name += kBackupMarker;
  name += revision;
  if (!IsPlainDocumentName(name)) automation::raise(automation::err::BadFileNameOrNumber, name);
  return std::string(local) + std::string(kBackupMarker) + std::string(revision);
}

bool IsBackupFileName(std::string_view fileName) {
  return lower(platform::fileName(fileName)).find(kBackupMarker) != std::string::npos;
}

std::string LocalFilePath(std::string_view folder, std::string_view name) {
  return platform::nativePath(platform::joinPath(folder, name));
}

std::string LocalFolder(std::string_view folder) {
  return folder.empty() ? platform::driveRoot() : platform::nativePath(folder);
}

double FreeBytesToDouble(std::uint64_t bytes) {
  const double low = static_cast<double>(static_cast<std::uint32_t>(bytes));
  const double high = static_cast<double>(static_cast<std::uint32_t>(bytes >> 32));
  return low + high * 4294967296.0;
}

bool EnoughSizeOnDisk(double sizeNeeded, std::string_view folder, const FreeBytesQuery& freeBytes,
                      const std::function<void()>& cleanUp) {
  if (sizeNeeded + kSpaceMargin <= FreeBytesToDouble(freeBytes(folder))) return true;
  if (!cleanUp) return false;
  cleanUp();
  return sizeNeeded + kSpaceMargin <= FreeBytesToDouble(freeBytes(folder));
}

}  // namespace rc::core::vault
