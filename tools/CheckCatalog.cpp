#include "tools/CheckCatalog.h"

#include "platform/os/Paths.h"

namespace rc::tools {

namespace au = rc::automation;
using au::Variant;

std::string propertiesFileOf(const CheckEnv& env) {
  return platform::joinPath(env.folder, env.nameOnly + ".properties");
}

namespace {

std::vector<Variant> noArguments(const CheckEnv&) { return {}; }

std::vector<std::string> propertiesOnly(const CheckEnv& env) { return {propertiesFileOf(env)}; }

std::string massBaselineOf(const CheckEnv& env) {
  return platform::joinPath(env.folder, env.nameOnly + ".massproperties");
}

CheckEntry measurement(std::string member, std::vector<int> types, std::string key) {
  CheckEntry e;
  e.name = member;
  e.member = std::move(member);
  e.types = std::move(types);
  e.baselineKey = std::move(key);
  e.arguments = noArguments;
  e.baselineFiles = propertiesOnly;
  return e;
}

// A check that writes data files into the results folder.
CheckEntry dataCheck(std::string member, std::vector<int> types,
                     std::function<std::vector<Variant>(const CheckEnv&)> arguments) {
  CheckEntry e;
  e.name = member;
  e.member = std::move(member);
  e.types = std::move(types);
  e.arguments = std::move(arguments);
  return e;
}

std::vector<CheckEntry> buildCatalog() {
  std::vector<CheckEntry> c;
  c.push_back(measurement("TestEdgeCount", {kPart}, "EdgeCount"));
  c.push_back(measurement("TestTessTriangleCount", {kPart}, "TessTriangleCount"));

  CheckEntry size = measurement("TestFileSize", {kPart, kAssembly, kDrawing}, "FileSize");
  size.arguments = [](const CheckEnv& env) { return std::vector<Variant>{Variant(env.document)}; };
  c.push_back(size);

  CheckEntry mass = measurement("TestMassProp", {kPart, kAssembly}, "");
  mass.prepare = [](const CheckEnv& env) { au::letProperty(env.app, "BLFile", Variant(massBaselineOf(env))); };
  mass.arguments = [](const CheckEnv&) { return std::vector<Variant>{Variant(false)}; };
  mass.baselineFiles = [](const CheckEnv& env) { return std::vector<std::string>{massBaselineOf(env)}; };
  c.push_back(mass);

  c.push_back(measurement("TestFileVersion", {kPart, kAssembly, kDrawing}, "FileVersion"));

  CheckEntry perf = measurement("TestPerformance", {kPart, kAssembly, kDrawing}, "Open");
  perf.name = "TestPerformance(Exp_Open)";
  perf.kind = ResultKind::Time;
  perf.prepare = [](const CheckEnv& env) { au::letProperty(env.app, "InpPath", Variant(env.perfFolder)); };
  perf.arguments = [](const CheckEnv&) {
    return std::vector<Variant>{Variant("Exp_Open"), Variant::integer(1), Variant::integer(0)};
  };
  c.push_back(perf);

  auto inResults = [](const CheckEnv& env) { return std::vector<Variant>{Variant(env.results)}; };
  c.push_back(dataCheck("FailFeatureInSheets", {kDrawing}, inResults));
  c.push_back(dataCheck("ActivateSheets", {kDrawing}, inResults));
  c.push_back(dataCheck("ActivateConfigs", {kPart, kAssembly}, inResults));
  c.push_back(dataCheck("MassPropInCfgs", {kPart, kAssembly}, inResults));
  c.push_back(dataCheck("FailedFeatInCongs", {kPart, kAssembly}, inResults));
  c.push_back(dataCheck("Features", {kPart, kAssembly, kDrawing}, noArguments));
  c.push_back(dataCheck("ComponentCount", {kAssembly}, noArguments));
  return c;
}

}  // namespace

const std::vector<CheckEntry>& checkCatalog() {
  static const std::vector<CheckEntry> catalog = buildCatalog();
  return catalog;
}

}  // namespace rc::tools
