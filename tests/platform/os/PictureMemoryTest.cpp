#include "platform/os/PictureMemory.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace rc::platform {
namespace {

constexpr std::size_t kMiB = std::size_t{1} << 20;

// A worker handles picture after picture of one size: the buffer given back
// is the one handed out next, aligned for huge pages, and a buffer of
// another size is not mistaken for it.
TEST(PictureMemory, ABufferGivenBackServesTheNextPictureOfItsSize) {
  void* first = largeBuffer(3 * kMiB);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(first) % (2 * kMiB), 0u);
  std::memset(first, 0x5A, 3 * kMiB);
  releaseLargeBuffer(first, 3 * kMiB);
  void* other = largeBuffer(9 * kMiB);
  EXPECT_NE(other, first);
  void* again = largeBuffer(3 * kMiB + 1000);  // rounds to the same size
  EXPECT_EQ(again, first);
  releaseLargeBuffer(again, 3 * kMiB + 1000);
  releaseLargeBuffer(other, 9 * kMiB);
}

// Many buffers given back at once: the table keeps some (the rest go back
// to the system), and every one handed out is whole and writable.
TEST(PictureMemory, ManyBuffersGivenBackStayWithinTheTablesLimits) {
  std::vector<void*> buffers;
  for (int i = 0; i < 20; ++i) {
    buffers.push_back(largeBuffer(4 * kMiB));
    std::memset(buffers.back(), i, 4 * kMiB);
  }
  for (void* b : buffers) releaseLargeBuffer(b, 4 * kMiB);
  int reused = 0;
  std::vector<void*> again;
  for (int i = 0; i < 20; ++i) {
    again.push_back(largeBuffer(4 * kMiB));
    for (void* b : buffers) reused += again.back() == b;
    std::memset(again.back(), 0, 4 * kMiB);
  }
  EXPECT_GT(reused, 0);  // (an address the system maps afresh may count too)
  for (void* b : again) releaseLargeBuffer(b, 4 * kMiB);
  // A picture vector comes through the same table and reads its values back.
  std::vector<std::uint32_t, PictureAllocator<std::uint32_t>> pixels(kMiB, 0xFFFFFFu);
  EXPECT_EQ(pixels.front(), 0xFFFFFFu);
  EXPECT_EQ(pixels.back(), 0xFFFFFFu);
}

}  // namespace
}  // namespace rc::platform
