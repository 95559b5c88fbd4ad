// A kernel that crashes, hangs, grows without bound or answers nonsense
// costs its helper process only: the host refuses the file and goes on.
#include <filesystem>

#include "sim/host/geometry/GeometryReader.h"
#include "tests/sim/host/geometry/GeometryFixture.h"
#include "tests/sim/host/geometry/KernelShapes.h"

namespace rc::sim::testing {
namespace {

using GeometryIsolationTest = GeometryTest;

using rc::testing::ScopedEnv;

TEST_F(GeometryIsolationTest, KernelFailuresCostOnlyTheHelper) {
  ScopedEnv module("RAVELCREST_GEOMETRY_MODULE", RC_TEST_STANDIN_MODULE);
  ScopedEnv timeout("RAVELCREST_GEOMETRY_TIMEOUT", "2");
  ScopedEnv memory("RAVELCREST_GEOMETRY_MEMORY_MB", "1024");
  std::string step = "ISO-10303-21;\nHEADER;\nENDSEC;\nDATA;\nENDSEC;\nEND-ISO-10303-21;\n";
  struct Case {
    std::string name, reason;
  };
  std::vector<Case> cases{{"crash.step", "crashed"}, {"hang.step", "within 2 s"}, {"garbled.step", "damaged"}};
#if !defined(__SANITIZE_ADDRESS__)
  cases.push_back({"grow.step", ""});  // the sanitizer's shadow memory rules out an address-space limit
#endif
  for (const Case& c : cases) {
    writeText(path(c.name), step);
    std::int32_t errors = 0;
    EXPECT_FALSE(openAs(c.name, 1, errors)) << c.name;
    EXPECT_EQ(errors, 1) << c.name;
    EXPECT_NE(lastMessage().find(c.reason), std::string::npos) << lastMessage();
  }
}

// A STEP file the fuzzer found that makes the kernel itself crash (a
// cartesian point whose coordinates were overwritten): the host refuses it
// and the session goes on.
TEST_F(GeometryIsolationTest, AFileThatCrashesTheKernelIsRefused) {
  std::string crasher = std::string(RC_TEST_INPUTS_DIR) + "/kernel-crash.step";
  std::filesystem::copy_file(crasher, path("crasher.step"));
  std::int32_t errors = 0;
  EXPECT_FALSE(openAs("crasher.step", 1, errors));
  EXPECT_EQ(errors, 1);
  EXPECT_NE(lastMessage().find("crashed"), std::string::npos) << lastMessage();
  ASSERT_TRUE(shapes::writeStep(shapes::box(1, 1, 1), path("cube.step")));
  EXPECT_TRUE(open("cube.step", 1));
}

TEST_F(GeometryIsolationTest, MissingModuleIsRefusedWithItsName) {
  ScopedEnv module("RAVELCREST_GEOMETRY_MODULE", path("no-such-module.so"));
  ASSERT_TRUE(shapes::writeStep(shapes::box(1, 1, 1), path("cube.step")));
  std::int32_t errors = 0;
  EXPECT_FALSE(openAs("cube.step", 1, errors));
  EXPECT_EQ(errors, 1);
  EXPECT_NE(lastMessage().find("no-such-module.so"), std::string::npos) << lastMessage();
}

TEST_F(GeometryIsolationTest, TheHostProcessNeverLoadsTheKernelModule) {
  // The host's own process never maps the kernel: it reads in a helper.
  ASSERT_TRUE(shapes::writeStep(shapes::box(1, 1, 1), path("cube.step")));
  open("cube.step", 1);
  std::string maps = fileBytes("/proc/self/maps");
  EXPECT_EQ(maps.find("libravelcrest_geometry"), std::string::npos);
}

}  // namespace
}  // namespace rc::sim::testing
