// What the geometry kernel computed for one geometry file, as plain values:
// the host keeps these and never a kernel object, so that the kernel can
// read in a process of its own and nothing of it stays in the host's.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace rc::sim::host::geometry {

// How a file is meshed; the sidecar's `meshDeflection` and `meshAngle`.
struct MeshParameters {
  double deflection = 0.1;  // linear, absolute, in model units
  double angle = 0.5;       // radians
};

struct FaceStats {
  std::int32_t edges = 0;      // distinct edges of the face
  std::int32_t triangles = 0;  // triangles of its triangulation
};

// A triangulated shape placed in model space, for drawing: triangles are
// index triples into `vertices` (x, y, z each), edges are polylines.
struct Mesh {
  std::vector<float> vertices;
  std::vector<std::uint32_t> triangles;
  std::vector<std::vector<float>> edges;

  std::size_t triangleCount() const { return triangles.size() / 3; }
};

// Mass properties of the solids, density 1: centre x, y, z, volume, area,
// mass, then the inertia at the centre xx, yy, zz, xy, zx, yz.
using MassValues = std::array<double, 12>;

struct Shape {
  std::vector<FaceStats> faces;
  MassValues mass{};
  bool hasSolid = false;
  Mesh mesh;
};

struct Part {
  std::string name;
  Shape shape;
};

// A file's content: the whole shape (components located) and, for an
// assembly, its top-level components, each in its own coordinates.
struct Content {
  bool assembly = false;
  Shape whole;
  std::vector<Part> components;
};

// A 2D drawing of a shape: the visible edges projected along a direction,
// as segments x0, y0, x1, y1 in model units of the projection plane.
using Projection = std::vector<float>;

// What one reading of a file asks for.
struct Request {
  std::string path;
  MeshParameters mesh;
  // When not empty, only the projection along this direction is computed.
  std::vector<double> direction;
};

}  // namespace rc::sim::host::geometry
