// The class registry (ProgID to factory) and the running object table.
//
// Stands for the system registry's class entries and COM's running object
// table: one per process, kept in this one place. ProgIDs compare without
// regard to case.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/automation/Dispatch.h"

namespace rc::automation {

using Factory = std::function<ObjectRef()>;

// Registers `progId` (replacing an earlier registration of the same name).
// `info` is the type information of the objects the factory makes.
void registerClass(std::string progId, const ClassInfo& info, Factory factory);
void unregisterClass(std::string_view progId);

// CreateObject: a new object, or what the factory decides (an application
// may hand out its running instance); 429 for an unknown ProgID or a
// factory that fails.
ObjectRef createObject(std::string_view progId);

// GetObject: the running instance registered under `progId`; 429 when none runs.
ObjectRef getObject(std::string_view progId);

// The running object table.
void registerRunning(std::string progId, ObjectRef obj);
void revokeRunning(std::string_view progId);
// Removes every entry that refers to `obj`.
void revokeRunning(const Dispatch* obj);

// The type information registered under `progId`, or nullptr.
const ClassInfo* classInfoFor(std::string_view progId);

// Every distinct class of `library` (any case) registered so far, in
// registration order.
std::vector<const ClassInfo*> registeredClasses(std::string_view library);

// Publishes a library's version and ID (replacing an earlier entry of the
// same name).
void registerLibrary(LibraryInfo info);

// A type library as its listings show it: the library and its classes.
struct TypeLibrary {
  LibraryInfo library;
  std::vector<const ClassInfo*> classes;  // registration order
};

// The library named `name` (any case) with its registered classes, or
// nullopt when no class of it is registered. A library that published no
// version and ID answers them empty.
std::optional<TypeLibrary> typeLibrary(std::string_view name);

}  // namespace rc::automation
