#include "sim/host/Session.h"

#include <cstdlib>
#include <filesystem>

#include <strings.h>

#include "platform/automation/Error.h"
#include "platform/os/Files.h"
#include "platform/os/Paths.h"
#include "sim/host/Document.h"
#include "sim/host/Pictures.h"
#include "sim/host/SessionTable.h"

namespace rc::sim::host {

namespace {

bool sameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

// The error a call on an object of an ended session raises: the host
// process that served the object is gone.
constexpr int kDisconnected = static_cast<int>(0x80010108u);

}  // namespace

Session::Session(std::string progId, std::int32_t processId) : processId_(processId), progId_(std::move(progId)) {
  if (const char* j = std::getenv("VEXLAR_JOURNAL"); j != nullptr) journalFile = j;
}

std::shared_ptr<Session> Session::create(std::string progId, std::int32_t processId) {
  std::shared_ptr<Session> s(new Session(std::move(progId), processId));
  std::weak_ptr<Session> weak = s;
  s->windows_.emplace(
      [weak](display::Surface& surface) {
        auto session = weak.lock();
        pictures::paintView(surface, session ? session->activeDocument().get() : nullptr);
      },
      [weak](std::string_view keys) {
        if (auto session = weak.lock()) session->keystrokes_.emplace_back(keys);
      });
  return s;
}

Session::~Session() = default;

void Session::end() {
  if (ended_) return;
  closeAll();
  ended_ = true;
  windows_.reset();
  sessions::forget(*this);
}

void Session::activate(const std::shared_ptr<Document>& doc) {
  if (std::find(documents_.begin(), documents_.end(), doc) == documents_.end()) documents_.push_back(doc);
  active_ = doc;
  if (windows_) windows_->activate();
  repaintView();
}

void Session::close(const std::shared_ptr<Document>& doc) {
  std::erase(documents_, doc);
  if (active_ == doc) active_ = documents_.empty() ? nullptr : documents_.back();
  repaintView();
}

void Session::closeAll() {
  documents_.clear();
  active_.reset();
  repaintView();
}

std::shared_ptr<Document> Session::findOpen(std::string_view name) const {
  if (name.empty()) return nullptr;
  if (platform::lastSeparator(name) != std::string_view::npos) {
    std::string path = resolvePath(name);
    for (const auto& d : documents_)
      if (d->path() == path) return d;
  }
  for (const auto& d : documents_)
    if (sameText(d->title(), name) || sameText(platform::fileName(d->path()), name)) return d;
  return nullptr;
}

std::string Session::resolvePath(std::string_view given) const {
  std::string path = platform::nativePath(given);
  if (path.empty() || path.front() != '/') {
    std::string base = workingDirectory_.empty() ? std::filesystem::current_path().string()
                                                 : platform::nativePath(workingDirectory_);
    if (!base.empty() && base.front() != '/') base = (std::filesystem::current_path() / base).string();
    path = platform::joinPath(base, path);
  }
  return std::filesystem::path(path).lexically_normal().string();
}

void Session::recordLine(std::string_view text) {
  journal_.emplace_back(text);
  if (!journalFile.empty()) {
    try {
      platform::appendLine(journalFile, text);
    } catch (const automation::AutomationError& e) {
      message("journal file " + journalFile + ": " + e.description());
    }
  }
}

void Session::admitCall(std::string_view member, const std::vector<std::pair<std::string, std::string>>* faults) {
  if (ended_) automation::raise(kDisconnected, "The object invoked has disconnected from its clients.", "Vexlar");
  if (member.size() >= 3 && strncasecmp(member.data(), "Sim", 3) == 0) return;
  ++callCount_;
  auto fail = [](const std::string& description) {
    automation::raise(automation::err::ApplicationDefined, description, "Vexlar");
  };
  if (failAfter_ > 0 && --failAfter_ == 0) fail(failAfterDescription_);
  for (auto it = failRules_.begin(); it != failRules_.end(); ++it) {
    if (!sameText(it->member, member)) continue;
    std::string description = it->description;
    if (--it->remaining <= 0) failRules_.erase(it);
    fail(description);
  }
  if (faults)
    for (const auto& [name, description] : *faults)
      if (sameText(name, member)) fail(description);
}

void Session::failNext(std::string member, std::string description, std::int32_t count) {
  std::erase_if(failRules_, [&](const FailRule& r) { return sameText(r.member, member); });
  if (count > 0) failRules_.push_back(FailRule{std::move(member), std::move(description), count});
}

void Session::failAfter(std::int32_t n, std::string description) {
  failAfter_ = n > 0 ? n : 0;
  failAfterDescription_ = std::move(description);
}

void Session::repaintView() const {
  if (windows_) windows_->repaintView();
}

}  // namespace rc::sim::host
