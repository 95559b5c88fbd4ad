// The library's checks against the simulated host: a scratch folder as
// drive root and results folder (the environment restored after each test), a host session, and a clsApplication
// reached by ProgID and member name as a harness reaches it.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "Core/frame/Register.h"
#include "platform/automation/Dispatch.h"
#include "platform/automation/Error.h"
#include "platform/automation/Registry.h"
#include "platform/automation/SafeArray.h"
#include "platform/os/Files.h"
#include "platform/os/MessageSink.h"
#include "sim/Register.h"
#include "tests/support/TestSupport.h"

namespace rc::testing {

namespace au = rc::automation;

class SimHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(dir_ / "root");
    rc::core::registerClasses();
    rc::sim::registerApplications();
    host = au::createObject("Vexlar.Application");
    app = au::createObject("RavelcrestCore.clsApplication");
    au::letProperty(app, "ResultPath", dir_.path());
  }
  void TearDown() override { au::call(host, "ExitApp"); }

  std::string folder() const { return dir_.path(); }
  std::string path(const std::string& name) const { return dir_ / name; }
  std::string read(const std::string& name) const {
    return platform::fileExists(path(name)) ? platform::readFile(path(name)) : std::string("<missing>");
  }
  std::string trace() const { return read("TraceLog.log"); }
  std::string moduleTrace() const { return read("root/TraceLog.log"); }

  // Writes the model file `name` and opens it as the active document.
  au::ObjectRef open(const std::string& name, const std::string& json, int type) {
    platform::writeFile(path(name), json);
    std::vector<au::Variant> args{au::Variant(path(name)), au::Variant(type), au::Variant(0), au::Variant(""),
                                  au::Variant(0), au::Variant(0)};
    au::ObjectRef doc = au::call(host, "OpenDoc6", args).toObject();
    EXPECT_TRUE(doc) << "errors " << args[4].toLong();
    return doc;
  }

  std::vector<std::string> strings(const char* member) const {
    std::vector<std::string> out;
    for (const au::Variant& v : au::call(host, member).asArray().items()) out.push_back(v.toText());
    return out;
  }
  std::vector<std::string> journal() const { return strings("SimJournal"); }
  std::vector<std::string> operations() const { return strings("SimOperations"); }

  // Calls check `name` of clsApplication.
  au::Variant check(const char* name) { return au::call(app, name); }
  void let(const char* property, au::Variant value) { au::letProperty(app, property, std::move(value)); }
  // A process ID that names no session.
  void useMissingSession() {
    let("MultiSession", au::Variant(true));
    let("glbProcessID", au::Variant(987654));
  }

  au::ObjectRef host, app;
  platform::ScopedMessageHandler quiet{[](std::string_view) {}};

 private:
  ScratchFolder dir_;
  ScopedEnv driveRoot_{"RAVELCREST_DRIVE_ROOT", dir_ / "root"};
  ScopedEnv locale_{"LC_ALL", "C"};
};

// Joins lines with CR LF after each, as the data files hold them.
inline std::string crlf(const std::vector<std::string>& lines) {
  std::string out;
  for (const auto& l : lines) out += l + "\r\n";
  return out;
}

}  // namespace rc::testing
