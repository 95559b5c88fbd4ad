#include "tests/sim/host/HostFixture.h"

namespace rc::sim::testing {
namespace {

using HostSessionTest = HostTest;

using automation::call;
using automation::callObject;
using automation::createObject;
using automation::getObject;
using automation::letProperty;

TEST(Sessions, DefaultSessionIsSharedAndEndsWithExitApp) {
  registerApplications();
  ObjectRef a = createObject("Vexlar.Application");
  ObjectRef b = createObject("Orrery2007.Application");
  EXPECT_EQ(a, b);
  EXPECT_EQ(getObject("Vexlar.Application"), a);
  EXPECT_EQ(call(a, "SimProgID").asString(), "Vexlar.Application");
  std::int32_t pid = call(a, "SimProcessID").asLong();
  EXPECT_EQ(getObject("VexlarSim.Session:" + std::to_string(pid)), a);

  call(a, "ExitApp");
  EXPECT_EQ(errorNumber([&] { getObject("Vexlar.Application"); }), err::CannotCreateObject);
  EXPECT_EQ(errorNumber([&] { getObject("VexlarSim.Session:" + std::to_string(pid)); }), err::CannotCreateObject);
  EXPECT_NE(errorNumber([&] { call(a, "ActiveDoc"); }), 0);
  EXPECT_NE(errorNumber([&] { call(a, "SimProcessID"); }), 0);

  ObjectRef fresh = createObject("Vexlar.Application");
  EXPECT_NE(fresh, a);
  call(fresh, "ExitApp");
}

TEST(Sessions, SeparateSessionsHaveTheirOwnProcessIdsAndLookup) {
  registerApplications();
  ObjectRef one = createObject("VexlarSim.Session");
  ObjectRef two = createObject("VexlarSim.Session");
  ASSERT_NE(one, two);
  std::int32_t p1 = call(one, "SimProcessID").asLong(), p2 = call(two, "SimProcessID").asLong();
  EXPECT_NE(p1, p2);
  EXPECT_LE(p1, 32767);  // fits the 16-bit lookup
  EXPECT_EQ(getObject("VexlarSim.Session:" + std::to_string(p2)), two);

  // A harness may renumber a session; the lookup follows, and a taken ID is refused.
  letProperty(one, "SimProcessID", Variant(-70000));
  EXPECT_EQ(getObject("VexlarSim.Session:-70000"), one);
  EXPECT_EQ(errorNumber([&] { getObject("VexlarSim.Session:" + std::to_string(p1)); }), err::CannotCreateObject);
  EXPECT_NE(errorNumber([&] { letProperty(two, "SimProcessID", Variant(-70000)); }), 0);
  EXPECT_EQ(call(two, "SimProcessID").asLong(), p2);

  call(one, "ExitApp");
  EXPECT_EQ(errorNumber([&] { getObject("VexlarSim.Session:-70000"); }), err::CannotCreateObject);
  EXPECT_EQ(getObject("VexlarSim.Session:" + std::to_string(p2)), two);
  call(two, "ExitApp");
}

TEST_F(HostSessionTest, ObjectsOfAnEndedSessionRefuseCalls) {
  ObjectRef doc = open("bracket.vxlprt", 1);
  ObjectRef body = callObject(doc, "Body");
  call(app, "ExitApp");
  EXPECT_NE(errorNumber([&] { call(doc, "GetType"); }), 0);
  EXPECT_NE(errorNumber([&] { call(body, "GetFirstFace"); }), 0);
  app = nullptr;
}

TEST_F(HostSessionTest, JournalKeepsLinesAndAppendsToItsFileWithCrLf) {
  std::string file = path("journal.txt");
  letProperty(app, "SimJournalFile", Variant(file));
  call(app, "RecordLine", {Variant("'*** first")});
  call(app, "RecordLine", {Variant("")});
  EXPECT_EQ(texts(call(app, "SimJournal")), (std::vector<std::string>{"'*** first", ""}));
  std::ifstream in(file, std::ios::binary);
  std::string content((std::istreambuf_iterator<char>(in)), {});
  EXPECT_EQ(content, "'*** first\r\n\r\n");
  call(app, "SimClearJournal");
  EXPECT_EQ(call(app, "SimJournal").asArray().ubound(), -1);
}

TEST_F(HostSessionTest, FaultInjection) {
  ObjectRef doc = open("bracket.vxlprt", 1);
  // SimFail: the next calls of one member, on any object.
  call(app, "SimFail", {Variant("GetType"), Variant("type refused"), Variant(2)});
  for (int i = 0; i < 2; ++i) {
    try {
      call(doc, "gettype");
      ADD_FAILURE() << "no fault";
    } catch (const AutomationError& e) {
      EXPECT_EQ(e.description(), "type refused");
    }
  }
  EXPECT_EQ(call(doc, "GetType").asLong(), 1);

  // SimFailAfter: the n-th call from now, whatever the member; Sim members do not count.
  std::int32_t before = call(app, "SimCallCount").asLong();
  call(app, "SimFailAfter", {Variant(3), Variant("third call")});
  call(doc, "GetTitle");
  call(app, "SimCallCount");
  call(doc, "GetPathName");
  EXPECT_NE(errorNumber([&] { call(doc, "GetType"); }), 0);
  EXPECT_EQ(call(doc, "GetType").asLong(), 1);
  EXPECT_EQ(call(app, "SimCallCount").asLong(), before + 4);
}

TEST_F(HostSessionTest, DocumentFaultsApplyToTheDocumentAndItsObjects) {
  std::ofstream(path("faulty.vxlprt")) << R"({"faults": {"GetMassProperties": "mass properties unavailable",
    "GetEdgeCount": "no edges"}, "configurations": [{"name": "A", "body": {"faces": [{"edges": 3}]}}]})";
  ObjectRef doc = open("faulty.vxlprt", 1);
  try {
    call(doc, "GetMassProperties");
    ADD_FAILURE();
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.description(), "mass properties unavailable");
  }
  ObjectRef face = callObject(callObject(doc, "Body"), "GetFirstFace");
  EXPECT_NE(errorNumber([&] { call(face, "GetEdgeCount"); }), 0);
  EXPECT_EQ(call(face, "GetTessTriangleCount").asLong(), 0);
}

}  // namespace
}  // namespace rc::sim::testing
