#include "Core/utilities/ObjectSafety.h"

#include <cctype>
#include <cstdio>

namespace rc::core {

namespace {

enum class Recognised { None, Scripting, Initialising };

// What the interface ID stands for, compared as upper-case registry text.
Recognised recognise(const GUID& riid) {
  std::string text = StringFromGUID2(riid);
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (text == "{00020400-0000-0000-C000-000000000046}") return Recognised::Scripting;  // IDispatch
  if (text == "{0000010A-0000-0000-C000-000000000046}" ||                               // IPersistStorage
      text == "{00000109-0000-0000-C000-000000000046}" ||                               // IPersistStream
      text == "{37D84F60-42CB-11CE-8135-00AA004BB851}")                                 // IPersistPropertyBag
    return Recognised::Initialising;
  return Recognised::None;
}

}  // namespace

std::string StringFromGUID2(const GUID& id) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", id.Data1, id.Data2, id.Data3,
                id.Data4[0], id.Data4[1], id.Data4[2], id.Data4[3], id.Data4[4], id.Data4[5], id.Data4[6],
                id.Data4[7]);
  return buf;
}

const ObjectSafetyFlags& objectSafetyFlags() {
  static const ObjectSafetyFlags flags;
  return flags;
}

HRESULT ObjectSafety::GetInterfaceSafetyOptions(const GUID* riid, std::int32_t* pdwSupportedOptions,
                                                std::int32_t* pdwEnabledOptions) {
  if (pdwSupportedOptions != nullptr)
    *pdwSupportedOptions = INTERFACESAFE_FOR_UNTRUSTED_CALLER | INTERFACESAFE_FOR_UNTRUSTED_DATA;
  if (riid == nullptr) return S_OK;
  const ObjectSafetyFlags& flags = objectSafetyFlags();
  std::int32_t enabled = 0;
  switch (recognise(*riid)) {
    case Recognised::Scripting: enabled = flags.safeForScripting ? INTERFACESAFE_FOR_UNTRUSTED_CALLER : 0; break;
    case Recognised::Initialising: enabled = flags.safeForInitializing ? INTERFACESAFE_FOR_UNTRUSTED_DATA : 0; break;
    case Recognised::None: return E_NOINTERFACE;
  }
  if (pdwEnabledOptions != nullptr) *pdwEnabledOptions = enabled;
  return S_OK;
}

HRESULT ObjectSafety::SetInterfaceSafetyOptions(const GUID* riid, std::int32_t dwOptionsSetMask,
                                                std::int32_t dwEnabledOptions) {
  if (riid == nullptr) return S_OK;
  const ObjectSafetyFlags& flags = objectSafetyFlags();
  const std::int32_t requested = dwOptionsSetMask & dwEnabledOptions;
  switch (recognise(*riid)) {
    case Recognised::Scripting:
      return requested == INTERFACESAFE_FOR_UNTRUSTED_CALLER && flags.safeForScripting ? S_OK : E_FAIL;
    case Recognised::Initialising:
      return requested == INTERFACESAFE_FOR_UNTRUSTED_DATA && flags.safeForInitializing ? S_OK : E_FAIL;
    case Recognised::None: break;
  }
  return acceptUnknown_ ? S_OK : E_NOINTERFACE;
}

bool isObjectSafetyName(std::string_view interfaceName) {
  constexpr std::string_view kName = "IObjectSafety";
  if (interfaceName.size() != kName.size()) return false;
  for (std::size_t i = 0; i < kName.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(interfaceName[i])) != std::tolower(static_cast<unsigned char>(kName[i])))
      return false;
  return true;
}

automation::ObjectRef queryWithObjectSafety(automation::Dispatch& object, std::string_view interfaceName) {
  return isObjectSafetyName(interfaceName) ? object.self() : object.Dispatch::queryInterface(interfaceName);
}

IObjectSafety* objectSafetyOf(const automation::ObjectRef& obj) {
  if (!obj) return nullptr;
  automation::ObjectRef found = obj->queryInterface("IObjectSafety");
  return dynamic_cast<IObjectSafety*>(found.get());
}

}  // namespace rc::core
