// Writes the geometry samples of examples/models with the Open CASCADE
// kernel's primitives: a part (a mounting plate with filleted corners, two
// bolt holes and a boss) and an assembly (the plate with two bolts through
// its holes), as STEP files.
//
//   make_geometry_samples FOLDER
//   make_geometry_samples --seeds FOLDER   (the geometry loader's fuzz seeds)
#include <BRepAlgoAPI_Cut.hxx>
#include <BRepAlgoAPI_Fuse.hxx>
#include <BRepFilletAPI_MakeFillet.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <BRepPrimAPI_MakeCylinder.hxx>
#include <BRepTools.hxx>
#include <BRep_Tool.hxx>
#include <STEPControl_Writer.hxx>
#include <TopExp.hxx>
#include <Interface_Static.hxx>
#include <Message.hxx>
#include <Message_Messenger.hxx>
#include <STEPCAFControl_Writer.hxx>
#include <TDataStd_Name.hxx>
#include <TDocStd_Document.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Edge.hxx>
#include <XCAFApp_Application.hxx>
#include <XCAFDoc_DocumentTool.hxx>
#include <XCAFDoc_ShapeTool.hxx>
#include <gp_Ax2.hxx>

#include <cmath>
#include <iostream>
#include <string>

namespace {

constexpr double kHoleRadius = 3.2;
constexpr double kHoleX[] = {12, 48};

// A 60 x 40 x 8 plate, its four vertical corner edges filleted (r 5), two
// through holes for M6 bolts and a boss (r 8, 10 high) in the middle.
TopoDS_Shape plate() {
  TopoDS_Shape block = BRepPrimAPI_MakeBox(60, 40, 8).Shape();
  BRepFilletAPI_MakeFillet fillet(block);
  for (TopExp_Explorer ex(block, TopAbs_EDGE); ex.More(); ex.Next()) {
    const TopoDS_Edge& e = TopoDS::Edge(ex.Current());
    gp_Pnt a = BRep_Tool::Pnt(TopExp::FirstVertex(e)), b = BRep_Tool::Pnt(TopExp::LastVertex(e));
    if (std::fabs(a.X() - b.X()) < 1e-9 && std::fabs(a.Y() - b.Y()) < 1e-9) fillet.Add(5, e);
  }
  TopoDS_Shape shape = fillet.Shape();
  shape = BRepAlgoAPI_Fuse(shape, BRepPrimAPI_MakeCylinder(gp_Ax2(gp_Pnt(30, 20, 8), gp::DZ()), 8, 10).Shape()).Shape();
  for (double x : kHoleX)
    shape = BRepAlgoAPI_Cut(shape, BRepPrimAPI_MakeCylinder(gp_Ax2(gp_Pnt(x, 20, -1), gp::DZ()), kHoleRadius, 10).Shape())
                .Shape();
  return shape;
}

// An M6 bolt standing on the origin: a head (r 5, 4 high) on a shank.
TopoDS_Shape bolt() {
  TopoDS_Shape head = BRepPrimAPI_MakeCylinder(gp_Ax2(gp_Pnt(0, 0, 8), gp::DZ()), 5, 4).Shape();
  TopoDS_Shape shank = BRepPrimAPI_MakeCylinder(gp_Ax2(gp_Pnt(0, 0, -6), gp::DZ()), 3, 14).Shape();
  return BRepAlgoAPI_Fuse(head, shank).Shape();
}

bool write(const Handle(TDocStd_Document)& doc, const std::string& path) {
  STEPCAFControl_Writer writer;
  writer.SetNameMode(true);
  if (!writer.Transfer(doc, STEPControl_AsIs)) return false;
  return writer.Write(path.c_str()) == IFSelect_RetDone;
}

Handle(TDocStd_Document) newDocument() {
  Handle(TDocStd_Document) doc;
  XCAFApp_Application::GetApplication()->NewDocument("MDTV-XCAF", doc);
  return doc;
}

bool writePart(const std::string& path) {
  Handle(TDocStd_Document) doc = newDocument();
  Handle(XCAFDoc_ShapeTool) tool = XCAFDoc_DocumentTool::ShapeTool(doc->Main());
  TDataStd_Name::Set(tool->AddShape(plate(), false), "mount-plate");
  return write(doc, path);
}

bool writeAssembly(const std::string& path) {
  Handle(TDocStd_Document) doc = newDocument();
  Handle(XCAFDoc_ShapeTool) tool = XCAFDoc_DocumentTool::ShapeTool(doc->Main());
  TDF_Label assembly = tool->NewShape();
  TDataStd_Name::Set(assembly, "bolted-plate");
  TDF_Label plateLabel = tool->AddShape(plate(), false);
  TDataStd_Name::Set(plateLabel, "mount-plate");
  TDF_Label boltLabel = tool->AddShape(bolt(), false);
  TDataStd_Name::Set(boltLabel, "bolt-m6");
  TDataStd_Name::Set(tool->AddComponent(assembly, plateLabel, TopLoc_Location()), "plate");
  int n = 0;
  for (double x : kHoleX) {
    gp_Trsf t;
    t.SetTranslation(gp_Vec(x, 20, 0));
    TDataStd_Name::Set(tool->AddComponent(assembly, boltLabel, TopLoc_Location(t)),
                       ("bolt-" + std::to_string(++n)).c_str());
  }
  tool->UpdateAssemblies();
  return write(doc, path);
}

// Small STEP files for the geometry loader's fuzz seeds: a box, a
// cylinder, a box with a hole, an assembly of two boxes, and a BREP box.
bool writeSeeds(const std::string& folder) {
  STEPControl_Writer box, cylinder, holed;
  box.Transfer(BRepPrimAPI_MakeBox(1, 2, 3).Shape(), STEPControl_AsIs);
  cylinder.Transfer(BRepPrimAPI_MakeCylinder(1, 2).Shape(), STEPControl_AsIs);
  holed.Transfer(BRepAlgoAPI_Cut(BRepPrimAPI_MakeBox(4, 4, 1).Shape(),
                                 BRepPrimAPI_MakeCylinder(gp_Ax2(gp_Pnt(2, 2, -1), gp::DZ()), 1, 3).Shape())
                     .Shape(),
                 STEPControl_AsIs);
  bool ok = box.Write((folder + "/box.step").c_str()) == IFSelect_RetDone &&
            cylinder.Write((folder + "/cylinder.step").c_str()) == IFSelect_RetDone &&
            holed.Write((folder + "/holed.step").c_str()) == IFSelect_RetDone &&
            BRepTools::Write(BRepPrimAPI_MakeBox(1, 1, 1).Shape(), (folder + "/box.brep").c_str());
  Handle(TDocStd_Document) doc = newDocument();
  Handle(XCAFDoc_ShapeTool) tool = XCAFDoc_DocumentTool::ShapeTool(doc->Main());
  TDF_Label assembly = tool->NewShape();
  TDF_Label cube = tool->AddShape(BRepPrimAPI_MakeBox(1, 1, 1).Shape(), false);
  gp_Trsf t;
  t.SetTranslation(gp_Vec(2, 0, 0));
  tool->AddComponent(assembly, cube, TopLoc_Location());
  tool->AddComponent(assembly, cube, TopLoc_Location(t));
  tool->UpdateAssemblies();
  return ok && write(doc, folder + "/assembly.step");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 && !(argc == 3 && std::string(argv[1]) == "--seeds")) {
    std::cerr << "usage: make_geometry_samples [--seeds] FOLDER\n";
    return 2;
  }
  Message::DefaultMessenger()->ChangePrinters().Clear();
  Interface_Static::SetCVal("write.step.schema", "AP214IS");
  if (argc == 3) {
    if (writeSeeds(argv[2])) return 0;
    std::cerr << "make_geometry_samples: cannot write the seeds into " << argv[2] << "\n";
    return 1;
  }
  std::string folder = argv[1];
  bool ok = writePart(folder + "/mount-plate.step") && writeAssembly(folder + "/bolted-plate.step");
  if (!ok) {
    std::cerr << "make_geometry_samples: cannot write the samples into " << folder << "\n";
    return 1;
  }
  std::cout << "wrote " << folder << "/mount-plate.step and " << folder << "/bolted-plate.step\n";
  return 0;
}
