#include "Core/vault/clsKstdUpdate.h"

#include <optional>
#include <utility>

#include "Core/frame/ClassIds.h"
#include "Core/interfaces/DocumentType.h"
#include "Core/interfaces/HostLookup.h"
#include "Core/interfaces/VaultCalls.h"
#include "Core/vault/HostDocuments.h"
#include "Core/vault/LoginSettings.h"
#include "Core/vault/TaskMembers.h"
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

constexpr std::string_view kLoginKey = "TempAdminUser";
constexpr std::string_view kWarningPrefix = "Keystead Update Warning: ";

// Open warnings that refuse a document, in the order they are tested.
constexpr std::pair<std::int32_t, std::string_view> kOpenWarnings[] = {
    {vault::kOpenWarningReadOnly, "File was marked as read only"},
    {vault::kOpenWarningLocked, "File was locked by another user"},
    {vault::kOpenWarningViewOnly, "File has view-only restriction"},
};

}  // namespace

// ---- Vault session --------------------------------------------------------

bool clsKstdUpdate::InitKeysteadAdminConnection(std::string& returnedErrString) {
  return vault::OpenVaultConnection(
      connection_, [this](std::string& text) { return AdminLogin(text); }, " in function InitKeysteadAdminConnection.",
      returnedErrString);
}

bool clsKstdUpdate::AdminLogin(std::string& returnedErrString) {
  returnedErrString.clear();
  bool result = false;
  au::trapped(
      [&] {
        if (!vault::LoginWithStoredValues(connection_, kLoginKey, returnedErrString)) return;
        const std::string user = GetUserName();
        au::ObjectRef users = au::callObject(connection_, "users");
        au::ObjectRef who = au::callObject(users, "Item", user);
        if (!au::call(who, "IsAdmin").asBool()) {
          returnedErrString = "User Not Admin";
          return;
        }
        result = true;
        adminUserName_ = user;
        au::call(vault::AdminInterface(connection_), "RegisterAdminUser", user);
      },
      [&](const AutomationError& e) {
        result = false;
        returnedErrString = vault::WithSuffix(e, " in AdminLogin.");
      });
  return result;
}

bool clsKstdUpdate::AdminLogout() {
  bool result = au::trapped(
      [&] {
        if (!connection_) return;
        au::ObjectRef admin = vault::AdminInterface(connection_);
        if (!adminUserName_.empty() && admin) au::call(admin, "ReleaseAdminUser");
        au::call(connection_, "Logout");
      },
      [](const AutomationError&) {});
  adminUserName_.clear();
  connection_.reset();
  return result;
}

std::string clsKstdUpdate::GetUserName() { return vault::LoginValue(kLoginKey, vault::kUserNameValue); }
std::string clsKstdUpdate::GetPassword() { return vault::LoginValue(kLoginKey, vault::kPasswordValue); }
std::string clsKstdUpdate::GetVaultComputer() { return vault::LoginValue(kLoginKey, vault::kVaultComputerValue); }

void clsKstdUpdate::WarningOut(const std::string& warningString) {
  vault::AppendWarning(settings_.warningFilePath, kWarningPrefix, warningString);
}

// ---- Retrieval and references -----------------------------------------------

bool clsKstdUpdate::NeedsUpdate(const ObjectRef& document, bool isSpecificDocument, std::string& returnedErrString) {
  bool result = true;
  returnedErrString.clear();
  std::string name, rev;
  bool decided = false;
  au::trapped(
      [&] {
        name = vault::DocumentName(document);
        rev = vault::DocumentRevision(document);
        if (vault::GetFileType(name).empty()) {
          result = false;
          returnedErrString = "Non-Vexlar Document";
          decided = true;
        } else if (!isSpecificDocument) {
          decided = true;
        } else if (GetFileHasAlreadyBeenUpdated(Variant(name), Variant(rev))) {
          result = false;
          returnedErrString = "Already Up To Date";
          decided = true;
        }
      },
      [&](const AutomationError& e) {
        result = true;
        decided = true;
        returnedErrString.clear();
        WarningOut(vault::WithSuffix(e, " in function NeedsUpdate."));
      });
  if (decided) return result;
  au::ResumeNext next(nullptr);
  std::int32_t version = -1;
  next.step([&] { version = au::call(document, "VexlarVersion").toLong(); });
  if (version != -1 && hostFileVersion_ > 0) {
    if (version > hostFileVersion_) {
      result = false;
      returnedErrString = "Future Version";
    } else if (version == hostFileVersion_) {
      result = false;
      returnedErrString = "Already Up To Date";
    }
  }
  if (result && settings_.updateLatestOnly) {
    ObjectRef latest;
    next.step([&] { latest = vault::GetSpecificDocument(connection_, name); });
    std::string latestRev = rev;
    if (latest) next.step([&] { latestRev = vault::DocumentRevision(latest); });
    if (!latest) {
      result = false;
      returnedErrString = "Revision Missing";
    } else if (latestRev != rev) {
      result = false;
      returnedErrString = "Not Latest";
    }
  }
  return result;
}

