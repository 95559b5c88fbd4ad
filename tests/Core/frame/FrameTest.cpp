#include "tests/Core/CoreTestFixture.h"
#include "Core/interfaces/HostLookup.h"
#include "platform/automation/Registry.h"
#include "platform/automation/TypeInfo.h"
#include "platform/os/System.h"

namespace rc::testing {
namespace {

using HostLookupTest = CoreTest;
using ClassRegistrationTest = CoreTest;
using ApplicationSessionTest = CoreTest;

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

TEST_F(ClassRegistrationTest, ClassesAreRegisteredWithTheirIdentities) {
  auto classes = automation::registeredClasses("RavelcrestCore");
  ASSERT_EQ(classes.size(), 7u);
  EXPECT_EQ(classes[0]->name, "clsApplication");
  EXPECT_EQ(classes[0]->clsid, "{DBBFA89C-B077-4BAE-8CBF-26CE3DA305D9}");
  EXPECT_EQ(classes[0]->interfaceName, "_clsApplication");
  for (const char* id : {"RavelcrestCore.clsKstdPrint", "VxlClasses.clsPropertyManager", "VXLCLASSES.clsBitmap",
                         "vxlClasses.clsGrfConvert", "RavelcrestCore.Class1"})
    EXPECT_TRUE(automation::createObject(id)) << id;
}

TEST_F(ApplicationSessionTest, SessionPropertiesStartEmptyAndToleranceTakesAnObject) {
  automation::ObjectRef app = automation::createObject("RavelcrestCore.clsApplication");
  EXPECT_EQ(automation::call(app, "InputFile").asString(), "");
  EXPECT_EQ(automation::call(app, "MultiSession").asBool(), false);
  EXPECT_EQ(automation::call(app, "glbProcessID").asLong(), 0);
  EXPECT_TRUE(automation::call(app, "tolerance").isEmpty());
  automation::setProperty(app, "tolerance", host);
  EXPECT_EQ(automation::call(app, "tolerance").asObject(), host);
  automation::letProperty(app, "glbProcessID", automation::Variant("70000"));
  EXPECT_EQ(automation::call(app, "GLBPROCESSID").asLong(), 70000);
}

}  // namespace
}  // namespace rc::testing
