// The constants-file reader of the feature census.
#include "Core/interfaces/HostConstants.h"

#include "tests/Core/CoreTestFixture.h"

namespace rc::testing {
namespace {

using rc::core::EnumDictionary;

TEST(EnumDictionary, GrandparentCandidate) {
  EXPECT_EQ(rc::core::hostFolderGrandparent("C:\\Vexlar\\bin"), "C:");
  EXPECT_EQ(rc::core::hostFolderGrandparent("/opt/vexlar/bin"), "/opt");
  EXPECT_EQ(rc::core::hostFolderGrandparent("/opt/vexlar/bin/"), "/opt");  // the last character is not scanned
  EXPECT_EQ(rc::core::hostFolderGrandparent("vexlar\\bin"), "vexlar");     // one separator: the text before it
  EXPECT_EQ(rc::core::hostFolderGrandparent("bin"), "");
  EXPECT_EQ(rc::core::hostFolderGrandparent(""), "");
}

TEST(EnumDictionary, MemberLines) {
  EnumDictionary d;
  rc::core::addEnumMember(d, "\tvxAlpha = 6");
  rc::core::addEnumMember(d, "\t\t\tvxBeta = 7.9 ' comment");  // several tabs; the whole part of the number
  rc::core::addEnumMember(d, "\tvxGamma = 6");                 // the first name of a value stays
  rc::core::addEnumMember(d, "  Delta=12");                    // no space after "=": the number's first digit is lost
  rc::core::addEnumMember(d, "\tvxEps = x");                   // no number: 0
  EXPECT_EQ(d, (EnumDictionary{{6, "Alpha "}, {7, "Beta "}, {2, "Delta"}, {0, "Eps "}}));
  EXPECT_THROW(rc::core::addEnumMember(d, "\tvxNoValue"), rc::automation::AutomationError);
}

class ConstantsFileTest : public CoreTest {};

TEST_F(ConstantsFileTest, BlocksOfTheNamedEnumerationOnly) {
  platform::createFolder(path("vx/samples/appComm"));
  platform::writeFile(path("vx/samples/appComm/vxconst.bas"),
                      "Enum vxOther_e\n\tvxA = 1\nEnd Enum\nEnum vxAnnotationType_e\n\tvxNote = 6\n\nEnd Enum\n"
                      "Option Explicit\nEnum vxAnnotationType_e\n\tvxMore = 8\nEnd Enum");
  EnumDictionary d;
  EXPECT_EQ(rc::core::LoadEnumDictionary(d, "vxAnnotationType_e", path("vx")), 0);
  EXPECT_EQ(d, (EnumDictionary{{6, "Note "}, {8, "More "}}));
}

TEST_F(ConstantsFileTest, BadFilesFailWithTheirEntriesKept) {
  platform::createFolder(path("vx/samples/appComm"));
  platform::writeFile(path("vx/samples/appComm/vxconst.bas"), "Enum E\n\tvxNote = 6\n\tvxBroken\n\tvxLater = 7\nEnd Enum\n");
  EnumDictionary d;
  EXPECT_EQ(rc::core::LoadEnumDictionary(d, "E", path("vx")), 1);
  EXPECT_EQ(d, (EnumDictionary{{6, "Note "}}));
  EXPECT_EQ(moduleTrace(), "\"Failed to load Dictionary: E\"\r\n");
}

TEST_F(ConstantsFileTest, ExamplesSampleParsesToItsEnd) {
  const char* source = std::getenv("RAVELCREST_SOURCE_DIR");
  if (source == nullptr) GTEST_SKIP() << "RAVELCREST_SOURCE_DIR is set by ctest";
  std::string examples = std::string(source) + "/examples/host";
  EnumDictionary d;
  EXPECT_EQ(rc::core::LoadEnumDictionary(d, "vxAnnotationType_e", examples), 0);
  EXPECT_EQ(d.at(6), "Note ");
}

}  // namespace
}  // namespace rc::testing
