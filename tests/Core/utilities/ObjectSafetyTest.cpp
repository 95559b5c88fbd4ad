// IObjectSafety on Class1 and clsGrfConvert, reached through
// queryInterface("IObjectSafety"): both library-wide flags are False, so a
// recognised interface reports nothing enabled and every request fails.
#include <gtest/gtest.h>

#include "Core/frame/Register.h"
#include "Core/utilities/ObjectSafety.h"
#include "platform/automation/Registry.h"

namespace rc::testing {
namespace {

namespace au = rc::automation;
using namespace rc::core;

constexpr GUID kIDispatch{0x00020400, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr GUID kIPersistStorage{0x0000010A, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr GUID kIPersistStream{0x00000109, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr GUID kIPersistPropertyBag{0x37D84F60, 0x42CB, 0x11CE, {0x81, 0x35, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51}};
constexpr GUID kOther{0x12345678, 0x9ABC, 0xDEF0, {1, 2, 3, 4, 5, 6, 7, 8}};

class ObjectSafetyTest : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    registerClasses();
    obj = au::createObject(GetParam());
    safety = objectSafetyOf(obj);
    ASSERT_NE(safety, nullptr);
  }
  bool isClass1() const { return std::string(GetParam()) == "RavelcrestCore.Class1"; }
  au::ObjectRef obj;
  IObjectSafety* safety = nullptr;
};

TEST_P(ObjectSafetyTest, RecognisedInterfacesReportNothingEnabled) {
  for (const GUID* id : {&kIDispatch, &kIPersistStorage, &kIPersistStream, &kIPersistPropertyBag}) {
    std::int32_t supported = -1, enabled = -1;
    EXPECT_EQ(safety->GetInterfaceSafetyOptions(id, &supported, &enabled), S_OK);
    EXPECT_EQ(supported, 3);
    EXPECT_EQ(enabled, 0);
  }
}

TEST_P(ObjectSafetyTest, UnknownAndNullInterfaces) {
  std::int32_t supported = -1, enabled = 77;
  EXPECT_EQ(safety->GetInterfaceSafetyOptions(&kOther, &supported, &enabled), E_NOINTERFACE);
  EXPECT_EQ(supported, 3);
  EXPECT_EQ(enabled, 77);
  supported = -1;
  EXPECT_EQ(safety->GetInterfaceSafetyOptions(nullptr, &supported, &enabled), S_OK);
  EXPECT_EQ(supported, 3);
  EXPECT_EQ(enabled, 77);
  EXPECT_EQ(safety->SetInterfaceSafetyOptions(nullptr, 3, 3), S_OK);
  // The one difference between the two classes.
  EXPECT_EQ(safety->SetInterfaceSafetyOptions(&kOther, 1, 1), isClass1() ? S_OK : E_NOINTERFACE);
}

TEST_P(ObjectSafetyTest, EveryRequestForARecognisedInterfaceFails) {
  EXPECT_EQ(safety->SetInterfaceSafetyOptions(&kIDispatch, 1, 1), E_FAIL);
  EXPECT_EQ(safety->SetInterfaceSafetyOptions(&kIDispatch, 0, 0), E_FAIL);
  EXPECT_EQ(safety->SetInterfaceSafetyOptions(&kIPersistStream, 2, 2), E_FAIL);
  EXPECT_EQ(safety->SetInterfaceSafetyOptions(&kIPersistPropertyBag, 3, 2), E_FAIL);
  // Nothing was stored.
  std::int32_t supported = 0, enabled = -1;
  EXPECT_EQ(safety->GetInterfaceSafetyOptions(&kIDispatch, &supported, &enabled), S_OK);
  EXPECT_EQ(enabled, 0);
}

INSTANTIATE_TEST_SUITE_P(BothClasses, ObjectSafetyTest,
                         ::testing::Values("RavelcrestCore.Class1", "RavelcrestCore.clsGrfConvert"));

TEST(ObjectSafety, InterfaceIdsAsRegistryText) {
  EXPECT_EQ(StringFromGUID2(kIPersistPropertyBag), "{37D84F60-42CB-11CE-8135-00AA004BB851}");
  EXPECT_EQ(StringFromGUID2(kIDispatch), "{00020400-0000-0000-C000-000000000046}");
}

TEST(ObjectSafety, OtherClassesHaveNone) {
  registerClasses();
  EXPECT_EQ(objectSafetyOf(au::createObject("RavelcrestCore.clsPropertyManager")), nullptr);
  EXPECT_EQ(objectSafetyOf(nullptr), nullptr);
}

}  // namespace
}  // namespace rc::testing
