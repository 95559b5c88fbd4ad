// The identities of the library's classes: ProgIDs, class IDs, interfaces.
#pragma once

#include <string_view>

#include "platform/automation/TypeInfo.h"

namespace rc::core {

inline constexpr std::string_view kLibraryName = "RavelcrestCore";
inline constexpr std::string_view kLibraryId = "{AD446D84-0D8B-4A11-90CE-B486C9556F20}";
inline constexpr std::string_view kLibraryVersion = "1.0";

struct ClassIds {
  std::string_view name;
  std::string_view clsid;
  std::string_view iid;
  std::string_view alias;  // the second ProgID under "VxlClasses", if any
};

namespace ids {
inline constexpr ClassIds clsApplication{"clsApplication", "{DBBFA89C-B077-4BAE-8CBF-26CE3DA305D9}", "{19AD7D17-08D8-4C6D-BEAB-03FC23C3DC1F}", ""};
inline constexpr ClassIds clsPropertyManager{"clsPropertyManager", "{96670D9F-EA1D-4C4E-8F72-F64124F84DF5}", "{16437D18-42DE-48BF-9244-6BA4C1F035DB}", "VxlClasses.clsPropertyManager"};
inline constexpr ClassIds clsBitmap{"clsBitmap", "{043836DA-7A23-4986-83A8-48AA722BFC29}", "{D5F85BEA-46E4-4F9A-93AC-E45AC147F308}", "VxlClasses.clsBitmap"};
inline constexpr ClassIds clsGrfConvert{"clsGrfConvert", "{469A4A5B-D610-46EB-B307-DFAE8F5E0A6A}", "{7DF94042-90E9-49CF-9D2D-3BF22C6F3132}", "vxlClasses.clsGrfConvert"};
inline constexpr ClassIds Class1{"Class1", "{91CA7424-1A12-4B12-8199-3C34F201CC41}", "{D13BBD7B-5233-432C-8B56-1B697477223A}", ""};
inline constexpr ClassIds clsKstdUpdate{"clsKstdUpdate", "{DE046137-AAD9-4F2E-92A2-7EE9DE561813}", "{B972533D-213C-4F46-B09B-F48BCF9B3D3B}", ""};
inline constexpr ClassIds clsKstdPrint{"clsKstdPrint", "{7CA8DEDA-CA2C-42A8-AECA-97ACDA805D18}", "{1144475A-A929-4247-9112-3C8AD841602B}", ""};
}  // namespace ids

// Sets the ProgIDs ("RavelcrestCore.<class>" and the alias), class ID,
// interface name ("_<class>") and interface ID of a class being built.
template <typename T>
void applyIds(automation::ClassBuilder<T>& b, const ClassIds& id) {
  b.progId(std::string(kLibraryName) + "." + std::string(id.name));
  if (!id.alias.empty()) b.progId(std::string(id.alias));
  b.ids(std::string(id.clsid), "_" + std::string(id.name), std::string(id.iid));
}

}  // namespace rc::core
