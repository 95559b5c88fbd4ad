#include "Core/vault/clsKstdPrint.h"

#include <optional>
#include <utility>
#include <vector>

#include "Core/frame/ClassIds.h"
#include "Core/interfaces/HostLookup.h"
#include "Core/interfaces/VaultCalls.h"
#include "Core/vault/HostDocuments.h"
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
  vault::AppendWarning(settings_.warningFilePath, kWarningPrefix, warningString);
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
  const std::string local = vault::LocalFilePath(settings_.printingDirectory, name);
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
      document, settings_.printingDirectory,
      [this](const std::string& name, const std::string&) {
        return GetFileAlreadyExistsOnDisk(vault::LocalFilePath(settings_.printingDirectory, name));
      },
      [this](std::int32_t size, std::string& text) {
        return GetEnoughSizeOnDisk(size, settings_.printingDirectory, text);
      },
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
  if (settings_.pageSetupUseDefault == "FALSE") {
    ObjectRef setup = au::callObject(doc, "PageSetup");
    au::letProperty(setup, "PrinterPaperSize", Variant(settings_.paperSize));
    au::letProperty(setup, "PrinterPaperSource", Variant(settings_.paperSource));
    au::letProperty(setup, "Orientation", Variant(settings_.orientation));
    au::letProperty(setup, "UsePageSetupOnSheets", Variant(false));
  }
  const std::string printer = settings_.printUseDefault == "TRUE" ? std::string() : settings_.printer;
  ObjectRef extension = au::callObject(doc, "extension");
  if (settings_.printRange != 1) {
    au::call(extension, "PrintOut", 1, kAllPagesLast, settings_.copies, settings_.collate, printer, "");
    return;
  }
  std::vector<Variant> pages(pagePairs.begin(), pagePairs.end());
  au::call(extension, "PrintOut2", au::SafeArray::vector(VarType::Long, std::move(pages)), settings_.copies,
           settings_.collate, printer, "");
}

bool clsKstdPrint::RunVexlarPrint(const std::string& docNameIn, std::string& returnedErrString) {
  returnedErrString.clear();
  std::vector<std::int32_t> pagePairs;
  if (settings_.printRange == 1) {
    std::optional<std::vector<std::int32_t>> parsed = vault::ParsePageRanges(settings_.printPageRange);
    if (!parsed) {
      returnedErrString = "Invalid page range '" + settings_.printPageRange + "'";
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
        host = GetApp();
        au::call(host, "SetCurrentWorkingDirectory", settings_.printingDirectory);
        const vault::OpenedDocument opened = vault::OpenWithWarnings(host, docNameIn, vault::kOpenSilentReadOnly);
        if (opened.warnings & vault::kOpenWarningLocked)
          returnedErrString = "File '" + docNameIn + "' was locked by another user.";
        else if (opened.warnings & vault::kOpenWarningViewOnly)
          returnedErrString = "File '" + docNameIn + "' has view-only restriction.";
        if (!opened.doc) {
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
        vault::CloseDocument(host, title);
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
    next.step([&] { vault::CloseDocument(host, docNameIn); });
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
    auto setting = [&b](const char* name, VarType type, auto field) {
      vault::PublishSetter(b, name, type, [field](Self& s) -> auto& { return s.settings_.*field; });
    };
    setting("SetPrintingDirectory", VarType::String, &PrintSettings::printingDirectory);
    setting("SetPrintWarningFilePath", VarType::String, &PrintSettings::warningFilePath);
    setting("SetTaskFileType", VarType::String, &PrintSettings::taskFileType);
    setting("SetPrintPrinter", VarType::String, &PrintSettings::printer);
    setting("SetPrintUseDefault", VarType::String, &PrintSettings::printUseDefault);
    setting("SetPageSetupUseDefault", VarType::String, &PrintSettings::pageSetupUseDefault);
    setting("SetPageSetupPaperSize", VarType::Long, &PrintSettings::paperSize);
    setting("SetPageSetupPaperSource", VarType::Long, &PrintSettings::paperSource);
    setting("SetPageSetupPaperOrientation", VarType::Long, &PrintSettings::orientation);
    setting("SetPrintRange", VarType::Long, &PrintSettings::printRange);
    setting("SetPrintPageRange", VarType::String, &PrintSettings::printPageRange);
    setting("SetPrintCopies", VarType::Long, &PrintSettings::copies);
    setting("SetPrintCollate", VarType::Long, &PrintSettings::collate);
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
