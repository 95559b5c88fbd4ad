// A scratch folder as drive root and results folder (the environment
// restored after each test), the library's classes registered, a fake host
// installed and messages captured.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "Core/frame/Register.h"
#include "FakeHost.h"
#include "platform/automation/Dispatch.h"
#include "platform/automation/Error.h"
#include "platform/automation/Registry.h"
#include "platform/os/Files.h"
#include "platform/os/MessageSink.h"
#include "tests/support/TestSupport.h"

namespace rc::testing {

class CoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(dir_ / "root");
    rc::core::registerClasses();
    host = FakeHost::install();
    previous_ = platform::setMessageHandler([this](std::string_view m) { messages.emplace_back(m); });
  }
  void TearDown() override { platform::setMessageHandler(previous_); }

  std::string path(const std::string& name) const { return dir_ / name; }
  std::string read(const std::string& name) const {
    return platform::fileExists(path(name)) ? platform::readFile(path(name)) : std::string();
  }
  // A clsApplication whose session names bracket.vxlprt in the temporary
  // folder: results, performance log and journal file there too.
  automation::ObjectRef newSession(const char* tolerance = "5") const {
    automation::ObjectRef app = automation::createObject("RavelcrestCore.clsApplication");
    automation::letProperty(app, "InputFile", automation::Variant(path("bracket.vxlprt")));
    automation::letProperty(app, "NameOnly", automation::Variant("bracket"));
    automation::letProperty(app, "ResultPath", automation::Variant(path("")));
    automation::letProperty(app, "InpPath", automation::Variant(path("")));
    automation::letProperty(app, "VXBuild", automation::Variant("B7"));
    automation::letProperty(app, "tolerance", automation::Variant(tolerance));
    automation::letProperty(app, "JournFile", automation::Variant(path("journal.txt")));
    return app;
  }

  // The module trace at the drive root.
  std::string moduleTrace() const { return read("root/TraceLog.log"); }

  std::shared_ptr<FakeHost> host;
  std::vector<std::string> messages;

 private:
  ScratchFolder dir_;
  ScopedEnv driveRoot_{"RAVELCREST_DRIVE_ROOT", dir_ / "root"};
  ScopedEnv locale_{"LC_ALL", "C"};
  platform::MessageHandler previous_;
};

}  // namespace rc::testing
