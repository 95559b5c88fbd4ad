// The library's classes as a harness finds them: registered under their
// identities, and clsApplication's session properties.
#include "tests/Core/CoreTestFixture.h"
#include "platform/automation/Registry.h"
#include "platform/automation/TypeInfo.h"

namespace rc::testing {
namespace {

using ClassRegistrationTest = CoreTest;
using ApplicationSessionTest = CoreTest;

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