bool clsKstdUpdate::GetDocumentToDisk(const ObjectRef& document, std::string& returnedErrString) {
  return vault::FetchDocumentToDisk(
      document, settings_.updatingDirectory,
      [this](const std::string& name, const std::string& rev) {
        const std::string local = vault::LocalFilePath(settings_.updatingDirectory, name);
        return GetFileAlreadyExistsOnDisk(vault::BackupFilePath(local, rev), local, "True");
      },
      [this](std::int32_t size, std::string& text) {
        return GetEnoughSizeOnDisk(size, settings_.updatingDirectory, text);
      },
      returnedErrString);
}

bool clsKstdUpdate::GetEnoughSizeOnDisk(double sizeNeeded, const std::string& directoryForFiles,
                                        std::string& returnedErrString) {
  returnedErrString.clear();
  bool result = false;
  au::trapped(
      [&] {
        const vault::FreeBytesQuery query =
            freeBytes_ ? freeBytes_ : [](std::string_view folder) { return platform::freeBytes(folder); };
        result = vault::EnoughSizeOnDisk(sizeNeeded, directoryForFiles, query, [this] { CleanUpBackupFiles(); });
      },
      [&](const AutomationError& e) {
        result = false;
        returnedErrString = vault::WithSuffix(e, " in function GetEnoughSizeOnDisk.");
      });
  return result;
}

bool clsKstdUpdate::getDocumentReferences(const ObjectRef& document, std::string& returnedErrString) {
  returnedErrString.clear();
  vault::VisitedDocuments visited;
  return getDocumentReferences(document, visited);
}

bool clsKstdUpdate::getDocumentReferences(const ObjectRef& document, vault::VisitedDocuments& visited) {
  vault::ReferenceFetchHooks hooks{
      [this](const ObjectRef& doc, std::string& err) { return GetDocumentToDisk(doc, err); },
      [this](std::string_view text) { WarningOut(std::string(text)); },
      [this](const AutomationError& e) { WarningOut(vault::WithSuffix(e, " in getDocumentReferences")); },
  };
  vault::FetchReferenceTree(connection_, document, visited, hooks);
  return true;
}

bool clsKstdUpdate::updateDocumentReferences(const ObjectRef& document, std::string& returnedErrString) {
  returnedErrString.clear();
  vault::VisitedDocuments visited;
  return updateDocumentReferences(document, visited, returnedErrString);
}

namespace {

// One document whose references updateDocumentReferences walks.
struct ReferenceLevel {
  std::vector<Variant> items;
  std::size_t next = 0;
  bool result = true;
  bool ended = false;  // an error or a missing document ended this level's walk
  // The reference whose own references are walked on the level above, and
  // what is left to do for it once they are: update it, then close it.
  std::optional<bool> childResult;
  bool childNeedsUpdate = false;
  std::string childName, childLocal, childRev;
};

}  // namespace

