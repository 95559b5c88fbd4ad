#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

#include "platform/os/Files.h"
#include "platform/os/MessageSink.h"
#include "platform/os/System.h"
#include "tests/support/TestSupport.h"

namespace rc::platform {
namespace {

namespace err = rc::automation::err;

using rc::testing::errorNumber;
using rc::testing::ScopedEnv;
using rc::testing::ScratchFolder;
using Args = std::vector<std::string>;

TEST(CommandLine, SplitsAtBlanksAndGroupsQuotedText) {
  EXPECT_EQ(splitCommandLine(""), Args{});
  EXPECT_EQ(splitCommandLine("   \t "), Args{});
  EXPECT_EQ(splitCommandLine("prog a  b\tc"), (Args{"prog", "a", "b", "c"}));
  EXPECT_EQ(splitCommandLine("\"C:\\Program Files\\x.exe\" /s"), (Args{"C:\\Program Files\\x.exe", "/s"}));
  EXPECT_EQ(splitCommandLine("p \"say \"\"hi\"\"\""), (Args{"p", "say \"hi\""}));
  EXPECT_EQ(splitCommandLine("p \"\" x"), (Args{"p", "", "x"}));
  EXPECT_EQ(splitCommandLine("p pre\"mid dle\"post"), (Args{"p", "premid dlepost"}));
  EXPECT_EQ(splitCommandLine("p \"open ended"), (Args{"p", "open ended"}));
  EXPECT_EQ(splitCommandLine("p a\\b\\"), (Args{"p", "a\\b\\"}));  // backslashes are plain characters
}

// Waits for a started program and answers its exit status.
int waitFor(std::int32_t pid) {
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(StartProgram, StartsWithoutAShellAndPassesQuotedArguments) {
  ScratchFolder dir;
  writeFile(dir / "source file.txt", "payload");
  std::string command = "cp \"" + (dir / "source file.txt") + "\" \"" + (dir / "copy; rm -rf x.txt") + "\"";
  std::int32_t pid = startProgram(command, 2);
  ASSERT_GT(pid, 0);
  EXPECT_EQ(waitFor(pid), 0);
  EXPECT_EQ(readFile(dir / "copy; rm -rf x.txt"), "payload");

  // No shell: "$X" reaches the program as it stands (a shell would make it
  // empty, and `test -z` would succeed).
  pid = startProgram("/usr/bin/test -z $RC_TEST_UNSET_VARIABLE");
  EXPECT_EQ(waitFor(pid), 1);
}

TEST(StartProgram, MissingOrUnrunnableProgramsRaiseFileNotFound) {
  ScratchFolder dir;
  EXPECT_EQ(errorNumber([] { startProgram("no-such-program-rc-test --flag"); }), err::FileNotFound);
  EXPECT_EQ(errorNumber([&] { startProgram(dir / "missing.exe"); }), err::FileNotFound);
  writeFile(dir / "data.txt", "not a program");
  EXPECT_EQ(errorNumber([&] { startProgram(dir / "data.txt"); }), err::FileNotFound);
  EXPECT_EQ(errorNumber([] { startProgram("   "); }), err::InvalidCall);
  // "/usr/bin/true\0 --x" would run /usr/bin/true.
  EXPECT_EQ(errorNumber([] { startProgram(std::string("/usr/bin/true\0 --x", 18)); }), err::BadFileNameOrNumber);
}

TEST(SystemServices, MachineClockDiskAndExecutable) {
  char host[256] = {};
  ASSERT_EQ(::gethostname(host, sizeof host - 1), 0);
  EXPECT_EQ(computerName(), host);

  std::uint32_t t0 = tickCount();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  std::uint32_t elapsed = tickCount() - t0;  // unsigned arithmetic survives the wrap
  EXPECT_GE(elapsed, 20u);
  EXPECT_LT(elapsed, 5000u);

  ScratchFolder dir;
  EXPECT_GT(freeBytes(dir.path()), 0u);
  // A folder not made yet answers for the file system it will be made on.
  EXPECT_NEAR(static_cast<double>(freeBytes(dir / "missing/deeper")), static_cast<double>(freeBytes(dir.path())),
              256.0 * (1 << 20));
  {
    // The drive root need not exist yet: its file system answers.
    ScopedEnv root("RAVELCREST_DRIVE_ROOT", dir / "not/yet");
    EXPECT_GT(freeBytes("C:"), 0u);
  }

  std::string real = executablePath();
  EXPECT_NE(real.find("platform_tests"), std::string::npos) << real;
  setExecutablePathOverride("c:\\apps\\orrery\\geometry\\host.exe");
  EXPECT_EQ(executablePath(), "c:\\apps\\orrery\\geometry\\host.exe");
  setExecutablePathOverride("");
  EXPECT_EQ(executablePath(), real);
}

TEST(SystemServices, FolderPickerAnswersEmptyUnlessOneIsInstalled) {
  EXPECT_EQ(browseForFolder("Browse for folder"), "");
  FolderPicker previous = setFolderPicker([](std::string_view title) { return "/picked/" + std::string(title); });
  EXPECT_EQ(browseForFolder("x"), "/picked/x");
  setFolderPicker(std::move(previous));
  EXPECT_EQ(browseForFolder("x"), "");
  doEvents();
}

TEST(MessageSink, DefaultWritesToStandardErrorAndTheMessagesFile) {
  ScratchFolder dir;
  ScopedEnv file("RAVELCREST_MESSAGES", dir / "messages.log");
  ::testing::internal::CaptureStderr();
  showMessage("Object required");
  std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(err, "ravelcrest: Object required\n");
  EXPECT_EQ(readFile(dir / "messages.log"), "Object required\r\n");

  // A messages file that cannot be written does not stop the message.
  ScopedEnv bad("RAVELCREST_MESSAGES", dir / "missing/messages.log");
  ::testing::internal::CaptureStderr();
  showMessage("still shown");
  err = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("ravelcrest: still shown\n"), std::string::npos);
}

TEST(MessageSink, InstalledHandlerReplacesTheDefaultForItsScope) {
  std::vector<std::string> seen;
  {
    ScopedMessageHandler handler([&](std::string_view text) { seen.emplace_back(text); });
    ::testing::internal::CaptureStderr();
    showMessage("one");
    showMessage("two");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"one", "two"}));
  ::testing::internal::CaptureStderr();
  showMessage("three");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "ravelcrest: three\n");
}

}  // namespace
}  // namespace rc::platform
