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

// A check that reports into the journal or writes data files.
CheckEntry dataCheck(std::string member, std::vector<int> types,
                     std::function<std::vector<Variant>(const CheckEnv&)> arguments,
                     std::vector<std::string> dataFiles = {}) {
  CheckEntry e;
  e.dataFiles = std::move(dataFiles);
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

  CheckEntry version = measurement("TestFileVersion", {kPart, kAssembly, kDrawing}, "FileVersion");
  version.arguments = [](const CheckEnv&) {
    return std::vector<Variant>{Variant::integer(1), Variant::integer(1)};  // compare, and list the history
  };
  c.push_back(version);

  CheckEntry perf = measurement("TestPerformance", {kPart, kAssembly, kDrawing}, "Open");
  perf.name = "TestPerformance(Exp_Open)";
  perf.kind = ResultKind::Time;
  perf.prepare = [](const CheckEnv& env) { au::letProperty(env.app, "InpPath", Variant(env.perfFolder)); };
  perf.arguments = [](const CheckEnv&) {
    return std::vector<Variant>{Variant("Exp_Open"), Variant::integer(1), Variant::integer(0)};
  };
  c.push_back(perf);

  auto inDataFolder = [](const CheckEnv& env) { return std::vector<Variant>{Variant(env.dataFolder)}; };
  c.push_back(dataCheck(
      "FailFeatureInSheets", {kDrawing},
      [](const CheckEnv& env) {
        return std::vector<Variant>{Variant(env.dataFolder), Variant(platform::joinPath(env.dataFolder, ""))};
      },
      {"RavelcrestDrawing.dat", "RavelcrestDrawingSheetCount.dat"}));
  c.push_back(dataCheck("ActivateSheets", {kDrawing}, noArguments));
  c.push_back(dataCheck("ActivateConfigs", {kPart, kAssembly}, noArguments));
  c.push_back(dataCheck("MassPropInCfgs", {kPart, kAssembly}, inDataFolder, {"MassPropertyInCinfigs.dat"}));
  c.push_back(dataCheck("FailedFeatInCongs", {kPart, kAssembly}, inDataFolder,
                        {"RavelcrestPartAssembly.dat", "RavelcrestPartAssemblyConfigCount.dat"}));
  c.push_back(dataCheck("Features", {kPart, kAssembly, kDrawing}, noArguments));
  c.push_back(dataCheck("ComponentCount", {kAssembly}, noArguments));
  // Operations that change the open document in memory come last.
  c.push_back(dataCheck("TestFlexible", {kAssembly}, noArguments));
  c.push_back(dataCheck("TestAssemInterference", {kAssembly}, noArguments));
  c.push_back(dataCheck("ViewCutPaste", {kDrawing}, noArguments));
  c.push_back(dataCheck("InsertBOM", {kDrawing}, noArguments));
  c.push_back(dataCheck("CreateSectionView", {kDrawing}, noArguments));
  return c;
}

}  // namespace

const std::vector<CheckEntry>& checkCatalog() {
  static const std::vector<CheckEntry> catalog = buildCatalog();
  return catalog;
}

}  // namespace rc::tools
