// Class1: workstation utilities for the harness's file-retrieval tool: the
// machine's name, program start, folder browsing, the tool's settings and
// fetching a test document in flat form. It keeps no state.
#pragma once

#include <cstdint>
#include <string>

#include "Core/utilities/ObjectSafety.h"
#include "platform/automation/Dispatch.h"

namespace rc::core {

class Class1 : public automation::Dispatch, public ObjectSafety {
 public:
  Class1() : ObjectSafety(/*acceptUnknown=*/true) {}
  static const automation::ClassInfo& classInfo();
  const automation::ClassInfo& typeInfo() const override { return classInfo(); }
  automation::ObjectRef queryInterface(std::string_view interfaceName) override;

  // The computer's name with every "-" turned into "_"; "" when unreadable.
  static std::string CurrentMachineName();
  // Starts the command line as a program and returns at once; 53 when the
  // program is missing.
  static void MyShell(const std::string& Cmd);
  // The folder the user chose, or "" (also where there is no picker).
  static std::string cmdGetPath();
  // The tool's setting `key` in section "Options", or "".
  static std::string cmdGetRegSetting(const automation::Variant& tmpPath);
  // The stored date code (the setting "STVersion").
  static std::string cmdGetDateCode();
  // Converts the four arguments to Strings in place, then stores the setting.
  static void SaveRegSetting(automation::Variant& tmpAppName, automation::Variant& tmpSection,
                             automation::Variant& tmpKey, automation::Variant& tmpSetting);
  // Copies the document `tmpFile` (relative to CopyFromPath; a leading
  // separator is put in front of the caller's variable) and what it
  // references into CopyToPath without its folders; the copier's answer is
  // dropped.
  static void GetFiles(automation::Variant& tmpFile, const automation::Variant& CopyToPath,
                       const automation::Variant& CopyFromPath, const automation::Variant& BaselinePath,
                       std::int16_t chkBaseLine);
};

}  // namespace rc::core