bool clsKstdUpdate::updateDocumentReferences(const ObjectRef& document, vault::VisitedDocuments& visited,
                                             std::string& returnedErrString) {
  // Children first, to any depth: the walk keeps its levels on a stack of its
  // own, so a long reference chain cannot exhaust the call stack. An error
  // ends the level it arises on (false), as a trap per document would.
  std::vector<ReferenceLevel> stack;
  std::optional<ObjectRef> enter = document;  // the document whose level starts next
  bool result = true;
  while (enter || !stack.empty()) {
    if (enter) {
      ReferenceLevel& level = stack.emplace_back();
      const ObjectRef doc = *std::exchange(enter, std::nullopt);
      au::trapped(
          [&] {
            visited.insert(vault::DocumentName(doc), vault::DocumentRevision(doc));
            ObjectRef refs = au::callObject(doc, "references");
            if (au::call(refs, "Count").toLong() == 0) return;
            level.items = vault::CollectionItems(refs);
          },
          [&](const AutomationError& e) {
            level.result = false;
            level.ended = true;
            returnedErrString = vault::WithSuffix(e, " in function updateDocumentReferences.");
          });
      continue;
    }
    ReferenceLevel& level = stack.back();
    if (!level.childResult && (level.ended || level.next == level.items.size())) {
      const bool done = level.result;
      stack.pop_back();
      if (stack.empty()) result = done;
      else stack.back().childResult = done;
      continue;
    }
    au::trapped(
        [&] {
          if (level.childResult) {
            const bool childOk = *std::exchange(level.childResult, std::nullopt);
            if (level.childNeedsUpdate) {
              if (!childOk) return;
              std::string updateText;
              DoUpdate(level.childName, level.childLocal, level.childRev, true, updateText);
            }
            CloseInVexlar(level.childLocal);
            return;
          }
          const ObjectRef entry = level.items[level.next++].toObject();
          const std::string name = au::call(entry, "Name").toText();
          const std::string rev = au::call(entry, "Revision").toText();
          if (!vault::IsPlainDocumentName(name)) {
            WarningOut(vault::RefusedNameText(name));
            return;
          }
          const std::string local = vault::LocalFilePath(settings_.updatingDirectory, name);
          if (!platform::fileExists(local)) return;
          ObjectRef ref = vault::GetSpecificDocument(connection_, name, rev);
          if (!ref) {
            returnedErrString = "GetSpecificDocument failed in REFERENCE UPDATE " + name + " Revision: " + rev;
            CloseInVexlar(local);
            level.ended = true;
            return;
          }
          if (!visited.insert(name, rev)) return;
          std::string ownText;
          level.childNeedsUpdate = NeedsUpdate(ref, true, ownText);
          level.childName = name;
          level.childLocal = local;
          level.childRev = rev;
          enter = std::move(ref);
        },
        [&](const AutomationError& e) {
          level.result = false;
          level.ended = true;
          returnedErrString = vault::WithSuffix(e, " in function updateDocumentReferences.");
        });
  }
  return result;
}

bool clsKstdUpdate::GetFileAlreadyExistsOnDisk(const std::string& backupName, const std::string& documentName,
                                               const std::string& renameTheDocument) {
  if (!platform::fileExists(backupName)) return false;
  // The backup copy becomes the local file again; an existing local file is
  // an error (58) and both stay as they are.
  if (Variant(renameTheDocument).toText() == "True") platform::moveFile(backupName, documentName);
  return true;
}

std::string clsKstdUpdate::GetArrayItemName(const Variant& docNameIn, const Variant& RevIn) {
  return docNameIn.toText() + "_" + RevIn.toText();
}

bool clsKstdUpdate::GetFileHasAlreadyBeenUpdated(const Variant& docNameIn, const Variant& RevIn) const {
  bool found = false;
  au::trapped(
      [&] {
        if (updated_.size() < 2) return;
        const std::string item = GetArrayItemName(docNameIn, RevIn);
        for (std::size_t i = 0; i + 1 < updated_.size() && !found; ++i) found = updated_[i] == item;
      },
      [&](const AutomationError&) { found = false; });
  return found;
}

// ---- Update run, replace and backups ----------------------------------------

