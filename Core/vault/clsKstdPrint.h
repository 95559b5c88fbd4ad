// clsKstdPrint: the vault document print task. Logs in to the vault as an
// ordinary user, fetches a document and its references and has the host
// print it with the configured printer, page setup, ranges and copies.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Core/vault/DocumentFiles.h"
#include "platform/automation/Dispatch.h"

namespace rc::core {

// What the task runner sets before the first document, each by the member
// named beside it.
struct PrintSettings {
  std::string printingDirectory;    // SetPrintingDirectory: documents are fetched here
  std::string warningFilePath;      // SetPrintWarningFilePath
  std::string taskFileType;         // SetTaskFileType
  std::string printer;              // SetPrintPrinter
  std::string printUseDefault;      // SetPrintUseDefault: "TRUE" prints on the default printer
  std::string pageSetupUseDefault;  // SetPageSetupUseDefault: "FALSE" applies the page setup below
  std::int32_t paperSize = 0;       // SetPageSetupPaperSize
  std::int32_t paperSource = 0;     // SetPageSetupPaperSource
  std::int32_t orientation = 0;     // SetPageSetupPaperOrientation
  std::int32_t printRange = 0;      // SetPrintRange: 1 prints the pages of printPageRange, else all
  std::string printPageRange;       // SetPrintPageRange
  std::int32_t copies = 0;          // SetPrintCopies
  std::int32_t collate = 0;         // SetPrintCollate
};

class clsKstdPrint : public automation::Dispatch {
 public:
  using ObjectRef = automation::ObjectRef;

  static const automation::ClassInfo& classInfo();
  const automation::ClassInfo& typeInfo() const override { return classInfo(); }

  // Settings: the Set... members of the member table fill PrintSettings.
  void CleanUp() {}
  // Replaces the free-space query (tests stand in for a full disk).
  void setFreeBytesQuery(vault::FreeBytesQuery query) { freeBytes_ = std::move(query); }

  // Vault session.
  bool InitKeysteadConnection(std::string& returnedErrString);
  bool Login(std::string& returnedErrString);
  bool Logout();
  static std::string GetUserName();
  static std::string GetPassword();
  static std::string GetVaultComputer();
  // Appends "Keystead Print Warning: " and the text to the warning file; no trap.
  void WarningOut(const std::string& warningString);

  // Retrieval and printing.
  bool PrintDocument(const std::string& documentName, std::string& returnedErrString);
  bool PrintSpecificDocument(const ObjectRef& specificDocument, std::string& returnedErrString);
  bool GetDocumentToDisk(const ObjectRef& document, std::string& returnedErrString);
  bool getDocumentReferences(const ObjectRef& document, std::string& returnedErrString);
  bool GetEnoughSizeOnDisk(std::int32_t sizeNeeded, const std::string& directoryForFiles,
                           std::string& returnedErrString);
  static bool GetFileAlreadyExistsOnDisk(const std::string& documentName);
  bool RunVexlarPrint(const std::string& docNameIn, std::string& returnedErrString);

 private:
  // Page setup, printer and the print call on the open document.
  void printOpenDocument(const ObjectRef& doc, const std::vector<std::int32_t>& pagePairs);

  PrintSettings settings_;
  ObjectRef connection_;
  vault::FreeBytesQuery freeBytes_;
};

}  // namespace rc::core
