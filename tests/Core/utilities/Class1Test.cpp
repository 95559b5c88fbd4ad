// Class1 as the file-retrieval tool reaches it: the machine name, program
// start, the folder picker and the tool's settings in the settings store.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "Core/frame/Register.h"
#include "platform/automation/Dispatch.h"
#include "tests/support/TestSupport.h"
#include "platform/automation/Error.h"
#include "platform/automation/Registry.h"
#include "platform/os/Files.h"
#include "platform/os/System.h"

namespace rc::testing {
namespace {

namespace au = rc::automation;
namespace fs = std::filesystem;

class Class1Test : public ::testing::Test {
 protected:
  void SetUp() override {
    rc::core::registerClasses();
    tool = au::createObject("RavelcrestCore.Class1");
  }
  std::string path(const std::string& name) const { return dir / name; }

  ScratchFolder dir;
  ScopedEnv registry{"RAVELCREST_REGISTRY", dir / "registry"};
  au::ObjectRef tool;
};

TEST_F(Class1Test, MachineNameHasUnderscoresForHyphens) {
  std::string expected = platform::computerName();
  for (char& c : expected)
    if (c == '-') c = '_';
  std::string name = au::call(tool, "CurrentMachineName").asString();
  EXPECT_EQ(name, expected);
  EXPECT_EQ(name.find('-'), std::string::npos);
}

TEST_F(Class1Test, SettingsRoundTripThroughTheStore) {
  EXPECT_EQ(au::call(tool, "cmdGetRegSetting", {au::Variant("NeverWritten")}).asString(), "");
  // The caller's variables become Strings, a number its text.
  std::vector<au::Variant> args{au::Variant("VX_FileRetrievalTool"), au::Variant("Options"), au::Variant("STVersion"),
                                au::Variant(20240131)};
  au::call(tool, "SaveRegSetting", args);
  EXPECT_EQ(args[3], au::Variant("20240131"));
  EXPECT_EQ(au::call(tool, "cmdGetDateCode").asString(), "20240131");
  std::vector<au::Variant> key{au::Variant("stversion")};
  EXPECT_EQ(au::call(tool, "cmdGetRegSetting", key).asString(), "20240131");

  // Another application's settings are not the tool's.
  au::call(tool, "SaveRegSetting",
           {au::Variant("OtherTool"), au::Variant("Options"), au::Variant("Folder"), au::Variant("/x")});
  EXPECT_EQ(au::call(tool, "cmdGetRegSetting", {au::Variant("Folder")}).asString(), "");

  const std::string text = platform::readFile(path("registry"));
  EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\VX_FileRetrievalTool\\Options]"),
            std::string::npos);
  struct stat st;
  ASSERT_EQ(::stat(path("registry").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(Class1Test, NullSettingArgumentsAreAConversionError) {
  EXPECT_EQ(errorNumber([&] { au::call(tool, "cmdGetRegSetting", {au::Variant::null()}); }), 13);
  EXPECT_EQ(errorNumber([&] {
              au::call(tool, "SaveRegSetting",
                       {au::Variant("A"), au::Variant("S"), au::Variant("K"), au::Variant::null()});
            }),
            13);
}

TEST_F(Class1Test, MyShellStartsAProgramAndReturnsAtOnce) {
  const std::string script = path("write it.sh");
  {
    std::ofstream out(script);
    out << "#!/bin/sh\nsleep 1\necho started > \"$1\"\n";
  }
  fs::permissions(script, fs::perms::owner_all);
  const std::string marker = path("marker.txt");
  au::call(tool, "MyShell", {au::Variant("\"" + script + "\" \"" + marker + "\"")});
  EXPECT_FALSE(fs::exists(marker));  // not waited for
  for (int i = 0; i < 100 && !fs::exists(marker); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ASSERT_TRUE(fs::exists(marker));
  for (int i = 0; i < 100 && platform::readFile(marker).empty(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(platform::readFile(marker), "started\n");
}

TEST_F(Class1Test, MyShellWithAMissingProgramRaisesFileNotFound) {
  EXPECT_EQ(errorNumber([&] { au::call(tool, "MyShell", {au::Variant(path("no such program") + " arg")}); }), 53);
  EXPECT_EQ(errorNumber([&] { au::call(tool, "MyShell", {au::Variant("ravelcrest-no-such-program-here")}); }), 53);
}

TEST_F(Class1Test, FolderPickerAnswersTheChosenPathOrNothing) {
  EXPECT_EQ(au::call(tool, "cmdGetPath").asString(), "");
  std::string title;
  platform::FolderPicker previous = platform::setFolderPicker([&](std::string_view t) {
    title = std::string(t);
    return std::string("/data/models\0   ", 16);
  });
  EXPECT_EQ(au::call(tool, "cmdGetPath").asString(), "/data/models");
  EXPECT_EQ(title, "Browse for folder");
  platform::setFolderPicker(std::move(previous));
}

}  // namespace
}  // namespace rc::testing