bool clsKstdUpdate::UpdateDocument(const std::string& documentName, std::string& returnedErrString) {
  bool result = false;
  returnedErrString.clear();
  updated_.assign(2, std::string());
  au::trapped(
      [&] {
        if (!settings_.updateLatestOnly) {
          ObjectRef doc = vault::GetSpecificDocument(connection_, documentName);
          for (const Variant& item : vault::CollectionItems(au::callObject(doc, "Revisions"))) {
            if (!item.isObject() || item.isNothing()) continue;
            result = UpdateSpecificDocument(item.toObject(), returnedErrString);
          }
          return;
        }
        ObjectRef doc = vault::GetSpecificDocument(connection_, documentName);
        if (!doc) {
          returnedErrString = "Error Retrieving Document From Vault";
          return;
        }
        result = UpdateSpecificDocument(doc, returnedErrString);
      },
      [&](const AutomationError& e) {
        result = false;
        returnedErrString = vault::WithSuffix(e, " in UpdateDocument.");
      });
  CleanUp();
  AdminLogout();
  return result;
}

bool clsKstdUpdate::UpdateSpecificDocument(const ObjectRef& specificDocument, std::string& returnedErrString) {
  bool result = false;
  returnedErrString.clear();
  versionText_.clear();
  if (!specificDocument) {
    returnedErrString = "Error";
    return false;
  }
  std::string name, rev, local;
  bool stop = false;
  au::trapped(
      [&] {
        name = vault::DocumentName(specificDocument);
        rev = vault::DocumentRevision(specificDocument);
        if (!vault::IsPlainDocumentName(name)) {
          returnedErrString = vault::RefusedNameText(name);
          stop = true;
          return;
        }
        local = vault::LocalFilePath(settings_.updatingDirectory, name);
        if (!NeedsUpdate(specificDocument, true, returnedErrString)) {
          if (!returnedErrString.empty())
            WarningOut("Skipping file: " + name + " Revision: " + rev + ". " + returnedErrString);
          returnedErrString.clear();
          result = true;
          stop = true;
        }
      },
      [&](const AutomationError& e) {
        result = false;
        stop = true;
        returnedErrString = vault::WithSuffix(e, " in function UpdateSpecificDocument.");
      });
  if (stop) return result;

  au::ResumeNext next(nullptr);
  std::int32_t size = 0;
  // A size the vault cannot tell is a failure, not a missing document.
  if (!au::trapped([&] { size = vault::DocumentSize(specificDocument); },
                   [&](const AutomationError& e) {
                     returnedErrString = vault::WithSuffix(e, " in function UpdateSpecificDocument.");
                   }))
    return false;
  if (size <= 0) {
    next.step([&] { WarningOut("Skipping file: " + name + " Revision: " + rev + " does not exist in the vault"); });
    return true;
  }
  if (!GetDocumentToDisk(specificDocument, returnedErrString)) return false;
  std::string ignored;
  next.step([&] { getDocumentReferences(specificDocument, ignored); });
  return DoUpdate(name, local, rev, false, returnedErrString);
}

bool clsKstdUpdate::DoUpdate(const std::string& documentName, const std::string& FileName, const std::string& rev,
                             bool /*bIsReference*/, std::string& returnedErrString) {
  bool result = false;
  returnedErrString.clear();
  au::trapped(
      [&] {
        std::string hostText;
        const bool updated = RunVexlarUpdate(FileName, hostText);
        CloseAllInVexlar();
        if (!updated) {
          returnedErrString = "Failed File Update: " + documentName + " Revision: " + rev;
        } else {
          result = ReplaceFile(documentName, FileName, rev, settings_.useOldModTimes, returnedErrString);
          // The rebuilt file is kept as a backup copy whatever the check-in
          // answered: the local file is deleted below when it failed.
          std::string backupText;
          BackupFile(documentName, rev, backupText);
        }
        if (result) {
          addUpdated(documentName, rev);
          return;
        }
        if (returnedErrString.empty())
          returnedErrString = "Failed File Replace: " + documentName + " Revision: " + rev;
        // A read-only local file is left.
        au::ResumeNext(nullptr).step([&] { platform::deleteFile(FileName, /*force=*/false); });
      },
      [&](const AutomationError& e) {
        result = false;
        returnedErrString = vault::WithSuffix(e, " in UpdateSpecificDocument.");
      });
  return result;
}

void clsKstdUpdate::addUpdated(const std::string& name, const std::string& rev) {
  const std::string item = GetArrayItemName(Variant(name), Variant(rev));
  if (updated_.empty()) {
    updated_ = {item, std::string()};
    return;
  }
  updated_.back() = item;
  updated_.emplace_back();
}

