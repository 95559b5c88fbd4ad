// A minimal stand-in for the host application, for the library's unit
// tests: a journal, an active document with faces, and a call log.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/automation/Dispatch.h"
#include "platform/automation/Registry.h"

namespace rc::testing {

namespace au = rc::automation;

struct FakeFace : au::Dispatch {
  int edges = 0, triangles = 0;
  std::shared_ptr<FakeFace> next;
  int* selected = nullptr;
  static const au::ClassInfo& info();
  const au::ClassInfo& typeInfo() const override { return info(); }
};

struct FakeDoc : au::Dispatch {
  int type = 1;
  bool hasBody = true;
  std::shared_ptr<FakeFace> firstFace;
  int clearSelections = 0;
  int selectedFaces = 0;
  std::vector<double> massProperties = std::vector<double>(12, 1.0);  // GetMassProperties
  std::vector<std::string> versionHistory;                           // VersionHistory
  int components = -1;  // children of the assembly's root component; -1: no root component
  static const au::ClassInfo& info();
  const au::ClassInfo& typeInfo() const override { return info(); }
  // Builds faces with these edge and triangle counts.
  void setFaces(const std::vector<std::pair<int, int>>& counts);
};

struct FakeHost : au::Dispatch {
  std::vector<std::string> journal;
  std::shared_ptr<FakeDoc> doc;
  bool failRecordLine = false;
  static const au::ClassInfo& info();
  const au::ClassInfo& typeInfo() const override { return info(); }

  // Registers a fresh host under "Vexlar.Application" and "Orrery2007.Application"
  // (CreateObject hands out this instance) and returns it.
  static std::shared_ptr<FakeHost> install();
};

}  // namespace rc::testing
