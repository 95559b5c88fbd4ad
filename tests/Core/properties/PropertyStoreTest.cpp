#include <algorithm>
#include <chrono>
#include <filesystem>
#include <regex>
#include <tuple>

#include "tests/Core/CoreTestFixture.h"
#include "Core/frame/JournalWriters.h"
#include "Core/frame/TraceLog.h"
#include "Core/properties/Comparison.h"
#include "Core/properties/PropertyFile.h"
#include "platform/automation/Dispatch.h"
#include "platform/automation/Registry.h"

namespace rc::testing {
namespace {

using PropertyStoreTest = CoreTest;
using CompareFilesTest = CoreTest;

using automation::Variant;

TEST_F(PropertyStoreTest, SetPropertyWritesBuildAndDate) {
  ASSERT_EQ(core::SetProperty("EdgeCount", path("b.properties"), "120", "B42"), 0);
  std::string text = read("b.properties");
  EXPECT_TRUE(std::regex_match(text, std::regex("EdgeCount = 120      Build: B42, Date: \\d\\d/\\d\\d/\\d{4}\r\n"))) << text;
}

TEST_F(PropertyStoreTest, SetPropertyFailureWritesTwoTraceLines) {
  EXPECT_EQ(core::SetProperty("EdgeCount", path("no/such/b.properties"), "1", "B"), 1);
  EXPECT_EQ(moduleTrace(), "\"*** SetProperty() error\"\r\n\"*** Failure writing baseline\"\r\n");
}

TEST_F(PropertyStoreTest, GetPropertyFirstMatchAndSum) {
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

TEST_F(PropertyStoreTest, GetPropertyReadsCommentsAndAnyLineEnd) {
  platform::writeFile(path("c.properties"), "junk\nMass = 2.5 'checked\rTime = 1.5\r\nTime = 2");
  EXPECT_EQ(core::GetProperty("Mass", path("c.properties"), false), "2.5 ");
  EXPECT_EQ(core::GetProperty("Time", path("c.properties"), true), "3.5");
  platform::writeFile(path("d.properties"), "Mass'x = 1\r\n");
  EXPECT_THROW(core::GetProperty("Mass", path("d.properties"), false), automation::AutomationError);
  platform::writeFile(path("e.properties"), std::string("Mass = \x01\xff\x00zz", 10) + "\r\n");
  EXPECT_THROW(core::GetProperty("Mass", path("e.properties"), true), automation::AutomationError);
}

TEST_F(PropertyStoreTest, PropertiesFileSitsBesideTheDocument) {
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

TEST_F(CompareFilesTest, CompareFilesPairsLinesByPosition) {
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

TEST_F(CompareFilesTest, CompareFilesReportsUnpairedLines) {
  std::string msg;
  platform::writeFile(path("base.txt"), "1\r\n2\r\n3\r\n");
  platform::writeFile(path("cut.txt"), "1\r\n2\r\n");
  EXPECT_FALSE(core::CompareFiles(path("base.txt"), path("cut.txt"), Variant("5"), msg));
  EXPECT_EQ(msg, "Line 3 has changed.\r\n<B>Baseline ></B>3\r\n<B>New ></B>");
  EXPECT_FALSE(core::CompareFiles(path("cut.txt"), path("base.txt"), Variant("5"), msg));
  EXPECT_EQ(msg, "Line 3 has changed.\r\n<B>Baseline ></B>\r\n<B>New ></B>3");
  EXPECT_TRUE(core::CompareFiles(path("base.txt"), path("base.txt"), Variant("5"), msg));
}

TEST_F(CompareFilesTest, CompareFilesMissingAndBlank) {
  std::string msg;
  platform::writeFile(path("base.txt"), "1\r\n");
  platform::writeFile(path("empty.txt"), "");
  EXPECT_FALSE(core::CompareFiles(path("base.txt"), path("none.txt"), Variant("5"), msg));
  EXPECT_EQ(msg, "missing");
  EXPECT_FALSE(core::CompareFiles(path("base.txt"), path("empty.txt"), Variant("5"), msg));
  EXPECT_EQ(msg, "blank");
}

TEST_F(PropertyStoreTest, PropertyManagerByNameWritesBackByReference) {
  automation::ObjectRef pm = automation::createObject("VxlClasses.clsPropertyManager");
  std::vector<Variant> args{Variant(110), Variant(100), Variant("5"), Variant(0.0)};
  EXPECT_FALSE(automation::call(pm, "compareproperty", args).asBool());
  EXPECT_DOUBLE_EQ(args[3].asDouble(), 0.1);
  std::vector<Variant> files{Variant(path("x")), Variant(path("y")), Variant("5"), Variant()};
  EXPECT_FALSE(automation::call(pm, "CompareFiles", files).asBool());
  EXPECT_EQ(files[3].asString(), "missing");
}

TEST_F(PropertyStoreTest, SetPropertyEndsALastLineThatHasNoLineEnd) {
  platform::writeFile(path("f.properties"), "EdgeCount = 1      Build: x");
  ASSERT_EQ(core::SetProperty("FaceCount", path("f.properties"), "9", "B1"), 0);
  EXPECT_EQ(core::GetProperty("FaceCount", path("f.properties"), false), "9      ");
  EXPECT_EQ(core::GetProperty("EdgeCount", path("f.properties"), false), "1      ");
}

TEST_F(PropertyStoreTest, SetPropertyRefusesLineEndsInsideAField) {
  std::string g = path("g.properties");
  for (auto [key, value, build] : {std::tuple{"EdgeCount", "5\r\nFaceCount = 999", "B"},
                                   std::tuple{"EdgeCount", "5\rFaceCount = 999", "B"},
                                   std::tuple{"Edge\nFaceCount", "5", "B"},
                                   std::tuple{"EdgeCount", "5", "B\nFaceCount = 999"}}) {
    int number = 0;
    try {
      core::SetProperty(key, g, value, build);
    } catch (const automation::AutomationError& e) {
      number = e.number();
    }
    EXPECT_EQ(number, 5) << value;
  }
  EXPECT_FALSE(platform::fileExists(g));
  EXPECT_EQ(core::GetProperty("FaceCount", g, false), "-1");
  EXPECT_EQ(moduleTrace(), "");
}

TEST_F(PropertyStoreTest, ByteOrderMarkDoesNotHideTheFirstKey) {
  platform::writeFile(path("bom.properties"), "\xEF\xBB\xBF" "EdgeCount = 12      Build: B, Date: 01/02/2026\r\n");
  EXPECT_EQ(core::GetProperty("EdgeCount", path("bom.properties"), false), "12      ");
  EXPECT_EQ(core::GetProperty("EdgeCount", path("bom.properties"), true), "12");
  // In a result file too: the marked baseline agrees with the same lines.
  std::string msg;
  platform::writeFile(path("base.dat"), "\xEF\xBB\xBF" "10 20\r\n");
  platform::writeFile(path("new.dat"), "10 20\r\n");
  EXPECT_TRUE(core::CompareFiles(path("base.dat"), path("new.dat"), Variant("0"), msg)) << msg;
}

TEST_F(PropertyStoreTest, GetPropertyIsLinearOnAFileOfCarriageReturns) {
  // 16 MiB of CRs then the key: each CR searching its block for an LF made
  // 4 MiB take 84 s (16 MiB: over 20 minutes); a linear reader takes about
  // a second.
  std::string text(16u << 20, '\r');
  text += "EdgeCount = 7      Build: B\r\n";
  platform::writeFile(path("cr.properties"), text);
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(core::GetProperty("EdgeCount", path("cr.properties"), false), "7      ");
  EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 120.0);
}

TEST_F(PropertyStoreTest, BaselineWritersNeverWriteThroughALink) {
  platform::writeFile(path("target.txt"), "precious");
  std::filesystem::create_symlink(path("target.txt"), path("l.properties"));
  EXPECT_EQ(core::SetProperty("EdgeCount", path("l.properties"), "1", "B"), 1);
  EXPECT_EQ(moduleTrace(), "\"*** SetProperty() error\"\r\n\"*** Failure writing baseline\"\r\n");
  std::filesystem::create_symlink(path("target.txt"), path("journal.txt"));
  core::AppendJournalBlock(core::JournalBlock{"Exp_Open", "2", "1", "100% more", "sec", "'*** WARNING - ", ""},
                           path("journal.txt"));
  EXPECT_EQ(messages.size(), 1u);
  std::filesystem::create_symlink(path("target.txt"), path("TraceLog.log"));
  EXPECT_THROW(core::WriteTraceLog(path(""), "TestEdgeCount - Enter"), automation::AutomationError);
  EXPECT_EQ(read("target.txt"), "precious");
}

TEST_F(CompareFilesTest, CompareFilesEmptyLinesHaveNoItems) {
  std::string msg;
  // An empty baseline line agrees with any new line.
  platform::writeFile(path("base.txt"), "1\r\n\r\n3\r\n");
  platform::writeFile(path("new.txt"), "1\r\n2 4 x\r\n3\r\n");
  EXPECT_TRUE(core::CompareFiles(path("base.txt"), path("new.txt"), Variant("5"), msg)) << msg;
  // A baseline item without a partner in an empty new line is a run-time error.
  EXPECT_FALSE(core::CompareFiles(path("new.txt"), path("base.txt"), Variant("5"), msg));
  EXPECT_EQ(msg, "Subscript out of range");
  // Also through the class, by name.
  automation::ObjectRef pm = automation::createObject("VxlClasses.clsPropertyManager");
  std::vector<Variant> args{Variant(path("new.txt")), Variant(path("base.txt")), Variant("5"), Variant()};
  EXPECT_FALSE(automation::call(pm, "CompareFiles", args).asBool());
  EXPECT_EQ(args[3].asString(), "Subscript out of range");
}

TEST_F(CompareFilesTest, CompareFilesNamesTheRightLineFarIntoLargeFiles) {
  std::string common;
  for (int i = 0; i < 100000; ++i) common += "Default " + std::to_string(i) + " 0.25\r";  // CR alone
  std::string msg;
  platform::writeFile(path("base.dat"), common + "Mass 100\r10 20\r");
  platform::writeFile(path("within.dat"), common + "Mass 104\r10 20\r");
  platform::writeFile(path("beyond.dat"), common + "Mass 104\r10 30\r");
  EXPECT_TRUE(core::CompareFiles(path("base.dat"), path("within.dat"), Variant("5"), msg)) << msg;
  EXPECT_FALSE(core::CompareFiles(path("base.dat"), path("beyond.dat"), Variant("5"), msg));
  EXPECT_EQ(msg, "Line 100002 has changed.\r\n<B>Baseline ></B>10 20\r\n<B>New ></B>10 30");
  EXPECT_FALSE(core::CompareFiles(path("base.dat"), path("base.dat.none"), Variant("5"), msg));
  EXPECT_EQ(msg, "missing");
  // The same lines with other line ends still agree.
  std::string lf = common + "Mass 100\r10 20\r";
  std::replace(lf.begin(), lf.end(), '\r', '\n');
  platform::writeFile(path("lf.dat"), lf);
  EXPECT_TRUE(core::CompareFiles(path("base.dat"), path("lf.dat"), Variant("0"), msg)) << msg;
}

}  // namespace
}  // namespace rc::testing
