#include "Core/interfaces/ImageComponents.h"

#include "platform/automation/Registry.h"

namespace rc::core {

namespace au = rc::automation;

au::ObjectRef newPictureHolder() { return au::createObject("StdPictures.PictureBox"); }

au::ObjectRef LoadPicture(std::string_view fileName) {
  au::ObjectRef functions = au::createObject("StdPictures.Functions");
  if (fileName.empty()) return au::callObject(functions, "LoadPicture");
  return au::callObject(functions, "LoadPicture", fileName);
}

void SavePicture(const au::ObjectRef& picture, std::string_view fileName) {
  au::ObjectRef functions = au::createObject("StdPictures.Functions");
  au::call(functions, "SavePicture", picture, fileName);
}

au::ObjectRef newCbfPacker() { return au::createObject("ActiveCBF.TCBF"); }
au::ObjectRef gifConverter() { return au::createObject("XGIF1"); }
au::ObjectRef jpegConverter() { return au::createObject("XJPG1"); }

}  // namespace rc::core