bool clsKstdUpdate::ReplaceFile(const std::string& DocName, const std::string& fn, const std::string& rev,
                                bool useOldDates, std::string& returnedErrString) {
  (void)DocName;
  bool result = false;
  returnedErrString.clear();
  au::trapped(
      [&] {
        ObjectRef host = GetApp();
        const std::string version =
            versionText_.empty() ? au::call(host, "RevisionNumber").toText() : versionText_;
        const std::string comment = "File Revision (" + rev + ")" + " Vexlar Version (" + version + ")";
        ObjectRef admin = vault::AdminInterface(connection_);
        if (!connection_ || !admin) {
          returnedErrString = "Bad Connection to Vault";
          return;
        }
        const Variant status =
            au::call(admin, "ReplaceDocument", fn, comment, rev, useOldDates);
        result = status.toLong() == 0;
      },
      [&](const AutomationError& e) {
        result = false;
        returnedErrString = vault::WithSuffix(e, " in function ReplaceFile.");
      });
  return result;
}

bool clsKstdUpdate::BackupFile(const std::string& fnIn, const std::string& RevIn, std::string& returnedErrString) {
  bool result = false;
  au::trapped(
      [&] {
        const std::string local = vault::LocalFilePath(settings_.updatingDirectory, fnIn);
        platform::copyFile(local, vault::BackupFilePath(local, RevIn), /*overwrite=*/true);
        result = true;
      },
      [&](const AutomationError& e) { returnedErrString = vault::WithSuffix(e, " in function BackupFile."); });
  return result;
}

bool clsKstdUpdate::CleanUpBackupFiles() {
  std::vector<std::string> names;
  bool listed = au::trapped([&] { names = platform::listFolder(vault::LocalFolder(settings_.updatingDirectory)); },
                            [&](const AutomationError& e) {
                              WarningOut("Error '" + e.description() + "' deleting backup files in '" +
                                         settings_.updatingDirectory + "'.");
                            });
  if (!listed) return false;
  au::ResumeNext next(nullptr);
  for (const std::string& name : names) {
    const std::string path = vault::LocalFilePath(settings_.updatingDirectory, name);
    // Only the file's own name decides: a folder name holding the marker
    // must not make every file in it a backup copy.
    // A read-only backup copy is left, and the loop goes on.
    if (vault::IsBackupFileName(name) && platform::fileExists(path))
      next.step([&] { platform::deleteFile(path, /*force=*/false); });
  }
  return true;
}

// ---- Host open, rebuild and save ---------------------------------------------

bool clsKstdUpdate::OpenDoc(const std::string& docNameIn, std::string& returnedErrString) {
  returnedErrString.clear();
  bool result = false;
  au::trapped(
      [&] {
        ObjectRef host = GetApp();
        if (au::callObject(host, "GetOpenDocumentByName", docNameIn)) {
          result = true;
          return;
        }
        const vault::OpenedDocument opened = vault::OpenWithWarnings(host, docNameIn, vault::kOpenSilent);
        for (const auto& [bit, text] : kOpenWarnings) {
          if (opened.warnings & bit) {
            returnedErrString = text;
            return;
          }
        }
        result = opened.doc != nullptr;
      },
      [&](const AutomationError&) {
        CloseInVexlar(docNameIn);
        returnedErrString = "Document failed to open in Vexlar";
        result = false;
      });
  return result;
}

