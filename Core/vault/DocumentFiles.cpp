#include "Core/vault/DocumentFiles.h"

#include <algorithm>
#include <cctype>

#include "Core/interfaces/DocumentType.h"
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
  const DocumentExtension* e = findDocumentExtension(dot == std::string_view::npos ? "" : name.substr(dot + 1));
  return e == nullptr ? "" : std::string(e->fileType);
}

int HostDocumentType(std::string_view fileType) {
  // A library feature part is a part to the host, but no task opens one.
  if (fileType == kLibraryFeaturePartType) return 0;
  for (const DocumentExtension& e : kDocumentExtensions)
    if (e.fileType == fileType) return e.hostType;
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
