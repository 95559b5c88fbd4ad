// The geometry module's entry: reads a STEP or BREP file with the kernel
// and answers the host's plain values. Every kernel failure becomes a
// refusal carrying the kernel's own words.
//
// Built twice: the parts module reads parts with the kernel's plain STEP
// reader and links only what that needs; the full module (RC_GEOMETRY_FULL)
// adds assemblies (the kernel's document reader, which keeps names and
// placements) and hidden-line projections, whose libraries cost a part's
// reading some ten megabytes more.
#include <BRepTools.hxx>
#include <BRep_Builder.hxx>
#include <IFSelect_ReturnStatus.hxx>
#include <Interface_Check.hxx>
#include <Interface_CheckIterator.hxx>
#include <Message.hxx>
#include <Message_Messenger.hxx>
#include <Message_Printer.hxx>
#include <STEPControl_Reader.hxx>
#include <Standard_Failure.hxx>
#include <TopoDS_Compound.hxx>
#include <XSControl_WorkSession.hxx>
#ifdef RC_GEOMETRY_FULL
#include <STEPCAFControl_Reader.hxx>
#include <TDF_LabelSequence.hxx>
#include <TDataStd_Name.hxx>
#include <TDocStd_Document.hxx>
#include <XCAFApp_Application.hxx>
#include <XCAFDoc_DocumentTool.hxx>
#include <XCAFDoc_ShapeTool.hxx>
#endif

#include <fstream>
#include <map>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "sim/host/geometry/GeometryFormat.h"
#include "sim/host/geometry/GeometryModule.h"
#include "sim/host/geometry/GeometryWire.h"
#include "sim/host/geometry/kernel/KernelShape.h"

namespace rc::sim::host::geometry::kernel {

namespace {

// A refusal raised inside the reading.
struct Refused : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Keeps the kernel's failure messages (instead of printing them) so the
// refusal can quote them.
class FailureRecorder : public Message_Printer {
 public:
  std::string first;

