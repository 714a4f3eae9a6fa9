#include "platform/portable_heap.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/platform.h"

namespace qv::portable {
namespace {

TEST(PortableHeapTest, FailedReallocKeepsTheOldBlock) {
  void* heap = HeapCreate();
  auto* block = static_cast<char*>(HeapAlloc(heap, 0, 8));
  std::memcpy(block, "keep me", 8);
  HeapFaults::Arm(1);
  EXPECT_EQ(HeapReAlloc(heap, 0, block, 1024), nullptr);
  HeapFaults::Disarm();
  EXPECT_STREQ(block, "keep me");
  EXPECT_EQ(HeapAlloc(heap, 0, SIZE_MAX), nullptr) << "an impossible size fails";
  HeapDestroy(heap);
}

}  // namespace
}  // namespace qv::portable
