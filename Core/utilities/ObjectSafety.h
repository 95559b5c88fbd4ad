// IObjectSafety: how an object tells a scripting host whether it is safe to
// script and to initialise from untrusted data. Reached on an object through
// queryInterface("IObjectSafety"); results are HRESULTs.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/automation/Dispatch.h"

namespace rc::core {

using HRESULT = std::int32_t;
inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);

inline constexpr std::int32_t INTERFACESAFE_FOR_UNTRUSTED_CALLER = 1;
inline constexpr std::int32_t INTERFACESAFE_FOR_UNTRUSTED_DATA = 2;

// A 16-byte interface ID.
struct GUID {
  std::uint32_t Data1 = 0;
  std::uint16_t Data2 = 0;
  std::uint16_t Data3 = 0;
  std::uint8_t Data4[8] = {};
};

// The registry-format text of `id`: "{00020400-0000-0000-C000-000000000046}".
std::string StringFromGUID2(const GUID& id);

class IObjectSafety {
 public:
  // Supported options are always both bits; `riid` null: success, enabled
  // untouched. Recognised interfaces report the library-wide flag's bit.
  virtual HRESULT GetInterfaceSafetyOptions(const GUID* riid, std::int32_t* pdwSupportedOptions,
                                            std::int32_t* pdwEnabledOptions) = 0;
  // Succeeds only when the requested bit matches an interface whose flag is
  // set; nothing is stored.
  virtual HRESULT SetInterfaceSafetyOptions(const GUID* riid, std::int32_t dwOptionsSetMask,
                                            std::int32_t dwEnabledOptions) = 0;

 protected:
  ~IObjectSafety() = default;
};

// The two library-wide safety flags. Both are False and nothing changes them.
struct ObjectSafetyFlags {
  bool safeForScripting = false;
  bool safeForInitializing = false;
};
const ObjectSafetyFlags& objectSafetyFlags();

// The library's IObjectSafety. `acceptUnknown`: SetInterfaceSafetyOptions
// accepts an unrecognised interface without error (Class1) instead of
// answering E_NOINTERFACE (clsGrfConvert).
class ObjectSafety : public IObjectSafety {
 public:
  explicit ObjectSafety(bool acceptUnknown) : acceptUnknown_(acceptUnknown) {}
  HRESULT GetInterfaceSafetyOptions(const GUID* riid, std::int32_t* pdwSupportedOptions,
                                    std::int32_t* pdwEnabledOptions) override;
  HRESULT SetInterfaceSafetyOptions(const GUID* riid, std::int32_t dwOptionsSetMask,
                                    std::int32_t dwEnabledOptions) override;

 protected:
  ~ObjectSafety() = default;

 private:
  bool acceptUnknown_;
};

// Whether `interfaceName` asks for IObjectSafety (any case).
bool isObjectSafetyName(std::string_view interfaceName);

// queryInterface of a class that implements IObjectSafety: the object itself
// for "IObjectSafety", otherwise what Dispatch answers.
automation::ObjectRef queryWithObjectSafety(automation::Dispatch& object, std::string_view interfaceName);

// The IObjectSafety of `obj` through queryInterface("IObjectSafety"), or
// nullptr when the object has none.
IObjectSafety* objectSafetyOf(const automation::ObjectRef& obj);

}  // namespace rc::core