void clsKstdUpdate::runDocumentChecks(const ObjectRef& host, const std::string& docNameIn,
                                      const std::string& fileType) {
  const int type = vault::HostDocumentType(fileType);
  if (type == 0) return;
  ObjectRef checks = au::createObject("RavelcrestCore.clsApplication");
  au::letProperty(checks, "ResultPath", Variant(settings_.updatingDirectory));
  au::letProperty(checks, "glbProcessID", Variant(0));
  au::letProperty(checks, "MultiSession", Variant(false));
  if (type == kDrawing) {
    if (au::call(checks, "ActivateSheets").toLong() == 1) {
      au::call(host, "RecordLine", "'*** WARNING - Fatal Error");
      au::call(host, "RecordLine", "'*** Failure Changing Sheets");
    }
    std::string base(platform::fileName(docNameIn));
    base = base.substr(0, base.find('.'));
    const std::string prefix = vault::LocalFilePath(settings_.updatingDirectory, base) + "__";
    au::call(checks, "FailFeatureInSheets", settings_.updatingDirectory, prefix);
    // The bitmap capture of every sheet runs where the library offers it.
    if (!checks->typeInfo().find("GetBMPInSheets").empty()) au::call(checks, "GetBMPInSheets", prefix);
    return;
  }
  if (au::call(checks, "ActivateConfigs").toLong() == 1) {
    au::call(host, "RecordLine", "'*** WARNING - Fatal Error");
    au::call(host, "RecordLine", "'*** Assembly Config Failure");
  }
}

bool clsKstdUpdate::RunVexlarUpdate(const std::string& docNameIn, std::string& returnedErrString) {
  bool result = false;
  returnedErrString.clear();
  au::trapped(
      [&] {
        const std::string fileType = vault::GetFileType(docNameIn);
        ObjectRef host = GetApp();
        if (!OpenDoc(docNameIn, returnedErrString)) {
          result = false;
          return;
        }
        ObjectRef doc = au::callObject(host, "ActivateDoc", docNameIn);
        if (!doc) {
          const std::string text = "Document could not be imported/opened.";
          au::call(host, "sendmsgtouser", text);
          returnedErrString = text;
          CloseInVexlar(docNameIn);
          return;
        }
        runDocumentChecks(host, docNameIn, fileType);
        const vault::SavedDocument saved = vault::RebuildAndSave(doc);
        if (saved.version) versionText_ = *saved.version;
        doc.reset();
        CloseInVexlar(docNameIn);
        if (saved.errors >= 1) {
          returnedErrString = GetErrorStringFromError(saved.errors);
          return;
        }
        if (saved.warnings & vault::kSaveWarningRebuildError) {
          returnedErrString = "Rebuild errors on save.";
          return;
        }
        result = settings_.doReOpenCheck ? OpenDoc(docNameIn, returnedErrString) : true;
      },
      [&](const AutomationError& e) {
        result = false;
        CloseInVexlar(docNameIn);
        if (returnedErrString.empty())
          returnedErrString = "KeysteadError: " + e.description() + " in function RunVexlarUpdate.";
      });
  return result;
}

std::string clsKstdUpdate::GetErrorStringFromError(std::int32_t errorIn) { return vault::SaveErrorText(errorIn); }

bool clsKstdUpdate::CloseInVexlar(const std::string& documentName) {
  return au::trapped([&] { vault::CloseDocument(GetApp(), documentName); },
                     [&](const AutomationError& e) { DebugOut(e.description()); });
}

bool clsKstdUpdate::CloseAllInVexlar() {
  return au::trapped([&] { au::call(GetApp(), "CloseAllDocuments", true); },
                     [&](const AutomationError& e) { DebugOut(e.description()); });
}

bool clsKstdUpdate::GetVexlarVersion() {
  bool result = false;
  au::trapped(
      [&] {
        hostFileVersion_ = 0;
        hostFileVersion_ = au::call(GetApp(), "GetLatestSupportedFileVersion").toLong();
        result = hostFileVersion_ > 0;
      },
      [](const AutomationError&) {});
  return result;
}

// ---- Type information ----------------------------------------------------------

namespace {

using Self = clsKstdUpdate;

}  // namespace

