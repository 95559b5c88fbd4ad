// The document types as the host's GetType answers them (a Long), and the
// file extensions of the host's documents.
#pragma once

#include <cstdint>
#include <string_view>

namespace rc::core {

// Unscoped so that a host's answer compares with it directly:
// au::call(doc, "GetType").toLong() == kPart.
enum DocumentType : std::int32_t { kPart = 1, kAssembly = 2, kDrawing = 3 };

// A document file's extension and what it stands for: the file-type name
// the vault's tasks give it (GetFileType) and the type the host opens it as.
struct DocumentExtension {
  std::string_view extension;  // lower case, without the dot
  std::string_view fileType;
  DocumentType hostType;
};

// The file-type name of library feature parts. The host opens them as parts
// (and the check harness checks them as such), but the vault's tasks never
// open one: HostDocumentType (Core/vault/DocumentFiles.h) answers 0 for it.
inline constexpr std::string_view kLibraryFeaturePartType = "VX_LIBFEATPART_EXT";

// Every extension of the host's documents. (The simulated host, a program
// of its own, keeps its own list.)
inline constexpr DocumentExtension kDocumentExtensions[] = {
    {"asm", "VX_ASSEMBLY_TYPE_OLD", kAssembly}, {"vxlasm", "VX_ASSEMBLY_TYPE", kAssembly},
    {"prt", "VX_PART_TYPE_OLD", kPart},         {"vxlprt", "VX_PART_TYPE", kPart},
    {"drw", "VX_DRAWING_TYPE_OLD", kDrawing},   {"vxldrw", "VX_DRAWING_TYPE", kDrawing},
    {"vxllfp", kLibraryFeaturePartType, kPart},
};

// The entry of `extension` (without the dot, in any case), or null when it
// is none of the host's.
constexpr const DocumentExtension* findDocumentExtension(std::string_view extension) {
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  for (const DocumentExtension& e : kDocumentExtensions) {
    if (e.extension.size() != extension.size()) continue;
    bool same = true;
    for (std::size_t i = 0; same && i < extension.size(); ++i) same = lower(extension[i]) == e.extension[i];
    if (same) return &e;
  }
  return nullptr;
}

}  // namespace rc::core
