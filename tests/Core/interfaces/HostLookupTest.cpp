// The host a check talks to: chosen by the harness's executable folder,
// created by GetApp, or looked up by a session's process ID.
#include "Core/interfaces/HostLookup.h"
#include "platform/automation/Registry.h"
#include "platform/os/System.h"
#include "tests/Core/CoreTestFixture.h"

namespace rc::testing {
namespace {

using HostLookupTest = CoreTest;

TEST_F(HostLookupTest, HostProgIdFollowsTheExecutableFolder) {
  platform::createFolder(path("orrery/Geometry"));
  std::string exe = path("orrery/Geometry/host.exe");
  EXPECT_EQ(core::hostProgIdForExecutable(exe), "Vexlar.Application");
  platform::createFolder(path("orrery/application"));
  platform::writeFile(path("orrery/application/orrery.exe"), "");
  EXPECT_EQ(core::hostProgIdForExecutable(exe), "Orrery2007.Application");
  EXPECT_EQ(core::hostProgIdForExecutable(path("orrery/geometryx/host.exe")), "Vexlar.Application");
  EXPECT_EQ(core::hostProgIdForExecutable(path("orrery\\GEOMETRY\\host.exe")), "Orrery2007.Application");
}

TEST_F(HostLookupTest, GetAppCreatesTheHostChosenByTheExecutable) {
  platform::setExecutablePathOverride("/usr/bin/harness");
  auto other = std::make_shared<FakeHost>();
  automation::registerClass("Orrery2007.Application", FakeHost::info(), [other] { return other; });
  EXPECT_EQ(core::GetApp(), host);
  platform::setExecutablePathOverride("");
}

TEST_F(HostLookupTest, SessionHostLooksUpThirtyTwoBitProcessIds) {
  auto session = std::make_shared<FakeHost>();
  automation::registerRunning("VexlarSim.Session:40000", session);
  EXPECT_EQ(core::GetSessionHost(40000, true), session);
  EXPECT_EQ(core::GetSessionHost(40000, false), host);   // not asked without MultiSession
  EXPECT_EQ(core::GetSessionHost(12, true), host);       // no such session: GetApp
  automation::revokeRunning(session.get());
}

}  // namespace
}  // namespace rc::testing
