// Set-up of the geometry document tests: a scratch folder for the STEP and
// BREP files a test writes, and a fresh host session that opens them.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/automation/Dispatch.h"
#include "platform/automation/Error.h"
#include "platform/automation/Registry.h"
#include "platform/automation/SafeArray.h"
#include "sim/Register.h"
#include "tests/support/TestSupport.h"

namespace rc::sim::testing {

using automation::call;
using automation::callObject;
using automation::ObjectRef;
using automation::Variant;

inline std::vector<std::string> texts(const Variant& v) {
  std::vector<std::string> out;
  for (const Variant& item : v.asArray().items()) out.push_back(item.toText());
  return out;
}

inline std::string fileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void writeText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

class GeometryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    registerApplications();
    app = automation::createObject("VexlarSim.Session");
  }
  void TearDown() override {
    try {
      if (app) call(app, "ExitApp");
    } catch (const automation::AutomationError&) {
    }
  }

  std::string path(const std::string& name) const { return dir / name; }

  // OpenDoc6 of `name` as `type`; the errors it reported in `errors`.
  ObjectRef openAs(const std::string& name, int type, std::int32_t& errors) {
    std::vector<Variant> args{Variant(path(name)), Variant(type), Variant(0), Variant(""), Variant(0), Variant(0)};
    Variant doc = call(app, "OpenDoc6", std::span<Variant>(args));
    errors = args[4].asLong();
    return doc.isObject() ? doc.asObject() : nullptr;
  }
  ObjectRef open(const std::string& name, int type) {
    std::int32_t errors = 0;
    ObjectRef doc = openAs(name, type, errors);
    EXPECT_EQ(errors, 0) << name << ": " << lastMessage();
    EXPECT_TRUE(doc) << name;
    return doc;
  }
  std::string lastMessage() {
    std::vector<std::string> m = texts(call(app, "SimMessages"));
    return m.empty() ? std::string() : m.back();
  }

  // Each face's (edge count, triangle count), in body order.
  std::vector<std::pair<int, int>> faces(const ObjectRef& doc) {
    std::vector<std::pair<int, int>> out;
    for (ObjectRef f = callObject(callObject(doc, "Body"), "GetFirstFace"); f; f = callObject(f, "GetNextFace"))
      out.emplace_back(call(f, "GetEdgeCount").asLong(), call(f, "GetTessTriangleCount").asLong());
    return out;
  }
  std::vector<double> mass(const ObjectRef& doc) {
    std::vector<double> out;
    for (const Variant& v : call(doc, "GetMassProperties").asArray().items()) out.push_back(v.asDouble());
    return out;
  }

  rc::testing::ScratchFolder dir;
  ObjectRef app;
};

}  // namespace rc::sim::testing
