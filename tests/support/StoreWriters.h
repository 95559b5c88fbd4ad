// Several processes using one settings store at once: two writers of
// `values` values each under one key, and a reader that keeps reading the
// store while they write. Shared by the quick test and the big one.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "platform/os/Files.h"
#include "platform/os/SettingsStore.h"

namespace rc::testing {

// Runs the writers and the reader on the store at `path`; every value must
// be kept and no read may find the store damaged, missing or without the
// value written before the writers started.
inline void expectConcurrentWritersKeepEverything(const std::string& path, int values) {
  using platform::SettingsStore;
  constexpr int kWriters = 2;
  SettingsStore(path).set("Shared", "start", "1");
  auto name = [](int w, int i) { return "w" + std::to_string(w) + "_" + std::to_string(i); };
  pid_t pids[kWriters + 1];
  for (int w = 0; w <= kWriters; ++w) {
    pids[w] = ::fork();
    ASSERT_GE(pids[w], 0);
    if (pids[w] != 0) continue;
    int rc = 0;
    try {
      SettingsStore store(path);
      if (w < kWriters) {
        for (int i = 0; i < values; ++i) store.set("Shared", name(w, i), std::to_string(i));
      } else {
        // The reader: until both writers' last values are there.
        while (!store.get("Shared", name(0, values - 1)) || !store.get("Shared", name(1, values - 1))) {
          if (store.get("Shared", "start") != "1") rc = 2;
          ::usleep(2000);  // leave the writers the processor
        }
      }
    } catch (...) {
      rc = 1;
    }
    ::_exit(rc);
  }
  for (pid_t pid : pids) {
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "process " << pid << " status " << status;
  }
  SettingsStore store(path);
  EXPECT_EQ(store.names("Shared").size(), static_cast<std::size_t>(kWriters * values + 1));
  for (int w = 0; w < kWriters; ++w)
    for (int i = 0; i < values; ++i) EXPECT_EQ(store.get("Shared", name(w, i)), std::to_string(i));
  EXPECT_FALSE(platform::fileExists(path + ".tmp"));
}

}  // namespace rc::testing
