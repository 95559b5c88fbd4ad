#include "platform/automation/Registry.h"

#include <strings.h>

#include <algorithm>
#include <mutex>

#include "platform/automation/Error.h"

namespace rc::automation {

namespace {

struct ClassEntry {
  std::string progId;
  const ClassInfo* info;
  Factory factory;
};

struct RunningEntry {
  std::string progId;
  ObjectRef obj;
};

// The process's class registry and running object table.
struct RegistryState {
  std::recursive_mutex mu;
  std::vector<ClassEntry> classes;
  std::vector<RunningEntry> running;
  std::vector<LibraryInfo> libraries;
};

RegistryState& state() {
  static RegistryState s;
  return s;
}

bool sameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

}  // namespace

void registerClass(std::string progId, const ClassInfo& info, Factory factory) {
  RegistryState& s = state();
  std::lock_guard lock(s.mu);
  for (ClassEntry& e : s.classes) {
    if (sameName(e.progId, progId)) {
      e = ClassEntry{std::move(progId), &info, std::move(factory)};
      return;
    }
  }
  s.classes.push_back(ClassEntry{std::move(progId), &info, std::move(factory)});
}

void unregisterClass(std::string_view progId) {
  RegistryState& s = state();
  std::lock_guard lock(s.mu);
  std::erase_if(s.classes, [&](const ClassEntry& e) { return sameName(e.progId, progId); });
}

ObjectRef createObject(std::string_view progId) {
  Factory factory;
  {
    RegistryState& s = state();
    std::lock_guard lock(s.mu);
    for (const ClassEntry& e : s.classes)
      if (sameName(e.progId, progId)) factory = e.factory;
  }
  if (!factory) raise(err::CannotCreateObject, std::string(progId));
  ObjectRef obj;
  try {
    obj = factory();
  } catch (const AutomationError&) {
    throw;  // the factory chose its own error
  } catch (const std::exception&) {
    raise(err::CannotCreateObject, std::string(progId));
  }
  if (!obj) raise(err::CannotCreateObject, std::string(progId));
  return obj;
}

ObjectRef getObject(std::string_view progId) {
  RegistryState& s = state();
  std::lock_guard lock(s.mu);
  for (const RunningEntry& e : s.running)
    if (sameName(e.progId, progId)) return e.obj;
  raise(err::CannotCreateObject, std::string(progId));
}

void registerRunning(std::string progId, ObjectRef obj) {
  RegistryState& s = state();
  std::lock_guard lock(s.mu);
  std::erase_if(s.running, [&](const RunningEntry& e) { return sameName(e.progId, progId); });
  s.running.push_back(RunningEntry{std::move(progId), std::move(obj)});
}

void revokeRunning(std::string_view progId) {
  RegistryState& s = state();
  std::lock_guard lock(s.mu);
  std::erase_if(s.running, [&](const RunningEntry& e) { return sameName(e.progId, progId); });
}

void revokeRunning(const Dispatch* obj) {
  RegistryState& s = state();
  std::lock_guard lock(s.mu);
  std::erase_if(s.running, [&](const RunningEntry& e) { return e.obj.get() == obj; });
}

const ClassInfo* classInfoFor(std::string_view progId) {
  RegistryState& s = state();
  std::lock_guard lock(s.mu);
  for (const ClassEntry& e : s.classes)
    if (sameName(e.progId, progId)) return e.info;
  return nullptr;
}

std::vector<const ClassInfo*> registeredClasses(std::string_view library) {
  std::optional<TypeLibrary> found = typeLibrary(library);
  return found ? std::move(found->classes) : std::vector<const ClassInfo*>();
}

void registerLibrary(LibraryInfo info) {
  RegistryState& s = state();
  std::lock_guard lock(s.mu);
  std::erase_if(s.libraries, [&](const LibraryInfo& l) { return sameName(l.name, info.name); });
  s.libraries.push_back(std::move(info));
}

std::optional<TypeLibrary> typeLibrary(std::string_view name) {
  RegistryState& s = state();
  std::lock_guard lock(s.mu);
  TypeLibrary out;
  for (const ClassEntry& e : s.classes) {
    if (!sameName(e.info->library, name)) continue;
    if (std::find(out.classes.begin(), out.classes.end(), e.info) == out.classes.end()) out.classes.push_back(e.info);
  }
  if (out.classes.empty()) return std::nullopt;
  out.library.name = out.classes.front()->library;
  for (const LibraryInfo& l : s.libraries)
    if (sameName(l.name, name)) out.library = l;
  return out;
}

}  // namespace rc::automation
