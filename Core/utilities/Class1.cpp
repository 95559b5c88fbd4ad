#include "Core/utilities/Class1.h"

#include "Core/copier/DocumentCopier.h"
#include "Core/frame/ClassIds.h"
#include "Core/frame/FolderBrowser.h"
#include "Core/frame/TraceLog.h"
#include "platform/os/Paths.h"
#include "platform/os/SettingsStore.h"
#include "platform/os/System.h"

namespace rc::core {

namespace au = rc::automation;
using au::VarType;

namespace {

constexpr std::string_view kToolName = "VX_FileRetrievalTool";
constexpr std::string_view kSection = "Options";
// Minimised, with the focus.
constexpr int kMinimizedFocus = 2;

// The caller's variable converted to a String in place; its text.
const std::string& toStringInPlace(au::Variant& v) {
  v = v.toText();
  return v.asString();
}

}  // namespace

au::ObjectRef Class1::queryInterface(std::string_view interfaceName) {
  return queryWithObjectSafety(*this, interfaceName);
}

std::string Class1::CurrentMachineName() {
  std::string name = platform::computerName();
  for (char& c : name)
    if (c == '-') c = '_';
  return name;
}

void Class1::MyShell(const std::string& Cmd) { platform::startProgram(Cmd, kMinimizedFocus); }

std::string Class1::cmdGetPath() {
  au::Variant title("Browse for folder");
  return BrowseForFolder(title);
}

std::string Class1::cmdGetRegSetting(const au::Variant& tmpPath) {
  const std::string key = tmpPath.toText();
  platform::SettingsStore store;
  return store.get(platform::SettingsStore::appSettingsKey(kToolName, kSection), key).value_or("");
}

std::string Class1::cmdGetDateCode() { return cmdGetRegSetting("STVersion"); }

void Class1::SaveRegSetting(au::Variant& tmpAppName, au::Variant& tmpSection, au::Variant& tmpKey,
                            au::Variant& tmpSetting) {
  const std::string app = toStringInPlace(tmpAppName);
  const std::string section = toStringInPlace(tmpSection);
  const std::string key = toStringInPlace(tmpKey);
  const std::string setting = toStringInPlace(tmpSetting);
  platform::SettingsStore store;
  store.set(platform::SettingsStore::appSettingsKey(app, section), key, setting);
}

void Class1::GetFiles(au::Variant& tmpFile, const au::Variant& CopyToPath, const au::Variant& CopyFromPath,
                      const au::Variant& BaselinePath, std::int16_t chkBaseLine) {
  std::string file = tmpFile.toText();
  if (file.empty() || !platform::isSeparator(file.front())) tmpFile = "/" + file;
  std::string relPath = tmpFile.toText();
  std::int16_t level = 0;
  CopyDocumentTree(relPath, CopyToPath.toText(), level, CopyFromPath.toText(), BaselinePath.toText(), chkBaseLine,
                   0, false, [](std::string_view line) { WriteModuleTrace(line); });
}

const au::ClassInfo& Class1::classInfo() {
  static const au::ClassInfo info = [] {
    au::ClassBuilder<Class1> b(kLibraryName, "Class1");
    applyIds(b, ids::Class1);
    b.method("CurrentMachineName", VarType::String, {},
             [](Class1&, au::CallArgs&) { return CurrentMachineName(); });
    b.method("MyShell", VarType::Void, {au::byRef("Cmd", VarType::String)}, [](Class1&, au::CallArgs& a) {
      MyShell(a[0].asString());
    });
    b.method("cmdGetPath", VarType::String, {}, [](Class1&, au::CallArgs&) { return cmdGetPath(); });
    b.method("cmdGetRegSetting", VarType::String, {au::byRef("tmpPath", VarType::Variant)},
             [](Class1&, au::CallArgs& a) { return cmdGetRegSetting(a[0]); });
    b.method("cmdGetDateCode", VarType::String, {},
             [](Class1&, au::CallArgs&) { return cmdGetDateCode(); });
    b.method("SaveRegSetting", VarType::Void,
             {au::byRef("tmpAppName", VarType::Variant), au::byRef("tmpSection", VarType::Variant),
              au::byRef("tmpKey", VarType::Variant), au::byRef("tmpSetting", VarType::Variant)},
             [](Class1&, au::CallArgs& a) {
               SaveRegSetting(a[0], a[1], a[2], a[3]);
             });
    b.method("GetFiles", VarType::Void,
             {au::byRef("tmpFile", VarType::Variant), au::byRef("CopyToPath", VarType::Variant),
              au::byRef("CopyFromPath", VarType::Variant), au::byRef("BaselinePath", VarType::Variant),
              au::byRef("chkBaseLine", VarType::Integer)},
             [](Class1&, au::CallArgs& a) {
               GetFiles(a[0], a[1], a[2], a[3], a[4].asInteger());
             });
    return b.build();
  }();
  return info;
}

}  // namespace rc::core
