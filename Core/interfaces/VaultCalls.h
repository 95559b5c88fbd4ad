// The vault's members as the update and print tasks call them: late-bound,
// by name, on the objects "Keystead.KstdConnection" hands out.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/automation/Dispatch.h"

namespace rc::core::vault {

// Name, Revision and Size of a vault document.
std::string DocumentName(const automation::ObjectRef& doc);
std::string DocumentRevision(const automation::ObjectRef& doc);
std::int32_t DocumentSize(const automation::ObjectRef& doc);

// Whether `name` is a plain file name the vault takes as a document name:
// not empty, at most kMaxDocumentNameBytes, no folder part, no "/" or "\",
// no "..", no control character. Other names are never fetched.
inline constexpr std::size_t kMaxDocumentNameBytes = 255;
bool IsPlainDocumentName(std::string_view name);

// GetSpecificDocument(name) and GetSpecificDocument(name, revision): the
// document, or Nothing when the vault has none. A name that is not plain is
// not asked for: the vault has no such document.
automation::ObjectRef GetSpecificDocument(const automation::ObjectRef& connection, std::string_view name);
automation::ObjectRef GetSpecificDocument(const automation::ObjectRef& connection, std::string_view name,
                                          std::string_view revision);

// The connection's administration interface "IKstdAdmin", or Nothing.
automation::ObjectRef AdminInterface(const automation::ObjectRef& connection);

// The entries of a vault collection (references, Revisions) in order.
std::vector<automation::Variant> CollectionItems(const automation::ObjectRef& collection);

}  // namespace rc::core::vault
