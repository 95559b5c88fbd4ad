#include <gtest/gtest.h>

#include <sstream>

#include "platform/automation/Dispatch.h"
#include "tools/inspect/TypeLibraryText.h"

namespace rc::tools {
namespace {

using namespace rc::automation;

class Listed : public Dispatch {
 public:
  std::string Label;
  static const ClassInfo& info() {
    static const ClassInfo ci =
        ClassBuilder<Listed>("ListedLib", "clsListed")
            .progId("ListedLib.clsListed")
            .progId("Alias.clsListed")
            .ids("{00000000-0000-0000-0000-000000000001}", "_clsListed", "{00000000-0000-0000-0000-000000000002}")
            .field("Label", VarType::String, &Listed::Label)
            .method("Run", VarType::Void,
                    {byRef("strRet", VarType::String), byVal("quote", VarType::String).opt("say \"hi\""),
                     byVal("scale", VarType::Double).opt(0.5), byVal("flag", VarType::Boolean).opt(true),
                     byVal("extra", VarType::Variant).opt()},
                    [](Listed&, CallArgs&) { return Variant(); })
            .build();
    return ci;
  }
  const ClassInfo& typeInfo() const override { return info(); }
};

TEST(TypeLibraryText, ParametersShowPassingOptionalityAndDefaults) {
  const MemberInfo& run = Listed::info().members.at(2);
  EXPECT_EQ(paramText(run.params[0]), "ByRef strRet As String");
  EXPECT_EQ(paramText(run.params[1]), "Optional ByVal quote As String = \"say \"\"hi\"\"\"");
  EXPECT_EQ(paramText(run.params[2]), "Optional ByVal scale As Double = 0.5");
  EXPECT_EQ(paramText(run.params[3]), "Optional ByVal flag As Boolean = True");
  EXPECT_EQ(paramText(run.params[4]), "Optional ByVal extra As Variant");
}

TEST(TypeLibraryText, ListsClassesThenMembersInInterfaceOrder) {
  const ClassInfo* classes[] = {&Listed::info()};
  std::ostringstream out;
  writeTypeLibrary(out, {"ListedLib", "", ""}, classes);
  EXPECT_EQ(out.str(),
            "library ListedLib\n"
            "\n"
            "class clsListed\n"
            "  progid    ListedLib.clsListed\n"
            "  progid    Alias.clsListed\n"
            "  clsid     {00000000-0000-0000-0000-000000000001}\n"
            "  interface _clsListed {00000000-0000-0000-0000-000000000002}\n"
            "  get    Label() As String\n"
            "  let    Label(ByVal value As String)\n"
            "  method Run(ByRef strRet As String, Optional ByVal quote As String = \"say \"\"hi\"\"\", "
            "Optional ByVal scale As Double = 0.5, Optional ByVal flag As Boolean = True, "
            "Optional ByVal extra As Variant)\n");
}

TEST(TypeLibraryText, TheLibraryShowsItsVersionAndId) {
  const ClassInfo* classes[] = {&Listed::info()};
  std::ostringstream out;
  writeTypeLibrary(out, {"ListedLib", "2.1", "{00000000-0000-0000-0000-0000000000AA}"}, classes);
  EXPECT_TRUE(out.str().starts_with("library ListedLib\n"
                                    "  version   2.1\n"
                                    "  libid     {00000000-0000-0000-0000-0000000000AA}\n"
                                    "\n"
                                    "class clsListed\n"))
      << out.str();
}

}  // namespace
}  // namespace rc::tools
