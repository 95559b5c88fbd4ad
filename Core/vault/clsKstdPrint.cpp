#include "Core/vault/clsKstdPrint.h"

#include <optional>
#include <utility>
#include <vector>

#include "Core/frame/ClassIds.h"
#include "Core/interfaces/HostLookup.h"
#include "Core/interfaces/VaultCalls.h"
#include "Core/vault/LoginSettings.h"
#include "Core/vault/TaskMembers.h"
#include "Core/vault/PageRanges.h"
#include "Core/vault/ReferenceFetch.h"
#include "Core/vault/WarningFile.h"
#include "platform/automation/Registry.h"
#include "platform/automation/SafeArray.h"
#include "platform/automation/Trap.h"
#include "platform/os/Files.h"
#include "platform/os/Paths.h"
#include "platform/os/System.h"

namespace rc::core {

namespace au = rc::automation;
using au::AutomationError;
using au::VarType;
using au::Variant;

namespace {

constexpr std::string_view kLoginKey = "TempPrintUser";
constexpr std::string_view kWarningPrefix = "Keystead Print Warning: ";
constexpr std::string_view kRetrieveFailed = "Error Retrieving From Vault";
// OpenDoc6 options: silent and read-only.
constexpr int kOpenOptions = 3;
constexpr int kFeatureManagerWidth = 30;
constexpr int kLastToolbar = 28;
constexpr int kAllPagesLast = 250;


}  // namespace

// ---- Vault session --------------------------------------------------------

bool clsKstdPrint::InitKeysteadConnection(std::string& returnedErrString) {
  return vault::OpenVaultConnection(
      connection_, [this](std::string& text) { return Login(text); }, " in function InitKeysteadConnection.",
      returnedErrString);
}

bool clsKstdPrint::Login(std::string& returnedErrString) {
  returnedErrString.clear();
  bool result = false;
  au::trapped([&] { result = vault::LoginWithStoredValues(connection_, kLoginKey, returnedErrString); },
              [&](const AutomationError& e) { returnedErrString = vault::WithSuffix(e, " in Login."); });
  return result;
}

bool clsKstdPrint::Logout() {
  if (connection_) au::trapped([&] { au::call(connection_, "Logout"); }, [](const AutomationError&) {});
  connection_.reset();
  return false;
}

std::string clsKstdPrint::GetUserName() { return vault::LoginValue(kLoginKey, vault::kUserNameValue); }
std::string clsKstdPrint::GetPassword() { return vault::LoginValue(kLoginKey, vault::kPasswordValue); }
std::string clsKstdPrint::GetVaultComputer() { return vault::LoginValue(kLoginKey, vault::kVaultComputerValue); }

void clsKstdPrint::WarningOut(const std::string& warningString) {
  vault::AppendWarning(PrintWarningFilePath, kWarningPrefix, warningString);
}

// ---- Retrieval --------------------------------------------------------------

bool clsKstdPrint::PrintDocument(const std::string& documentName, std::string& returnedErrString) {
  returnedErrString.clear();
  bool result = false;
  au::trapped(
      [&] {
        ObjectRef doc = vault::GetSpecificDocument(connection_, documentName);
        if (!doc) {
          returnedErrString = kRetrieveFailed;
          return;
        }
        result = PrintSpecificDocument(doc, returnedErrString);
        if (!result && returnedErrString.empty()) returnedErrString = "Print Failed";
      },
      [&](const AutomationError& e) {
        result = false;
        if (returnedErrString.empty()) returnedErrString = vault::WithSuffix(e, " in function PrintDocument.");
      });
  CleanUp();
  Logout();
  return result;
}

bool clsKstdPrint::PrintSpecificDocument(const ObjectRef& specificDocument, std::string& returnedErrString) {
  returnedErrString.clear();
  if (!specificDocument) {
    returnedErrString = "Error";
    return false;
  }
  std::string name;
  if (!au::trapped([&] { name = vault::DocumentName(specificDocument); },
                   [&](const AutomationError& e) {
                     returnedErrString = vault::WithSuffix(e, " in function PrintSpecificDocument.");
                   }))
    return false;
  if (!vault::IsPlainDocumentName(name)) {
    returnedErrString = vault::RefusedNameText(name);
    return false;
  }
  const std::string local = vault::LocalFilePath(PrintingDirectory, name);
  if (!GetDocumentToDisk(specificDocument, returnedErrString)) {
    if (returnedErrString.empty()) returnedErrString = kRetrieveFailed;
    return false;
  }
  std::string ignored;
  au::ResumeNext(nullptr).step([&] { getDocumentReferences(specificDocument, ignored); });
  return RunVexlarPrint(local, returnedErrString);
}

bool clsKstdPrint::GetDocumentToDisk(const ObjectRef& document, std::string& returnedErrString) {
  return vault::FetchDocumentToDisk(
      document, PrintingDirectory,
      [this](const std::string& name, const std::string&) {
        return GetFileAlreadyExistsOnDisk(vault::LocalFilePath(PrintingDirectory, name));
      },
      [this](std::int32_t size, std::string& text) { return GetEnoughSizeOnDisk(size, PrintingDirectory, text); },
      returnedErrString);
}

bool clsKstdPrint::GetEnoughSizeOnDisk(std::int32_t sizeNeeded, const std::string& directoryForFiles,
                                       std::string& returnedErrString) {
  returnedErrString.clear();
  bool result = false;
  au::trapped(
      [&] {
        // The margin is added in 32 bits, as the size is given.
        if (sizeNeeded > INT32_MAX - 3000) au::raise(au::err::Overflow);
        const vault::FreeBytesQuery query =
            freeBytes_ ? freeBytes_ : [](std::string_view folder) { return platform::freeBytes(folder); };
        result = vault::EnoughSizeOnDisk(sizeNeeded, directoryForFiles, query, nullptr);
      },
      [&](const AutomationError& e) { returnedErrString = vault::WithSuffix(e, " in function GetEnoughSizeOnDisk."); });
  return result;
}

bool clsKstdPrint::getDocumentReferences(const ObjectRef& document, std::string& returnedErrString) {
  returnedErrString.clear();
  vault::VisitedDocuments visited;
  vault::ReferenceFetchHooks hooks{
      [this](const ObjectRef& doc, std::string& err) { return GetDocumentToDisk(doc, err); },
      [this](std::string_view text) { WarningOut(std::string(text)); },
      [this](const AutomationError& e) { WarningOut(vault::WithSuffix(e, " in getDocumentReferences")); },
      "Print",
      /*lookupErrorsEndWalk=*/true,
  };
  vault::FetchReferenceTree(connection_, document, visited, hooks);
  return true;
}

bool clsKstdPrint::GetFileAlreadyExistsOnDisk(const std::string& documentName) {
  return platform::fileExists(documentName);
}

// ---- Host print run ---------------------------------------------------------

void clsKstdPrint::printOpenDocument(const ObjectRef& doc, const std::vector<std::int32_t>& pagePairs) {
  if (PageSetupUseDefault == "FALSE") {
    ObjectRef setup = au::callObject(doc, "PageSetup");
    au::letProperty(setup, "PrinterPaperSize", Variant(PaperSize));
    au::letProperty(setup, "PrinterPaperSource", Variant(PaperSource));
    au::letProperty(setup, "Orientation", Variant(Orientation));
    au::letProperty(setup, "UsePageSetupOnSheets", Variant(false));
  }
  const std::string printer = PrintUseDefault == "TRUE" ? std::string() : PrintPrinter;
  ObjectRef extension = au::callObject(doc, "extension");
  if (PrintRange != "1") {
    std::vector<Variant> args{Variant(1), Variant(kAllPagesLast), Variant(Copies), Variant(Collate), Variant(printer),
                              Variant("")};
    au::call(extension, "PrintOut", args);
    return;
  }
  std::vector<Variant> pages(pagePairs.begin(), pagePairs.end());
  std::vector<Variant> args{Variant(au::SafeArray::vector(VarType::Long, std::move(pages))), Variant(Copies), Variant(Collate), Variant(printer), Variant("")};
  au::call(extension, "PrintOut2", args);
}

bool clsKstdPrint::RunVexlarPrint(const std::string& docNameIn, std::string& returnedErrString) {
  returnedErrString.clear();
  std::vector<std::int32_t> pagePairs;
  if (PrintRange == "1") {
    std::optional<std::vector<std::int32_t>> parsed = vault::ParsePageRanges(PrintPageRange);
    if (!parsed) {
      returnedErrString = "Invalid page range '" + PrintPageRange + "'";
      return false;
    }
    pagePairs = std::move(*parsed);
  }
  bool printed = false;  // handed to the printer: the run's result
  bool stopped = false;  // nothing was opened: the host keeps running
  std::string pendingError;
  ObjectRef host;
  au::trapped(
      [&] {
        const int type = vault::HostDocumentType(vault::GetFileType(docNameIn));
        host = GetApp();
        au::call(host, "SetCurrentWorkingDirectory", PrintingDirectory);
        std::vector<Variant> args{Variant(docNameIn), Variant(type), Variant(kOpenOptions), Variant(""), Variant(0),
                                  Variant(0)};
        ObjectRef opened = type == 0 ? nullptr : au::call(host, "OpenDoc6", args).toObject();
        const std::int32_t warnings = args[5].toLong();
        if (warnings & 4) returnedErrString = "File '" + docNameIn + "' was locked by another user.";
        else if (warnings & 512) returnedErrString = "File '" + docNameIn + "' has view-only restriction.";
        if (!opened) {
          stopped = true;
          return;
        }
        ObjectRef active = au::callObject(host, "ActiveDoc");
        au::letProperty(au::callObject(active, "ActiveView"), "FrameState", Variant(1));
        au::call(active, "SetFeatureManagerWidth", kFeatureManagerWidth);
        au::call(active, "SetToolbarVisibility", kLastToolbar, false);
        for (int bar = 0; bar < kLastToolbar; ++bar) au::call(active, "SetToolbarVisibility", bar, false);
        ObjectRef doc = au::callObject(host, "ActivateDoc", docNameIn);
        if (!doc) return;
        printOpenDocument(doc, pagePairs);
        printed = true;
        const std::string title = au::call(doc, "GetTitle").toText();
        doc.reset();
        au::call(host, "CloseDoc", title);
        au::call(host, "ExitApp");
      },
      [&](const AutomationError& e) { pendingError = e.description(); });
  // Once printed, an error of the tidying up leaves the text as it is and
  // the host running with the document open.
  if (printed || stopped) return printed;
  // Nothing was printed (the document could not be activated, or a call up
  // to the print itself failed): the document is closed by its path and
  // the host exits.
  if (host) {
    au::ResumeNext next(nullptr);
    next.step([&] { au::call(host, "CloseDoc", docNameIn); });
    next.step([&] { au::call(host, "ExitApp"); });
  }
  if (returnedErrString.empty()) returnedErrString = pendingError + " in function RunVexlarPrint.";
  return false;
}

// ---- Type information ----------------------------------------------------------

const au::ClassInfo& clsKstdPrint::classInfo() {
  using Self = clsKstdPrint;
  static const au::ClassInfo info = [] {
    au::ClassBuilder<Self> b(kLibraryName, "clsKstdPrint");
    applyIds(b, ids::clsKstdPrint);
    auto text = [&b](const char* name, std::string Self::*field) {
      b.method(name, VarType::Variant, {au::byRef("setIn", VarType::String)}, [field](Self& s, au::CallArgs& a) {
        s.*field = a[0].asString();
        return Variant();
      });
    };
    auto number = [&b](const char* name, std::int32_t Self::*field) {
      b.method(name, VarType::Variant, {au::byRef("setIn", VarType::Long)}, [field](Self& s, au::CallArgs& a) {
        s.*field = a[0].asLong();
        return Variant();
      });
    };
    text("SetPrintingDirectory", &Self::PrintingDirectory);
    text("SetPrintWarningFilePath", &Self::PrintWarningFilePath);
    text("SetTaskFileType", &Self::TaskFileType);
    text("SetPrintPrinter", &Self::PrintPrinter);
    text("SetPrintUseDefault", &Self::PrintUseDefault);
    text("SetPageSetupUseDefault", &Self::PageSetupUseDefault);
    number("SetPageSetupPaperSize", &Self::PaperSize);
    number("SetPageSetupPaperSource", &Self::PaperSource);
    number("SetPageSetupPaperOrientation", &Self::Orientation);
    b.method("SetPrintRange", VarType::Variant, {au::byRef("setIn", VarType::Long)}, [](Self& s, au::CallArgs& a) {
      s.PrintRange = std::to_string(a[0].asLong());
      return Variant();
    });
    text("SetPrintPageRange", &Self::PrintPageRange);
    number("SetPrintCopies", &Self::Copies);
    number("SetPrintCollate", &Self::Collate);
    b.method("CleanUp", VarType::Variant, {}, [](Self& s, au::CallArgs&) {
      s.CleanUp();
      return Variant();
    });
    b.method("PrintDocument", VarType::Boolean, {au::byRef("documentName", VarType::String), vault::ErrTextParam()},
             vault::WithErrText<Self>(1, [](Self& s, au::CallArgs& a, std::string& t) {
               return Variant(s.PrintDocument(a[0].asString(), t));
             }));
    b.method("PrintSpecificDocument", VarType::Variant,
             {vault::DocumentParam("specificDocument"), vault::ErrTextParam()},
             vault::WithErrText<Self>(1, [](Self& s, au::CallArgs& a, std::string& t) {
               return Variant(s.PrintSpecificDocument(a[0].toObject(), t));
             }));
    b.method("GetDocumentToDisk", VarType::Boolean, {vault::DocumentParam("document"), vault::ErrTextParam()},
             vault::WithErrText<Self>(1, [](Self& s, au::CallArgs& a, std::string& t) {
               return Variant(s.GetDocumentToDisk(a[0].toObject(), t));
             }));
    b.method("getDocumentReferences", VarType::Boolean, {vault::DocumentParam("document"), vault::ErrTextParam()},
             vault::WithErrText<Self>(1, [](Self& s, au::CallArgs& a, std::string& t) {
               return Variant(s.getDocumentReferences(a[0].toObject(), t));
             }));
    b.method("GetEnoughSizeOnDisk", VarType::Boolean,
             {au::byRef("sizeNeeded", VarType::Long), au::byRef("directoryForFiles", VarType::String),
              vault::ErrTextParam()},
             vault::WithErrText<Self>(2, [](Self& s, au::CallArgs& a, std::string& t) {
               return Variant(s.GetEnoughSizeOnDisk(a[0].asLong(), a[1].asString(), t));
             }));
    b.method("GetFileAlreadyExistsOnDisk", VarType::Boolean, {au::byRef("documentName", VarType::String)},
             [](Self&, au::CallArgs& a) { return Variant(GetFileAlreadyExistsOnDisk(a[0].asString())); });
    b.method("InitKeysteadConnection", VarType::Boolean, {vault::ErrTextParam()},
             vault::WithErrText<Self>(0, [](Self& s, au::CallArgs&, std::string& t) {
               return Variant(s.InitKeysteadConnection(t));
             }));
    b.method("Login", VarType::Boolean, {vault::ErrTextParam()},
             vault::WithErrText<Self>(0, [](Self& s, au::CallArgs&, std::string& t) { return Variant(s.Login(t)); }));
    b.method("Logout", VarType::Boolean, {}, [](Self& s, au::CallArgs&) { return Variant(s.Logout()); });
    vault::PublishLoginMembers(b);
    b.method("GetFileType", VarType::String, {au::byRef("docNameIn", VarType::String)},
             [](Self&, au::CallArgs& a) { return Variant(vault::GetFileType(a[0].asString())); });
    b.method("RunVexlarPrint", VarType::Boolean, {au::byRef("docNameIn", VarType::String), vault::ErrTextParam()},
             vault::WithErrText<Self>(1, [](Self& s, au::CallArgs& a, std::string& t) {
               return Variant(s.RunVexlarPrint(a[0].asString(), t));
             }));
    b.method("WarningOut", VarType::Variant, {au::byRef("warningString", VarType::String)},
             [](Self& s, au::CallArgs& a) {
               s.WarningOut(a[0].asString());
               return Variant();
             });
    return b.build();
  }();
  return info;
}

}  // namespace rc::core
