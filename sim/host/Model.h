// The content of a document file, as plain values. Every record keeps the
// fields it does not know in `extra` as their JSON text, compact and without
// the braces ("\"colour\":\"red\",\"tags\":[1,2]"), so that saving writes them
// back as they came and a file's unknown parts never cost more than their text.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace rc::sim::host {

enum class DocType : std::int32_t { None = 0, Part = 1, Assembly = 2, Drawing = 3 };

struct Face {
  std::int32_t edges = 0;
  std::int32_t triangles = 0;
  std::string extra;
};

struct Feature {
  std::string name;
  std::string type;
  std::int32_t error = 0;
  std::vector<Feature> subFeatures;  // one level: a sub-feature's own sub-features stay in its `extra`
  std::string extra;
};

struct Component {
  std::string name;
  std::string file;  // relative to the assembly's folder, or absolute
  std::int32_t suppression = 2;
  bool hidden = false;
  std::string extra;
};

struct Configuration {
  std::string name = "Default";
  std::optional<std::vector<Face>> body;  // nullopt: no body
  std::string bodyExtra;
  std::array<double, 12> massProperties{};
  std::int32_t massStatus = 0;
  std::vector<Feature> features;
  std::vector<Component> components;
  std::string extra;
};

struct Annotation {
  std::int32_t type = 0;
  std::string extra;
};

struct DrawingView {
  std::string name;
  std::array<double, 2> position{};
  std::array<double, 4> outline{};  // left, bottom, right, top
  std::vector<double> xform{0, 0, 1};
  std::vector<Annotation> annotations;
  std::int32_t sketchLines = 0;  // centre lines sketched in the view
  std::string extra;
};

struct Sheet {
  std::string name;
  bool editingTemplate = false;
  std::vector<Feature> features;
  std::vector<DrawingView> views;  // the first one is the sheet itself
  std::string extra;
};

struct ViewRect {
  std::int32_t x = 0, y = 0, w = 0, h = 0;
  std::array<std::uint8_t, 3> color{};
  std::string extra;
};

struct ViewPicture {
  std::array<std::uint8_t, 3> background{255, 255, 255};
  std::string image;  // BMP file relative to the document's folder, or absolute
  std::vector<ViewRect> rects;
  std::string extra;
};

struct DocumentModel {
  std::optional<std::string> title;
  std::optional<std::int32_t> fileVersion;
  std::vector<std::string> versionHistory;
  bool readOnly = false;
  std::string lockedBy;
  bool viewOnly = false;
  std::string activeConfiguration;
  std::vector<Configuration> configurations;
  std::vector<Annotation> annotations;
  std::string currentSheet;
  std::vector<Sheet> sheets;
  std::optional<std::vector<std::string>> dependencies;
  std::optional<ViewPicture> view;
  std::int32_t saveErrors = 0;
  std::int32_t saveWarnings = 0;
  std::vector<std::pair<std::string, std::string>> faults;  // member name, description
  std::string extra;
};

}  // namespace rc::sim::host
