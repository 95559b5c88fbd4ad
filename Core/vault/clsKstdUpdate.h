// clsKstdUpdate: the vault document update task. Logs in to the vault as
// administrator, fetches each revision of a document with its references,
// has the host open, rebuild and save it, checks it back in as the same
// revision and keeps a backup copy. Warnings go to the warning file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Core/vault/DocumentFiles.h"
#include "Core/vault/ReferenceFetch.h"
#include "platform/automation/Dispatch.h"

namespace rc::core {

// What the task runner sets before the first document, each by the member
// named beside it.
struct UpdateSettings {
  std::string updatingDirectory;  // SetUpdatingDirectory: documents are fetched, rebuilt and backed up here
  std::string warningFilePath;    // SetUpdateWarningFilePath
  bool doReOpenCheck = false;     // SetDoReOpenCheck: a saved file must open again
  bool updateLatestOnly = false;  // SetUpdateLatestOnly: only a document's latest revision
  bool useOldModTimes = false;    // SetUseOldModTimes: the check-in keeps the file's dates
};

class clsKstdUpdate : public automation::Dispatch {
 public:
  using ObjectRef = automation::ObjectRef;

  static const automation::ClassInfo& classInfo();
  const automation::ClassInfo& typeInfo() const override { return classInfo(); }

  // Settings: the Set... members of the member table fill UpdateSettings.
  void CleanUp() {}
  // Replaces the free-space query (tests stand in for a full disk).
  void setFreeBytesQuery(vault::FreeBytesQuery query) { freeBytes_ = std::move(query); }

  // Vault session.
  bool InitKeysteadAdminConnection(std::string& returnedErrString);
  bool AdminLogin(std::string& returnedErrString);
  bool AdminLogout();
  static std::string GetUserName();
  static std::string GetPassword();
  static std::string GetVaultComputer();
  void DebugOut(const std::string&) {}
  // Appends "Keystead Update Warning: " and the text to the warning file; no trap.
  void WarningOut(const std::string& warningString);

  // Retrieval and references.
  bool NeedsUpdate(const ObjectRef& document, bool isSpecificDocument, std::string& returnedErrString);
  bool GetDocumentToDisk(const ObjectRef& document, std::string& returnedErrString);
  bool GetEnoughSizeOnDisk(double sizeNeeded, const std::string& directoryForFiles, std::string& returnedErrString);
  bool getDocumentReferences(const ObjectRef& document, std::string& returnedErrString);
  bool updateDocumentReferences(const ObjectRef& document, std::string& returnedErrString);
  static bool GetFileAlreadyExistsOnDisk(const std::string& backupName, const std::string& documentName,
                                         const std::string& renameTheDocument);
  static std::string GetArrayItemName(const automation::Variant& docNameIn, const automation::Variant& RevIn);
  bool GetFileHasAlreadyBeenUpdated(const automation::Variant& docNameIn, const automation::Variant& RevIn) const;

  // Update run, replace and backups.
  bool UpdateDocument(const std::string& documentName, std::string& returnedErrString);
  bool UpdateSpecificDocument(const ObjectRef& specificDocument, std::string& returnedErrString);
  bool DoUpdate(const std::string& documentName, const std::string& FileName, const std::string& rev,
                bool bIsReference, std::string& returnedErrString);
  bool ReplaceFile(const std::string& DocName, const std::string& fn, const std::string& rev, bool useOldDates,
                   std::string& returnedErrString);
  bool BackupFile(const std::string& fnIn, const std::string& RevIn, std::string& returnedErrString);
  bool CleanUpBackupFiles();

  // Host open, rebuild and save.
  bool OpenDoc(const std::string& docNameIn, std::string& returnedErrString);
  bool RunVexlarUpdate(const std::string& docNameIn, std::string& returnedErrString);
  static std::string GetErrorStringFromError(std::int32_t errorIn);
  bool CloseInVexlar(const std::string& documentName);
  bool CloseAllInVexlar();
  bool GetVexlarVersion();

 private:
  bool getDocumentReferences(const ObjectRef& document, vault::VisitedDocuments& visited);
  bool updateDocumentReferences(const ObjectRef& document, vault::VisitedDocuments& visited,
                                std::string& returnedErrString);
  // The sheet or configuration checks of the library run on the open document.
  void runDocumentChecks(const ObjectRef& host, const std::string& docNameIn, const std::string& fileType);
  void addUpdated(const std::string& name, const std::string& rev);

  UpdateSettings settings_;
  ObjectRef connection_;
  std::string adminUserName_;
  std::int32_t hostFileVersion_ = 0;
  std::string versionText_;
  // Items "<name>_<revision>" updated in this UpdateDocument call; the last
  // slot is always empty. Undimensioned until the first call.
  std::vector<std::string> updated_;
  vault::FreeBytesQuery freeBytes_;
};

}  // namespace rc::core
