#include <regex>

#include "CoreTestFixture.h"
#include "Core/properties/Comparison.h"
#include "Core/properties/PropertyFile.h"
#include "platform/automation/Dispatch.h"
#include "platform/automation/Registry.h"

namespace rc::testing {
namespace {

using automation::Variant;

TEST_F(CoreTest, SetPropertyWritesBuildAndDate) {
  ASSERT_EQ(core::SetProperty("EdgeCount", path("b.properties"), "120", "B42"), 0);
  std::string text = read("b.properties");
  EXPECT_TRUE(std::regex_match(text, std::regex("EdgeCount = 120      Build: B42, Date: \\d\\d/\\d\\d/\\d{4}\r\n"))) << text;
}

TEST_F(CoreTest, SetPropertyFailureWritesTwoTraceLines) {
  EXPECT_EQ(core::SetProperty("EdgeCount", path("no/such/b.properties"), "1", "B"), 1);
  EXPECT_EQ(moduleTrace(), "\"*** SetProperty() error\"\r\n\"*** Failure writing baseline\"\r\n");
}

TEST_F(CoreTest, GetPropertyFirstMatchAndSum) {
  std::string f = path("b.properties");
  core::SetProperty("EdgeCount", f, "120", "B1");
  core::SetProperty("EdgeCount", f, "130", "B2");
  EXPECT_EQ(core::GetProperty("EdgeCount", f, false), "120      ");
  EXPECT_EQ(core::GetProperty("EdgeCount", f, true), "250");
  EXPECT_EQ(core::GetProperty("Mass", f, false), "-1");
  EXPECT_EQ(core::GetProperty("Mass", path("none.properties"), true), "-1");
  // A key that begins a longer key matches its lines.
  EXPECT_EQ(core::GetProperty("Edge", f, false).substr(0, 4), "nt =");
}

TEST_F(CoreTest, GetPropertyReadsCommentsAndAnyLineEnd) {
  platform::writeFile(path("c.properties"), "junk\nMass = 2.5 'checked\rTime = 1.5\r\nTime = 2");
  EXPECT_EQ(core::GetProperty("Mass", path("c.properties"), false), "2.5 ");
  EXPECT_EQ(core::GetProperty("Time", path("c.properties"), true), "3.5");
  platform::writeFile(path("d.properties"), "Mass'x = 1\r\n");
  EXPECT_THROW(core::GetProperty("Mass", path("d.properties"), false), automation::AutomationError);
  platform::writeFile(path("e.properties"), std::string("Mass = \x01\xff\x00zz", 10) + "\r\n");
  EXPECT_THROW(core::GetProperty("Mass", path("e.properties"), true), automation::AutomationError);
}

TEST_F(CoreTest, PropertiesFileSitsBesideTheDocument) {
  EXPECT_EQ(core::propertiesFilePath("C:\\models\\bracket.vxlprt", "bracket"), "C:\\models\\bracket.properties");
  EXPECT_THROW(core::propertiesFilePath("/m/bracket.vxlprt", "bolt"), automation::AutomationError);
}

double diffOf(Variant a, Variant b, Variant tol, bool* same) {
  double d = -99;
  *same = core::CompareProperty(a, b, tol, d);
  return d;
}

TEST(CompareProperty, ToleranceAndNoiseFloor) {
  bool same = true;
  EXPECT_DOUBLE_EQ(diffOf(105, 100, "5", &same), 0.05);
  EXPECT_FALSE(same);
  diffOf(104.9, 100, "5", &same);
  EXPECT_TRUE(same);
  EXPECT_DOUBLE_EQ(diffOf(30, 0, "10", &same), 30);
  EXPECT_FALSE(same);
  diffOf(30, 0, "10,40", &same);
  EXPECT_TRUE(same);
  diffOf(3, 0, "10", &same);
  EXPECT_TRUE(same);
  diffOf(0, 0, "0", &same);
  EXPECT_TRUE(same);
  diffOf(1, 2, "0", &same);
  EXPECT_FALSE(same);
  diffOf(-5, -4, "0", &same);  // both below the floor 0
  EXPECT_TRUE(same);
  EXPECT_DOUBLE_EQ(diffOf("[1,2]", "[1,2]", "5", &same), -99);
  EXPECT_TRUE(same);
  diffOf("[1,3]", "[1,2]", "5", &same);
  EXPECT_FALSE(same);
  EXPECT_THROW(diffOf("abc", 1, "5", &same), automation::AutomationError);
}

TEST(CompareProperty, DifferenceText) {
  EXPECT_EQ(core::differenceText(0.1), "10% more");
  EXPECT_EQ(core::differenceText(-0.05), "5% less");
  EXPECT_EQ(core::differenceText(-1), "100% less");
  EXPECT_EQ(core::differenceText(0.005), "1% more");  // halves away from zero
}

TEST_F(CoreTest, CompareFilesPairsLinesByPosition) {
  std::string msg;
  platform::writeFile(path("a.txt"), "x 10 20\r\n10 20\r\n");
  platform::writeFile(path("b.txt"), "y 10 20\r\n10 25\r\n");
  EXPECT_FALSE(core::CompareFiles(path("a.txt"), path("b.txt"), Variant("5"), msg));
  EXPECT_EQ(msg, "Line 2 has changed.\r\n<B>Baseline ></B>10 20\r\n<B>New ></B>10 25");

  msg.clear();
  platform::writeFile(path("w.txt"), "alpha 1\nbeta 2\n");
  platform::writeFile(path("v.txt"), "gamma 1\r\ndelta 2");
  EXPECT_TRUE(core::CompareFiles(path("w.txt"), path("v.txt"), Variant("5"), msg));
  EXPECT_EQ(msg, "");

  platform::writeFile(path("long.txt"), "10 20 30\r\n");
  platform::writeFile(path("short.txt"), "10 20\r\n");
  EXPECT_FALSE(core::CompareFiles(path("long.txt"), path("short.txt"), Variant("5"), msg));
  EXPECT_EQ(msg, "Subscript out of range");
}

TEST_F(CoreTest, CompareFilesReportsUnpairedLines) {
  std::string msg;
  platform::writeFile(path("base.txt"), "1\r\n2\r\n3\r\n");
  platform::writeFile(path("cut.txt"), "1\r\n2\r\n");
  EXPECT_FALSE(core::CompareFiles(path("base.txt"), path("cut.txt"), Variant("5"), msg));
  EXPECT_EQ(msg, "Line 3 has changed.\r\n<B>Baseline ></B>3\r\n<B>New ></B>");
  EXPECT_FALSE(core::CompareFiles(path("cut.txt"), path("base.txt"), Variant("5"), msg));
  EXPECT_EQ(msg, "Line 3 has changed.\r\n<B>Baseline ></B>\r\n<B>New ></B>3");
  EXPECT_TRUE(core::CompareFiles(path("base.txt"), path("base.txt"), Variant("5"), msg));
}

TEST_F(CoreTest, CompareFilesMissingAndBlank) {
  std::string msg;
  platform::writeFile(path("base.txt"), "1\r\n");
  platform::writeFile(path("empty.txt"), "");
  EXPECT_FALSE(core::CompareFiles(path("base.txt"), path("none.txt"), Variant("5"), msg));
  EXPECT_EQ(msg, "missing");
  EXPECT_FALSE(core::CompareFiles(path("base.txt"), path("empty.txt"), Variant("5"), msg));
  EXPECT_EQ(msg, "blank");
}

TEST_F(CoreTest, PropertyManagerByNameWritesBackByReference) {
  automation::ObjectRef pm = automation::createObject("VxlClasses.clsPropertyManager");
  std::vector<Variant> args{Variant(110), Variant(100), Variant("5"), Variant(0.0)};
  EXPECT_FALSE(automation::call(pm, "compareproperty", args).asBool());
  EXPECT_DOUBLE_EQ(args[3].asDouble(), 0.1);
  std::vector<Variant> files{Variant(path("x")), Variant(path("y")), Variant("5"), Variant()};
  EXPECT_FALSE(automation::call(pm, "CompareFiles", files).asBool());
  EXPECT_EQ(files[3].asString(), "missing");
}

}  // namespace
}  // namespace rc::testing
