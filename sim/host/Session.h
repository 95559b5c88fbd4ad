// One running host session: its open documents, journal, logs, settings,
// windows and simulator controls. The session's application object (see
// Application.h) and every object reached from it share this state.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/automation/Dispatch.h"
#include "sim/host/HostWindows.h"
#include "sim/host/Model.h"

namespace rc::sim::host {

class Document;

class Session : public std::enable_shared_from_this<Session> {
 public:
  // A running session with its windows; the journal file starts as $VEXLAR_JOURNAL.
  static std::shared_ptr<Session> create(std::string progId, std::int32_t processId);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  std::int32_t processId() const { return processId_; }
  void setProcessId(std::int32_t id) { processId_ = id; }
  const std::string& progId() const { return progId_; }
  bool ended() const { return ended_; }
  // Closes the documents, destroys the windows and marks the session ended.
  void end();

  // The application object, while the session runs.
  automation::ObjectRef application() const { return application_.lock(); }
  void setApplication(const automation::ObjectRef& app) { application_ = app; }

  // Documents.
  const std::vector<std::shared_ptr<Document>>& documents() const { return documents_; }
  std::shared_ptr<Document> activeDocument() const { return active_; }
  // Adds (when not yet open) and activates `doc`.
  void activate(const std::shared_ptr<Document>& doc);
  void close(const std::shared_ptr<Document>& doc);
  void closeAll();
  // The open document named by full path, title or file name, or nullptr.
  std::shared_ptr<Document> findOpen(std::string_view name) const;

  // The absolute native form of a path given to the host; relative paths
  // are taken from the working directory.
  std::string resolvePath(std::string_view given) const;
  void setWorkingDirectory(std::string dir) { workingDirectory_ = std::move(dir); }

  // Logs.
  void recordLine(std::string_view text);
  void recordOperation(std::string line) { operations_.push_back(std::move(line)); }
  void message(std::string text) { messages_.push_back(std::move(text)); }
  void addPrintJob(std::string json) { printJobs_.push_back(std::move(json)); }
  void clearJournal() { journal_.clear(); }
  const std::vector<std::string>& journal() const { return journal_; }
  const std::vector<std::string>& operations() const { return operations_; }
  const std::vector<std::string>& keystrokes() const { return keystrokes_; }
  const std::vector<std::string>& messages() const { return messages_; }
  const std::vector<std::string>& printJobs() const { return printJobs_; }
  std::string journalFile;

  // Settings.
  std::int32_t latestFileVersion = 3000;
  std::string revisionNumber = "15.2.0";

  // Simulator controls. admitCall() runs before every member call of an
  // object of this session: it refuses calls once the session has ended,
  // counts the call and raises the injected faults. Members whose names
  // begin with "Sim" are neither counted nor failed. `faults` are those of
  // the document the called object belongs to, if any.
  void admitCall(std::string_view member, const std::vector<std::pair<std::string, std::string>>* faults);
  void failNext(std::string member, std::string description, std::int32_t count);
  void failAfter(std::int32_t n, std::string description);
  std::int32_t callCount() const { return callCount_; }

  // Windows.
  display::Handle frameWindow() const { return windows_ ? windows_->frame() : 0; }
  display::Handle viewWindow() const { return windows_ ? windows_->view() : 0; }
  void repaintView() const;

 private:
  Session(std::string progId, std::int32_t processId);

  std::int32_t processId_;
  std::string progId_;
  bool ended_ = false;
  std::weak_ptr<automation::Dispatch> application_;
  std::vector<std::shared_ptr<Document>> documents_;
  std::shared_ptr<Document> active_;
  std::string workingDirectory_;
  std::vector<std::string> journal_, operations_, keystrokes_, messages_, printJobs_;

  struct FailRule {
    std::string member;
    std::string description;
    std::int32_t remaining;
  };
  std::vector<FailRule> failRules_;
  std::int32_t failAfter_ = 0;  // calls until the next one fails; 0 is off
  std::string failAfterDescription_;
  std::int32_t callCount_ = 0;

  std::optional<HostWindows> windows_;
};

}  // namespace rc::sim::host
