#include "Core/frame/FolderBrowser.h"

#include "platform/os/System.h"

namespace rc::core {

std::string BrowseForFolder(automation::Variant& title) {
  title = title.toText();
  std::string chosen = platform::browseForFolder(title.asString());
  return chosen.substr(0, chosen.find('\0'));
}

}  // namespace rc::core
