// Shared set-up of the host tests: a copy of examples/models in a scratch
// folder and a fresh separate session, driven by member name as the library
// drives it.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/automation/Dispatch.h"
#include "platform/automation/Error.h"
#include "platform/automation/Registry.h"
#include "platform/automation/SafeArray.h"
#include "sim/Register.h"
#include "tests/support/TestSupport.h"

namespace rc::sim::testing {

using automation::AutomationError;
using automation::ObjectRef;
using automation::Variant;

inline std::vector<std::string> texts(const Variant& v) {
  std::vector<std::string> out;
  for (const Variant& item : v.asArray().items()) out.push_back(item.asString());
  return out;
}

using rc::testing::errorNumber;
namespace err = automation::err;

class HostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    registerApplications();
    const char* src = std::getenv("RAVELCREST_SOURCE_DIR");
    ASSERT_NE(src, nullptr);
    std::filesystem::copy(std::filesystem::path(src) / "examples/models", dir.path(),
                          std::filesystem::copy_options::recursive);
    app = automation::createObject("VexlarSim.Session");
  }
  void TearDown() override {
    if (app) {
      try {
        automation::call(app, "ExitApp");
      } catch (const AutomationError&) {
      }
    }
  }

  std::string path(const std::string& name) const { return dir / name; }

  // OpenDoc6 with the type from the extension; fails the test when nothing opens.
  ObjectRef open(const std::string& name, int type) {
    std::vector<Variant> args{Variant(path(name)), Variant(type), Variant(0), Variant(""), Variant(0), Variant(0)};
    Variant doc = automation::call(app, "OpenDoc6", args);
    EXPECT_EQ(args[4].asLong(), 0) << name;
    return doc.toObject();
  }

  std::vector<std::string> operations() { return texts(automation::call(app, "SimOperations")); }

  rc::testing::ScratchFolder dir;
  ObjectRef app;
};

}  // namespace rc::sim::testing
