// Shapes for the geometry tests, built with the kernel's own primitives and
// written as STEP or BREP files, so each test knows its values in closed form.
#pragma once

#include <BRepAlgoAPI_Cut.hxx>
#include <BRepMesh_IncrementalMesh.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <BRepPrimAPI_MakeCylinder.hxx>
#include <BRepTools.hxx>
#include <BRep_Tool.hxx>
#include <Interface_Static.hxx>
#include <Message.hxx>
#include <Message_Messenger.hxx>
#include <Poly_Triangulation.hxx>
#include <STEPCAFControl_Writer.hxx>
#include <STEPControl_Reader.hxx>
#include <STEPControl_Writer.hxx>
#include <TDataStd_Name.hxx>
#include <TDocStd_Document.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Face.hxx>
#include <XCAFApp_Application.hxx>
#include <XCAFDoc_DocumentTool.hxx>
#include <XCAFDoc_ShapeTool.hxx>
#include <gp_Ax2.hxx>

#include <string>
#include <utility>
#include <vector>

namespace rc::sim::testing::shapes {

// The kernel's writers report to standard output; the tests keep it quiet.
inline const bool kQuietKernel = [] {
  Message::DefaultMessenger()->ChangePrinters().Clear();
  return true;
}();

inline TopoDS_Shape box(double dx, double dy, double dz) { return BRepPrimAPI_MakeBox(dx, dy, dz).Shape(); }

inline TopoDS_Shape cylinder(double r, double h) { return BRepPrimAPI_MakeCylinder(r, h).Shape(); }

// A dx x dy x dz box with a vertical through hole of radius r at (x, y).
inline TopoDS_Shape boxWithHole(double dx, double dy, double dz, double r, double x, double y) {
  TopoDS_Shape hole = BRepPrimAPI_MakeCylinder(gp_Ax2(gp_Pnt(x, y, -1), gp::DZ()), r, dz + 2).Shape();
  return BRepAlgoAPI_Cut(box(dx, dy, dz), hole).Shape();
}

inline bool writeStep(const TopoDS_Shape& shape, const std::string& path) {
  STEPControl_Writer writer;
  if (writer.Transfer(shape, STEPControl_AsIs) != IFSelect_RetDone) return false;
  return writer.Write(path.c_str()) == IFSelect_RetDone;
}

inline bool writeBrep(const TopoDS_Shape& shape, const std::string& path) { return BRepTools::Write(shape, path.c_str()); }

// A STEP assembly named `name` of the parts placed at the given translations.
inline bool writeAssembly(const std::string& path, const std::string& name,
                          const std::vector<std::pair<std::string, TopoDS_Shape>>& parts,
                          const std::vector<std::pair<std::size_t, gp_Vec>>& placements) {
  Handle(TDocStd_Document) doc;
  XCAFApp_Application::GetApplication()->NewDocument("MDTV-XCAF", doc);
  Handle(XCAFDoc_ShapeTool) tool = XCAFDoc_DocumentTool::ShapeTool(doc->Main());
  TDF_Label assembly = tool->NewShape();
  TDataStd_Name::Set(assembly, name.c_str());
  std::vector<TDF_Label> labels;
  for (const auto& [partName, shape] : parts) {
    TDF_Label l = tool->AddShape(shape, false);
    TDataStd_Name::Set(l, partName.c_str());
    labels.push_back(l);
  }
  for (const auto& [index, offset] : placements) {
    gp_Trsf t;
    t.SetTranslation(offset);
    tool->AddComponent(assembly, labels.at(index), TopLoc_Location(t));
  }
  tool->UpdateAssemblies();
  STEPCAFControl_Writer writer;
  if (!writer.Transfer(doc, STEPControl_AsIs)) return false;
  bool ok = writer.Write(path.c_str()) == IFSelect_RetDone;
  XCAFApp_Application::GetApplication()->Close(doc);
  return ok;
}

// The shape of a STEP file as the kernel's plain reader gives it.
inline TopoDS_Shape readStep(const std::string& path) {
  STEPControl_Reader reader;
  if (reader.ReadFile(path.c_str()) != IFSelect_RetDone) return {};
  reader.TransferRoots();
  return reader.OneShape();
}

// The triangle count of each face (explorer order) after the kernel's own
// meshing with these parameters.
inline std::vector<int> kernelTriangles(const TopoDS_Shape& shape, double deflection, double angle) {
  BRepMesh_IncrementalMesh mesh(shape, deflection, false, angle, false);
  std::vector<int> counts;
  for (TopExp_Explorer ex(shape, TopAbs_FACE); ex.More(); ex.Next()) {
    TopLoc_Location loc;
    Handle(Poly_Triangulation) t = BRep_Tool::Triangulation(TopoDS::Face(ex.Current()), loc);
    counts.push_back(t.IsNull() ? 0 : t->NbTriangles());
  }
  return counts;
}

}  // namespace rc::sim::testing::shapes
