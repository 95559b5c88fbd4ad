// Whole files read with one read: their bytes exactly, the limit kept
// without allocating, and what is not a regular file refused with the file
// statements' errors (a pipe without waiting for a writer).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "platform/automation/Error.h"
#include "platform/os/FileBytes.h"
#include "platform/os/Files.h"
#include "tests/support/TestSupport.h"

namespace rc::platform {
namespace {

namespace err = rc::automation::err;

using rc::testing::errorNumber;
using rc::testing::ScratchFolder;

std::string text(const FileBytes& f) { return {reinterpret_cast<const char*>(f.bytes().data()), f.size()}; }

TEST(FileBytes, ReadsEveryByteUpToTheLimitAndNoMore) {
  ScratchFolder dir;
  std::string data(300000, '\0');
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7 + i / 251);
  writeFile(dir / "big.bin", data);
  writeFile(dir / "empty.bin", "");
  std::optional<FileBytes> f = readFileBytes(dir / "big.bin", 300000);
  ASSERT_TRUE(f);
  EXPECT_EQ(text(*f), data);
  EXPECT_FALSE(readFileBytes(dir / "big.bin", 299999));
  f = readFileBytes(dir / "empty.bin", 0);
  ASSERT_TRUE(f);
  EXPECT_EQ(f->size(), 0u);
}

TEST(FileBytes, WhatIsNoRegularFileIsRefusedWithTheStatementsErrors) {
  ScratchFolder dir;
  EXPECT_EQ(errorNumber([&] { readFileBytes(dir / "missing.bin", 10); }), err::FileNotFound);
  EXPECT_EQ(errorNumber([&] { readFileBytes(dir / "no/such/x.bin", 10); }), err::PathNotFound);
  EXPECT_EQ(errorNumber([&] { readFileBytes(dir.path(), 10); }), err::FileNotFound);
  ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
  EXPECT_EQ(errorNumber([&] { readFileBytes(dir / "pipe", 10); }), err::FileNotFound);
  if (::geteuid() != 0) {
    writeFile(dir / "locked.bin", "x");
    ::chmod((dir / "locked.bin").c_str(), 0);
    EXPECT_EQ(errorNumber([&] { readFileBytes(dir / "locked.bin", 10); }), err::PermissionDenied);
  }
}

}  // namespace
}  // namespace rc::platform
