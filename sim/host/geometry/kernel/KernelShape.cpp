#include "sim/host/geometry/kernel/KernelShape.h"

#include <BRepAdaptor_Curve.hxx>
#include <BRepGProp.hxx>
#include <BRepMesh_IncrementalMesh.hxx>
#include <BRep_Tool.hxx>
#include <GCPnts_TangentialDeflection.hxx>
#include <GProp_GProps.hxx>
#ifdef RC_GEOMETRY_FULL
#include <HLRAlgo_Projector.hxx>
#include <HLRBRep_Algo.hxx>
#include <HLRBRep_HLRToShape.hxx>
#endif
#include <Poly_PolygonOnTriangulation.hxx>
#include <Poly_Triangulation.hxx>
#include <TopExp.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Edge.hxx>
#include <TopoDS_Face.hxx>
#include <gp_Ax2.hxx>

#include <thread>

namespace rc::sim::host::geometry::kernel {

namespace {

void addPoint(std::vector<float>& out, const gp_Pnt& p) {
  out.push_back(static_cast<float>(p.X()));
  out.push_back(static_cast<float>(p.Y()));
  out.push_back(static_cast<float>(p.Z()));
}

// The points of an edge along its curve, within the mesh's deflections.
std::vector<float> sampledEdge(const TopoDS_Edge& edge, const MeshParameters& mesh) {
  std::vector<float> points;
  BRepAdaptor_Curve curve(edge);
  GCPnts_TangentialDeflection sampler(curve, mesh.angle, mesh.deflection);
  for (int i = 1; i <= sampler.NbPoints(); ++i) addPoint(points, sampler.Value(i));
  return points;
}

// The polyline of an edge: the nodes the triangulation put on it, else
// points along its curve.
std::vector<float> edgePolyline(const TopoDS_Edge& edge, const MeshParameters& mesh) {
  Handle(Poly_PolygonOnTriangulation) polygon;
  Handle(Poly_Triangulation) triangulation;
  TopLoc_Location location;
  BRep_Tool::PolygonOnTriangulation(edge, polygon, triangulation, location);
  if (polygon.IsNull() || triangulation.IsNull()) return sampledEdge(edge, mesh);
  std::vector<float> points;
  const gp_Trsf& t = location.Transformation();
  const TColStd_Array1OfInteger& nodes = polygon->Nodes();
  for (int i = nodes.Lower(); i <= nodes.Upper(); ++i) addPoint(points, triangulation->Node(nodes(i)).Transformed(t));
  return points;
}

void addFace(const TopoDS_Face& face, Shape& out) {
  TopTools_IndexedMapOfShape edges;
  TopExp::MapShapes(face, TopAbs_EDGE, edges);
  FaceStats stats;
  stats.edges = edges.Extent();
  TopLoc_Location location;
  Handle(Poly_Triangulation) triangulation = BRep_Tool::Triangulation(face, location);
  if (!triangulation.IsNull()) {
    stats.triangles = triangulation->NbTriangles();
    Mesh& m = out.mesh;
    auto base = static_cast<std::uint32_t>(m.vertices.size() / 3);
    const gp_Trsf& t = location.Transformation();
    for (int i = 1; i <= triangulation->NbNodes(); ++i) addPoint(m.vertices, triangulation->Node(i).Transformed(t));
    bool reversed = face.Orientation() == TopAbs_REVERSED;
    for (int i = 1; i <= triangulation->NbTriangles(); ++i) {
      int a = 0, b = 0, c = 0;
      triangulation->Triangle(i).Get(a, b, c);
      if (reversed) std::swap(b, c);
      for (int n : {a, b, c}) m.triangles.push_back(base + static_cast<std::uint32_t>(n - 1));
    }
  }
  out.faces.push_back(stats);
}

void addMass(const TopoDS_Shape& shape, Shape& out) {
  out.hasSolid = TopExp_Explorer(shape, TopAbs_SOLID).More();
  if (!out.hasSolid) return;
  // The area is integrated beside the volume: both only read the shape.
  GProp_GProps surface;
  std::thread area([&] { BRepGProp::SurfaceProperties(shape, surface); });
  GProp_GProps volume;
  for (TopExp_Explorer ex(shape, TopAbs_SOLID); ex.More(); ex.Next()) {
    GProp_GProps one;
    BRepGProp::VolumeProperties(ex.Current(), one);
    volume.Add(one);
  }
  area.join();
  gp_Pnt c = volume.CentreOfMass();
  gp_Mat inertia = volume.MatrixOfInertia();
  out.mass = {c.X(), c.Y(), c.Z(), volume.Mass(), surface.Mass(), volume.Mass(),
              inertia(1, 1), inertia(2, 2), inertia(3, 3), inertia(1, 2), inertia(3, 1), inertia(2, 3)};
}

}  // namespace

Shape measure(const TopoDS_Shape& shape, const MeshParameters& mesh) {
  // Faces are meshed in parallel; each face's triangulation is the same as
  // a sequential meshing gives.
  BRepMesh_IncrementalMesh mesher(shape, mesh.deflection, false, mesh.angle, true);
  Shape out;
  for (TopExp_Explorer ex(shape, TopAbs_FACE); ex.More(); ex.Next()) addFace(TopoDS::Face(ex.Current()), out);
  TopTools_IndexedMapOfShape edges;
  TopExp::MapShapes(shape, TopAbs_EDGE, edges);
  for (int i = 1; i <= edges.Extent(); ++i) {
    const TopoDS_Edge& edge = TopoDS::Edge(edges(i));
    if (BRep_Tool::Degenerated(edge)) continue;
    std::vector<float> line = edgePolyline(edge, mesh);
    if (line.size() >= 6) out.mesh.edges.push_back(std::move(line));
  }
  addMass(shape, out);
  return out;
}

#ifdef RC_GEOMETRY_FULL
Projection project(const TopoDS_Shape& shape, const gp_Dir& direction, const MeshParameters& mesh) {
  gp_Dir x = direction.IsParallel(gp::DZ(), 1e-9) ? gp::DX() : gp_Dir(gp::DZ().Crossed(direction));
  Handle(HLRBRep_Algo) algo = new HLRBRep_Algo();
  algo->Add(shape);
  algo->Projector(HLRAlgo_Projector(gp_Ax2(gp::Origin(), direction, x)));
  algo->Update();
  algo->Hide();
  HLRBRep_HLRToShape visible(algo);
  Projection out;
  for (const TopoDS_Shape& part : {visible.VCompound(), visible.OutLineVCompound(), visible.Rg1LineVCompound()}) {
    if (part.IsNull()) continue;
    for (TopExp_Explorer ex(part, TopAbs_EDGE); ex.More(); ex.Next()) {
      std::vector<float> line = sampledEdge(TopoDS::Edge(ex.Current()), mesh);
      for (std::size_t i = 3; i + 2 < line.size(); i += 3) {
        out.insert(out.end(), {line[i - 3], line[i - 2], line[i], line[i + 1]});
      }
    }
  }
  return out;
}

#endif  // RC_GEOMETRY_FULL

}  // namespace rc::sim::host::geometry::kernel
