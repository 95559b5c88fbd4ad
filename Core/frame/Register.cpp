#include "Core/frame/Register.h"

#include <memory>

#include "Core/frame/ClassIds.h"
#include "Core/frame/clsApplication.h"
#include "Core/imaging/clsBitmap.h"
#include "Core/imaging/clsGrfConvert.h"
#include "Core/properties/clsPropertyManager.h"
#include "Core/utilities/Class1.h"
#include "Core/vault/clsKstdPrint.h"
#include "Core/vault/clsKstdUpdate.h"
#include "platform/automation/Registry.h"

namespace rc::core {

namespace {

// Registers every ProgID of class T.
template <typename T>
void registerEach() {
  const automation::ClassInfo& info = T::classInfo();
  for (const std::string& progId : info.progIds)
    automation::registerClass(progId, info, [] { return std::make_shared<T>(); });
}

}  // namespace

void registerClasses() {
  automation::registerLibrary({std::string(kLibraryName), std::string(kLibraryVersion), std::string(kLibraryId)});
  registerEach<clsApplication>();
  registerEach<clsPropertyManager>();
  registerEach<clsBitmap>();
  registerEach<clsGrfConvert>();
  registerEach<Class1>();
  registerEach<clsKstdUpdate>();
  registerEach<clsKstdPrint>();
}

}  // namespace rc::core
