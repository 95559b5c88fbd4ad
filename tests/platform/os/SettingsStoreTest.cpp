#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>

#include "platform/automation/Error.h"
#include "platform/os/Files.h"
#include "platform/os/SettingsStore.h"
#include "tests/support/StoreWriters.h"
#include "tests/support/TestSupport.h"

namespace rc::platform {
namespace {

namespace err = rc::automation::err;

using rc::testing::errorNumber;
using rc::testing::ScopedEnv;
using rc::testing::ScratchFolder;

const char kKeystead[] = "HKEY_CURRENT_USER\\Software\\Vexlar\\Vexlar 2007\\Keystead";

TEST(SettingsStore, ValuesRoundTripWhateverTheirText) {
  ScratchFolder dir;
  SettingsStore store(dir / "sub/registry");
  EXPECT_EQ(store.get(kKeystead, "TempAdminUser"), std::nullopt);

  const std::string awkward = "a \"quoted\" \\ back\\slash\r\nnew line\ttab \x01 end\\";
  store.set(kKeystead, "TempAdminUser", "admin");
  store.set(kKeystead, "Odd \"name\"", awkward);
  store.set(kKeystead, "Empty", "");
  store.set(SettingsStore::appSettingsKey("VX_FileRetrievalTool", "Options"), "STVersion", "2024.03");

  SettingsStore again(dir / "sub/registry");
  EXPECT_EQ(again.get(kKeystead, "TempAdminUser"), "admin");
  EXPECT_EQ(again.get(kKeystead, "Odd \"name\""), awkward);
  EXPECT_EQ(again.get(kKeystead, "Empty"), "");
  EXPECT_EQ(again.get("HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\VX_FileRetrievalTool\\Options", "STVersion"),
            "2024.03");
  EXPECT_EQ(again.names(kKeystead), (std::vector<std::string>{"TempAdminUser", "Odd \"name\"", "Empty"}));

  // The file is one line per value, readable by a person.
  std::string text = readFile(store.path());
  EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\Vexlar\\Vexlar 2007\\Keystead]\n"), std::string::npos);
  EXPECT_NE(text.find("\"TempAdminUser\"=\"admin\"\n"), std::string::npos);
}

TEST(SettingsStore, KeysAndNamesIgnoreCaseAndATrailingBackslash) {
  ScratchFolder dir;
  SettingsStore store(dir / "registry");
  store.set(std::string(kKeystead) + "\\", "TempAdminUser", "one");
  EXPECT_EQ(store.get("hkey_current_user\\SOFTWARE\\vexlar\\VEXLAR 2007\\keystead", "tempadminuser"), "one");
  store.set("HKEY_CURRENT_USER\\software\\vexlar\\vexlar 2007\\keystead\\", "TEMPADMINUSER", "two");
  EXPECT_EQ(store.get(kKeystead, "TempAdminUser"), "two");
  EXPECT_EQ(store.names(kKeystead), std::vector<std::string>{"TempAdminUser"});  // first spelling kept

  store.remove(kKeystead, "tempADMINuser");
  EXPECT_EQ(store.get(kKeystead, "TempAdminUser"), std::nullopt);
  store.remove(kKeystead, "NeverThere");
  EXPECT_EQ(errorNumber([&] { store.set("\\", "x", "y"); }), err::InvalidCall);
  EXPECT_EQ(errorNumber([&] { store.set("A\nB", "x", "y"); }), err::InvalidCall);
}

TEST(SettingsStore, FileIsPrivateAndLocationComesFromTheEnvironment) {
  ScratchFolder dir;
  {
    ScopedEnv reg("RAVELCREST_REGISTRY", dir / "from-env");
    SettingsStore store;
    EXPECT_EQ(store.path(), dir / "from-env");
    store.set(kKeystead, "Password", "secret");
  }
  struct stat st;
  ASSERT_EQ(::stat((dir / "from-env").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);

  // A store made readable by others is made private again by the next write.
  ::chmod((dir / "from-env").c_str(), 0644);
  SettingsStore(dir / "from-env").set(kKeystead, "Password", "other");
  ASSERT_EQ(::stat((dir / "from-env").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);

  ScopedEnv reg("RAVELCREST_REGISTRY", std::nullopt);
  ScopedEnv config("XDG_CONFIG_HOME", dir / "config");
  EXPECT_EQ(SettingsStore().path(), dir / "config/ravelcrest/registry");
}

TEST(SettingsStore, DamagedFileNamesFileAndLineAndIsLeftAlone) {
  ScratchFolder dir;
  std::string path = dir / "registry";
  const std::string damaged = "; settings\n[Key]\n\"a\"=\"1\"\n\"b\"=\"unterminated\n";
  writeFile(path, damaged);
  SettingsStore store(path);
  for (auto op : {+[](SettingsStore& s) { s.get("Key", "a"); }, +[](SettingsStore& s) { s.set("Key", "c", "3"); },
                  +[](SettingsStore& s) { s.remove("Key", "a"); }}) {
    try {
      op(store);
      ADD_FAILURE() << "no error";
    } catch (const automation::AutomationError& e) {
      EXPECT_EQ(e.number(), err::PathFileAccessError);
      EXPECT_NE(e.description().find(path), std::string::npos) << e.description();
      EXPECT_NE(e.description().find("line 4"), std::string::npos) << e.description();
    }
  }
  EXPECT_EQ(readFile(path), damaged);

  for (const char* text : {"\"a\"=\"1\"\n", "[Key\n", "[Key]\nname=value\n", "[Key]\n\"a\" \"1\"\n",
                           "[Key]\n\"a\"=\"\\q\"\n", "[Key]\n\"a\"=\"1\" x\n"}) {
    writeFile(path, text);
    EXPECT_EQ(errorNumber([&] { store.get("Key", "a"); }), 75) << text;
  }
}

TEST(SettingsStore, AFolderOrDeviceInItsPlaceIsNamedInTheError) {
  ScratchFolder dir;
  ::mkdir((dir / "registry").c_str(), 0700);
  for (const std::string& path : {dir / "registry", std::string("/dev/null")}) {
    SettingsStore store(path);
    for (const auto& use : std::vector<std::function<void()>>{[&] { store.get(kKeystead, "Temp-1"); },
                                                              [&] { store.set(kKeystead, "Temp-1", "x"); },
                                                              [&] { store.names(kKeystead); }}) {
      std::string description;
      try {
        use();
      } catch (const automation::AutomationError& e) {
        EXPECT_EQ(e.number(), err::PathFileAccessError);
        description = e.description();
      }
      EXPECT_NE(description.find(path), std::string::npos) << description;
    }
  }
  // Refused before its lock file is made beside it.
  EXPECT_FALSE(fileExists(dir / "registry.lock"));
  // A path ending in "/" names a folder even when nothing is there yet:
  // writing is refused before a folder and a lock are made for it.
  const std::string slashed = dir / "missing/";
  std::string description;
  try {
    SettingsStore(slashed).set(kKeystead, "Temp-1", "x");
  } catch (const automation::AutomationError& e) {
    EXPECT_EQ(e.number(), err::PathFileAccessError);
    description = e.description();
  }
  EXPECT_NE(description.find(slashed + " names a folder"), std::string::npos) << description;
  EXPECT_FALSE(folderExists(dir / "missing"));
}

TEST(SettingsStore, HandEditedFilesAreReadAndTheirCommentsKept) {
  ScratchFolder dir;
  std::string path = dir / "registry";
  writeFile(path, "\xEF\xBB\xBF# written by hand\r\n\r\n[Key\\Sub\\]\r\n  \"a\" = \"1\"  \r\n; keep me\r\n\"a\"=\"2\"\r\n");
  SettingsStore store(path);
  EXPECT_EQ(store.get("key\\sub", "A"), "2");  // the last of two lines wins
  store.set("Key\\Sub", "b", "3");
  std::string text = readFile(path);
  EXPECT_NE(text.find("# written by hand\n"), std::string::npos);
  EXPECT_NE(text.find("; keep me\n"), std::string::npos);
  EXPECT_EQ(store.get("Key\\Sub", "b"), "3");
}

TEST(SettingsStore, TwoProcessesWritingAtOnceLoseNothingAndTheFileStaysReadable) {
  // 100 values each here; the big tests (ctest -L big) write 1,000 each.
  ScratchFolder dir;
  rc::testing::expectConcurrentWritersKeepEverything(dir / "registry", 100);
}

TEST(SettingsStore, ManyValuesAndKeysTakeLinearTime) {
  // 200,000 values of one key and 20,000 keys, some named twice: a parse
  // that searched the key's values for each new one took minutes at this
  // size; a linear one takes about a second even under the sanitizers.
  ScratchFolder dir;
  std::string text = "[" + std::string(kKeystead) + "]\n";
  constexpr int kValues = 200000;
  for (int i = 0; i < kValues; ++i) text += "\"v" + std::to_string(i) + "\"=\"" + std::to_string(i) + "\"\n";
  text += "\"V7\"=\"last\"\n";
  for (int i = 0; i < 20000; ++i) text += "[k\\" + std::to_string(i % 10000) + (i < 10000 ? "" : "\\") + "]\n\"x\"=\"1\"\n";
  writeFile(dir / "registry", text);
  SettingsStore store(dir / "registry");
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(store.get(kKeystead, "v7"), "last");
  EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 60.0);
  EXPECT_EQ(store.names("K\\9999"), std::vector<std::string>{"x"});
  store.set(kKeystead, "v199999", "changed");
  EXPECT_EQ(store.get(kKeystead, "V199999"), "changed");
}

}  // namespace
}  // namespace rc::platform