const au::ClassInfo& clsKstdUpdate::classInfo() {
  static const au::ClassInfo info = [] {
    au::ClassBuilder<Self> b(kLibraryName, "clsKstdUpdate");
    applyIds(b, ids::clsKstdUpdate);
    auto setting = [&b](const char* name, VarType type, auto field) {
      vault::PublishSetter(b, name, type, [field](Self& s) -> auto& { return s.settings_.*field; });
    };
    setting("SetDoReOpenCheck", VarType::Boolean, &UpdateSettings::doReOpenCheck);
    setting("SetUpdateLatestOnly", VarType::Boolean, &UpdateSettings::updateLatestOnly);
    setting("SetUseOldModTimes", VarType::Boolean, &UpdateSettings::useOldModTimes);
    setting("SetUpdatingDirectory", VarType::String, &UpdateSettings::updatingDirectory);
    setting("SetUpdateWarningFilePath", VarType::String, &UpdateSettings::warningFilePath);
    b.method("CleanUp", VarType::Variant, {}, [](Self& s, au::CallArgs&) {
      s.CleanUp();
      return Variant();
    });
    b.method("InitKeysteadAdminConnection", VarType::Boolean, {vault::ErrTextParam()},
        vault::WithErrText<Self>(0, [](Self& s, au::CallArgs&, std::string& t) { return Variant(s.InitKeysteadAdminConnection(t)); }));
    b.method("AdminLogin", VarType::Boolean, {vault::ErrTextParam()},
        vault::WithErrText<Self>(0, [](Self& s, au::CallArgs&, std::string& t) { return Variant(s.AdminLogin(t)); }));
    b.method("AdminLogout", VarType::Boolean, {}, [](Self& s, au::CallArgs&) { return Variant(s.AdminLogout()); });
    vault::PublishLoginMembers(b);
    b.method("DebugOut", VarType::Variant, {au::byRef("errorString", VarType::String)},
             [](Self& s, au::CallArgs& a) {
               s.DebugOut(a[0].asString());
               return Variant();
             });
    b.method("WarningOut", VarType::Variant, {au::byRef("warningString", VarType::String)},
             [](Self& s, au::CallArgs& a) {
               s.WarningOut(a[0].asString());
               return Variant();
             });
    b.method("NeedsUpdate", VarType::Boolean,
        {vault::DocumentParam("document"), au::byRef("isSpecificDocument", VarType::Boolean), vault::ErrTextParam()},
        vault::WithErrText<Self>(2, [](Self& s, au::CallArgs& a, std::string& t) {
          return Variant(s.NeedsUpdate(a[0].toObject(), a[1].asBool(), t));
        }));
    b.method("GetDocumentToDisk", VarType::Boolean, {vault::DocumentParam("document"), vault::ErrTextParam()},
        vault::WithErrText<Self>(1, [](Self& s, au::CallArgs& a, std::string& t) {
          return Variant(s.GetDocumentToDisk(a[0].toObject(), t));
        }));
    b.method("GetEnoughSizeOnDisk", VarType::Boolean,
        {au::byRef("sizeNeeded", VarType::Double), au::byRef("directoryForFiles", VarType::String), vault::ErrTextParam()},
        vault::WithErrText<Self>(2, [](Self& s, au::CallArgs& a, std::string& t) {
          return Variant(s.GetEnoughSizeOnDisk(a[0].asDouble(), a[1].asString(), t));
        }));
    b.method("getDocumentReferences", VarType::Boolean, {vault::DocumentParam("document"), vault::ErrTextParam()},
        vault::WithErrText<Self>(1, [](Self& s, au::CallArgs& a, std::string& t) {
          return Variant(s.getDocumentReferences(a[0].toObject(), t));
        }));
    b.method("updateDocumentReferences", VarType::Boolean, {vault::DocumentParam("document"), vault::ErrTextParam()},
        vault::WithErrText<Self>(1, [](Self& s, au::CallArgs& a, std::string& t) {
          return Variant(s.updateDocumentReferences(a[0].toObject(), t));
        }));
    b.method("GetFileAlreadyExistsOnDisk", VarType::Boolean,
             {au::byRef("backupName", VarType::String), au::byRef("documentName", VarType::String),
              au::byRef("renameTheDocument", VarType::String)},
             [](Self&, au::CallArgs& a) {
               return Variant(GetFileAlreadyExistsOnDisk(a[0].asString(), a[1].asString(), a[2].asString()));
             });
    b.method("GetArrayItemName", VarType::String,
             {au::byRef("docNameIn", VarType::Variant), au::byRef("RevIn", VarType::Variant)},
             [](Self&, au::CallArgs& a) { return Variant(GetArrayItemName(a[0], a[1])); });
    b.method("GetFileHasAlreadyBeenUpdated", VarType::Boolean,
             {au::byRef("docNameIn", VarType::Variant), au::byRef("RevIn", VarType::Variant)},
             [](Self& s, au::CallArgs& a) { return Variant(s.GetFileHasAlreadyBeenUpdated(a[0], a[1])); });
    b.method("GetFileType", VarType::String, {au::byRef("docNameIn", VarType::String)},
             [](Self&, au::CallArgs& a) { return Variant(vault::GetFileType(a[0].asString())); });
    b.method("UpdateDocument", VarType::Variant, {au::byRef("documentName", VarType::String), vault::ErrTextParam()},
        vault::WithErrText<Self>(1, [](Self& s, au::CallArgs& a, std::string& t) {
          return Variant(s.UpdateDocument(a[0].asString(), t));
        }));
    b.method("UpdateSpecificDocument", VarType::Variant, {vault::DocumentParam("specificDocument"), vault::ErrTextParam()},
        vault::WithErrText<Self>(1, [](Self& s, au::CallArgs& a, std::string& t) {
          return Variant(s.UpdateSpecificDocument(a[0].toObject(), t));
        }));
    b.method("DoUpdate", VarType::Boolean,
        {au::byRef("documentName", VarType::String), au::byRef("FileName", VarType::String),
         au::byRef("rev", VarType::String), au::byRef("bIsReference", VarType::Boolean), vault::ErrTextParam()},
        vault::WithErrText<Self>(4, [](Self& s, au::CallArgs& a, std::string& t) {
          return Variant(s.DoUpdate(a[0].asString(), a[1].asString(), a[2].asString(), a[3].asBool(), t));
        }));
    b.method("ReplaceFile", VarType::Variant,
        {au::byRef("DocName", VarType::String), au::byRef("fn", VarType::String), au::byRef("rev", VarType::String),
         au::byRef("useOldDates", VarType::Boolean), vault::ErrTextParam()},
        vault::WithErrText<Self>(4, [](Self& s, au::CallArgs& a, std::string& t) {
          return Variant(s.ReplaceFile(a[0].asString(), a[1].asString(), a[2].asString(), a[3].asBool(), t));
        }));
    b.method("BackupFile", VarType::Variant,
        {au::byRef("fnIn", VarType::Variant), au::byRef("RevIn", VarType::Variant), vault::ErrTextParam()},
        vault::WithErrText<Self>(2, [](Self& s, au::CallArgs& a, std::string& t) {
          return Variant(s.BackupFile(a[0].toText(), a[1].toText(), t));
        }));
    b.method("CleanUpBackupFiles", VarType::Boolean, {},
             [](Self& s, au::CallArgs&) { return Variant(s.CleanUpBackupFiles()); });
    b.method("OpenDoc", VarType::Boolean, {au::byRef("docNameIn", VarType::String), vault::ErrTextParam()},
        vault::WithErrText<Self>(1, [](Self& s, au::CallArgs& a, std::string& t) { return Variant(s.OpenDoc(a[0].asString(), t)); }));
    b.method("RunVexlarUpdate", VarType::Boolean, {au::byRef("docNameIn", VarType::String), vault::ErrTextParam()},
        vault::WithErrText<Self>(1, [](Self& s, au::CallArgs& a, std::string& t) {
          return Variant(s.RunVexlarUpdate(a[0].asString(), t));
        }));
    b.method("GetErrorStringFromError", VarType::String, {au::byRef("errorIn", VarType::Long)},
             [](Self&, au::CallArgs& a) { return Variant(GetErrorStringFromError(a[0].asLong())); });
    b.method("CloseInVexlar", VarType::Boolean, {au::byRef("documentName", VarType::String)},
             [](Self& s, au::CallArgs& a) { return Variant(s.CloseInVexlar(a[0].asString())); });
    b.method("CloseAllInVexlar", VarType::Boolean, {},
             [](Self& s, au::CallArgs&) { return Variant(s.CloseAllInVexlar()); });
    b.method("GetVexlarVersion", VarType::Boolean, {},
             [](Self& s, au::CallArgs&) { return Variant(s.GetVexlarVersion()); });
    return b.build();
  }();
  return info;
}

}  // namespace rc::core
