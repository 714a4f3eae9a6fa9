#include "platform/portable_heap.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/platform.h"

namespace qv::portable {
namespace {

TEST(PortableHeapTest, ZeroFlagAndReallocKeepContents) {
  void* heap = HeapCreate();
  auto* block = static_cast<unsigned char*>(HeapAlloc(heap, win::kHeapZeroMemory, 16));
  for (int i = 0; i < 16; ++i) EXPECT_EQ(block[i], 0);
  std::memcpy(block, "0123456789abcdef", 16);
  auto* grown = static_cast<unsigned char*>(HeapReAlloc(heap, win::kHeapZeroMemory, block, 64));
  ASSERT_NE(grown, nullptr);
  EXPECT_EQ(std::memcmp(grown, "0123456789abcdef", 16), 0);
  for (int i = 16; i < 64; ++i) EXPECT_EQ(grown[i], 0);
  auto* shrunk = static_cast<unsigned char*>(HeapReAlloc(heap, 0, grown, 4));
  ASSERT_NE(shrunk, nullptr);
  EXPECT_EQ(std::memcmp(shrunk, "0123", 4), 0);
  EXPECT_EQ(HeapReAlloc(heap, 0, nullptr, 8), nullptr) << "no block";
  EXPECT_EQ(HeapReAlloc(nullptr, 0, shrunk, 8), nullptr) << "no heap";
  EXPECT_TRUE(HeapFree(heap, shrunk));
  EXPECT_TRUE(HeapFree(heap, nullptr));
  EXPECT_FALSE(HeapFree(nullptr, nullptr));
  HeapDestroy(heap);
}

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
