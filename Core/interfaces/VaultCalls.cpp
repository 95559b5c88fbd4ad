#include "Core/interfaces/VaultCalls.h"

#include <algorithm>

#include "platform/automation/Error.h"
#include "platform/os/Paths.h"

namespace rc::core::vault {

namespace au = rc::automation;

std::string DocumentName(const au::ObjectRef& doc) { return au::call(doc, "Name").toText(); }
std::string DocumentRevision(const au::ObjectRef& doc) { return au::call(doc, "Revision").toText(); }
std::int32_t DocumentSize(const au::ObjectRef& doc) { return au::call(doc, "Size").toLong(); }

bool IsPlainDocumentName(std::string_view name) {
  if (name.empty() || name.size() > kMaxDocumentNameBytes || name.find("..") != std::string_view::npos) return false;
  return std::none_of(name.begin(), name.end(), [](char c) {
    auto u = static_cast<unsigned char>(c);
    return platform::isSeparator(c) || u < 0x20 || u == 0x7f;
  });
}

au::ObjectRef GetSpecificDocument(const au::ObjectRef& connection, std::string_view name) {
  if (connection && !IsPlainDocumentName(name)) return nullptr;
  return au::callObject(connection, "GetSpecificDocument", name);
}

au::ObjectRef GetSpecificDocument(const au::ObjectRef& connection, std::string_view name,
                                  std::string_view revision) {
  if (connection && !IsPlainDocumentName(name)) return nullptr;
  return au::callObject(connection, "GetSpecificDocument", name, revision);
}

au::ObjectRef AdminInterface(const au::ObjectRef& connection) {
  if (!connection) return nullptr;
  return connection->queryInterface("IKstdAdmin");
}

std::vector<au::Variant> CollectionItems(const au::ObjectRef& collection) {
  if (!collection) au::raise(au::err::ObjectNotSet);
  std::optional<std::vector<au::Variant>> items = collection->enumerate();
  if (!items) au::raise(au::err::NotSupported);
  return std::move(*items);
}

}  // namespace rc::core::vault