 protected:
  void send(const TCollection_AsciiString& text, const Message_Gravity gravity) const override {
    if (gravity >= Message_Fail && first.empty()) const_cast<FailureRecorder*>(this)->first = text.ToCString();
  }
};

#ifdef RC_GEOMETRY_FULL
std::string utf8(const TCollection_ExtendedString& s) {
  TCollection_AsciiString a(s);
  return a.ToCString();
}

std::string labelName(const TDF_Label& label) {
  Handle(TDataStd_Name) name;
  if (label.FindAttribute(TDataStd_Name::GetID(), name)) return utf8(name->Get());
  return {};
}

#endif

// The first failure the STEP reader's checks hold, or "".
std::string firstCheckFailure(const Handle(XSControl_WorkSession)& ws) {
  if (ws.IsNull()) return {};
  Interface_CheckIterator checks = ws->ModelCheckList();
  for (checks.Start(); checks.More(); checks.Next()) {
    const Handle(Interface_Check)& check = checks.Value();
    if (check->NbFails() > 0) return check->CFail(1);
  }
  return {};
}

std::string statusText(IFSelect_ReturnStatus s) {
  switch (s) {
    case IFSelect_RetVoid: return "no data";
    case IFSelect_RetError: return "error in the data";
    case IFSelect_RetFail: return "reading failed";
    case IFSelect_RetStop: return "reading stopped";
    default: return "done";
  }
}

// A STEP file without a product structure: a part, read as the kernel's
// plain reader reads it (no document of names to build).
Content readStepPart(const std::string& path, const MeshParameters& mesh, const FailureRecorder& recorder) {
  STEPControl_Reader reader;
  IFSelect_ReturnStatus status = reader.ReadFile(path.c_str());
  if (status != IFSelect_RetDone) {
    std::string why = firstCheckFailure(reader.WS());
    if (why.empty()) why = recorder.first;
    throw Refused("the STEP reader refused it (" + statusText(status) + ")" + (why.empty() ? "" : ": " + why));
  }
  if (reader.NbRootsForTransfer() == 0) throw Refused("the STEP file holds no shape");
  if (reader.TransferRoots() == 0) {
    std::string why = recorder.first.empty() ? firstCheckFailure(reader.WS()) : recorder.first;
    throw Refused("the STEP file's shapes cannot be transferred" + (why.empty() ? "" : ": " + why));
  }
  TopoDS_Shape shape = reader.OneShape();
  if (shape.IsNull()) throw Refused("the STEP file holds no shape");
  Content content;
  content.whole = measure(shape, mesh);
  return content;
}

Content readStep(const std::string& path, const MeshParameters& mesh, const FailureRecorder& recorder) {
#ifndef RC_GEOMETRY_FULL
  return readStepPart(path, mesh, recorder);
}
#else
  if (!stepHasProductStructure(path)) return readStepPart(path, mesh, recorder);
  Handle(TDocStd_Document) doc;
  XCAFApp_Application::GetApplication()->NewDocument("MDTV-XCAF", doc);
  STEPCAFControl_Reader reader;
  reader.SetNameMode(true);
  reader.SetColorMode(false);
  reader.SetLayerMode(false);
  reader.SetPropsMode(false);
  IFSelect_ReturnStatus status = reader.ReadFile(path.c_str());
  if (status != IFSelect_RetDone) {
    std::string why = firstCheckFailure(reader.ChangeReader().WS());
    if (why.empty()) why = recorder.first;
    throw Refused("the STEP reader refused it (" + statusText(status) + ")" + (why.empty() ? "" : ": " + why));
  }
  if (reader.ChangeReader().NbRootsForTransfer() == 0) throw Refused("the STEP file holds no shape");
  if (!reader.Transfer(doc)) {
    std::string why = recorder.first.empty() ? firstCheckFailure(reader.ChangeReader().WS()) : recorder.first;
    throw Refused("the STEP file's shapes cannot be transferred" + (why.empty() ? "" : ": " + why));
  }
  Handle(XCAFDoc_ShapeTool) tool = XCAFDoc_DocumentTool::ShapeTool(doc->Main());
  TDF_LabelSequence roots;
  tool->GetFreeShapes(roots);
  if (roots.IsEmpty()) throw Refused("the STEP file holds no shape");
  Content content;
  TopoDS_Shape whole;
  if (roots.Length() == 1) {
    whole = XCAFDoc_ShapeTool::GetShape(roots.First());
  } else {
    TopoDS_Compound all;
    BRep_Builder builder;
    builder.MakeCompound(all);
    for (const TDF_Label& root : roots) builder.Add(all, XCAFDoc_ShapeTool::GetShape(root));
    whole = all;
  }
  if (whole.IsNull()) throw Refused("the STEP file holds no shape");
  content.whole = measure(whole, mesh);
  TDF_LabelSequence components;
  if (roots.Length() == 1 && XCAFDoc_ShapeTool::IsAssembly(roots.First()))
    XCAFDoc_ShapeTool::GetComponents(roots.First(), components, false);
  content.assembly = !components.IsEmpty();
  // A component keeps the name the file gives it when no other component
  // has the same; otherwise it is named after its part, numbered.
  std::vector<std::string> given, partNames;
  std::map<std::string, int> uses, instances;
  for (const TDF_Label& component : components) {
    TDF_Label part;
    if (!XCAFDoc_ShapeTool::GetReferredShape(component, part)) part = component;
    given.push_back(labelName(component));
    partNames.push_back(labelName(part));
    ++uses[given.back()];
    Part p;
    p.shape = measure(XCAFDoc_ShapeTool::GetShape(part), mesh);
    content.components.push_back(std::move(p));
  }
  for (std::size_t i = 0; i < content.components.size(); ++i) {
    std::string partName = partNames[i].empty() ? std::string("Part") : partNames[i];
    int n = ++instances[partName];
    bool unique = !given[i].empty() && uses[given[i]] == 1;
    content.components[i].name = unique ? given[i] : partName + "-" + std::to_string(n);
  }
  XCAFApp_Application::GetApplication()->Close(doc);
  return content;
}
#endif

TopoDS_Shape readBrep(const std::string& path) {
  TopoDS_Shape shape;
  BRep_Builder builder;
  if (!BRepTools::Read(shape, path.c_str(), builder) || shape.IsNull())
    throw Refused("the BREP reader found no shape in it");
  return shape;
}

std::string answer(const char* path, double deflection, double angle, const double* direction) {
  Handle(FailureRecorder) recorder = new FailureRecorder();
  Message::DefaultMessenger()->ChangePrinters().Clear();
  Message::DefaultMessenger()->AddPrinter(recorder);
  MeshParameters mesh{deflection, angle};
  std::string file(path);
  try {
    Format format = formatOfFile(file);
    if (format == Format::Unknown) throw Refused("not a STEP or BREP file");
    if (direction) {
      if (!(direction[0] != 0 || direction[1] != 0 || direction[2] != 0)) throw Refused("the view direction is zero");
      TopoDS_Shape shape;
      if (format == Format::Brep) {
        shape = readBrep(file);
      } else {
        STEPControl_Reader reader;
        if (reader.ReadFile(file.c_str()) != IFSelect_RetDone || reader.TransferRoots() == 0)
          throw Refused("the STEP reader refused it");
        shape = reader.OneShape();
      }
#ifdef RC_GEOMETRY_FULL
      return wire::encode(project(shape, gp_Dir(direction[0], direction[1], direction[2]), mesh));
#else
      throw Refused("projections are made by the full geometry module");
#endif
    }
    if (format == Format::Brep) {
      Content c;
      c.whole = measure(readBrep(file), mesh);
      return wire::encode(c);
    }
    return wire::encode(readStep(file, mesh, *recorder));
  } catch (const Refused& e) {
    return wire::encode(wire::Refusal{e.what()});
  } catch (const Standard_Failure& e) {
    std::string what = e.GetMessageString() ? e.GetMessageString() : "";
    return wire::encode(wire::Refusal{std::string("the geometry kernel failed: ") + e.DynamicType()->Name() +
                                      (what.empty() ? "" : ": " + what)});
  } catch (const std::bad_alloc&) {
    return wire::encode(wire::Refusal{"the geometry kernel ran out of memory"});
  } catch (const std::exception& e) {
    return wire::encode(wire::Refusal{std::string("the geometry kernel failed: ") + e.what()});
  } catch (...) {
    return wire::encode(wire::Refusal{"the geometry kernel failed"});
  }
}

}  // namespace
}  // namespace rc::sim::host::geometry::kernel

extern "C" __attribute__((visibility("default"))) void rc_geometry_read(const char* path, double deflection,
                                                                       double angle, const double* direction,
                                                                       rc_geometry_sink sink, void* context) {
  std::string bytes;
  try {
    bytes = rc::sim::host::geometry::kernel::answer(path, deflection, angle, direction);
  } catch (...) {
    bytes = rc::sim::host::geometry::wire::encode(
        rc::sim::host::geometry::wire::Refusal{"the geometry kernel failed"});
  }
  sink(context, bytes.data(), bytes.size());
}
