#include "sim/host/SessionTable.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/automation/Error.h"
#include "platform/automation/Registry.h"
#include "platform/automation/SessionKey.h"
#include "sim/host/Application.h"
#include "sim/host/Session.h"

namespace rc::sim::host::sessions {

namespace {

// The process-wide session table.
struct Table {
  std::recursive_mutex mu;
  std::vector<std::weak_ptr<Session>> running;
  std::weak_ptr<Session> defaultSession;
  std::int32_t lastId = 4000;

  bool taken(std::int32_t id, const Session* except) {
    for (const auto& w : running)
      if (auto s = w.lock(); s && s.get() != except && !s->ended() && s->processId() == id) return true;
    return false;
  }

  // Process IDs go up in fours like the system's, staying within 16 bits
  // (callers may pass them through a 16-bit integer).
  std::int32_t nextId() {
    for (int tries = 0; tries < 8192; ++tries) {
      lastId = lastId + 4 > 32764 ? 4 : lastId + 4;
      if (!taken(lastId, nullptr)) return lastId;
    }
    automation::raise(automation::err::CannotCreateObject, "Too many host sessions", "Vexlar");
  }
};

Table& table() {
  static Table t;
  return t;
}

automation::ObjectRef start(Table& t, std::string progId) {
  std::erase_if(t.running, [](const std::weak_ptr<Session>& w) { return w.expired(); });
  auto session = Session::create(std::move(progId), t.nextId());
  automation::ObjectRef app = std::make_shared<Application>(session);
  session->setApplication(app);
  t.running.push_back(session);
  automation::registerRunning(lookupName(session->processId()), app);
  return app;
}

}  // namespace

std::string lookupName(std::int32_t id) { return automation::runningSessionKey(id); }

automation::ObjectRef attachOrStart(std::string_view progId) {
  Table& t = table();
  std::lock_guard lock(t.mu);
  if (auto s = t.defaultSession.lock(); s && !s->ended())
    if (automation::ObjectRef app = s->application()) return app;
  automation::ObjectRef app = start(t, std::string(progId));
  t.defaultSession = static_cast<Application&>(*app).sessionRef();
  automation::registerRunning("Vexlar.Application", app);
  automation::registerRunning("Orrery2007.Application", app);
  return app;
}

automation::ObjectRef startSeparate() {
  Table& t = table();
  std::lock_guard lock(t.mu);
  return start(t, "VexlarSim.Session");
}

void changeProcessId(Session& session, std::int32_t id) {
  Table& t = table();
  std::lock_guard lock(t.mu);
  if (id == session.processId()) return;
  if (t.taken(id, &session))
    automation::raise(automation::err::InvalidCall, "Process ID " + std::to_string(id) + " belongs to another session",
                      "Vexlar");
  automation::ObjectRef app = session.application();
  automation::revokeRunning(lookupName(session.processId()));
  session.setProcessId(id);
  if (app) automation::registerRunning(lookupName(id), app);
}

void forget(Session& session) {
  Table& t = table();
  std::lock_guard lock(t.mu);
  if (automation::ObjectRef app = session.application()) automation::revokeRunning(app.get());
  automation::revokeRunning(lookupName(session.processId()));
  std::erase_if(t.running, [&](const std::weak_ptr<Session>& w) {
    auto s = w.lock();
    return !s || s.get() == &session;
  });
  if (auto d = t.defaultSession.lock(); !d || d.get() == &session) t.defaultSession.reset();
}

}  // namespace rc::sim::host::sessions
