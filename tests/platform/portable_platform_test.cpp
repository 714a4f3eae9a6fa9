// The stand-in for Win32 on other systems: its own path and named sections
// opened twice, which carry every transfer of the link tests. Its desktop
// without windows is run by the no-host check; the command line it is handed
// is checked by the argument fuzz target, replayed by qv_test_hardening.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace qv {
namespace {

// Win32's answers: the length, or the size with the path cut and terminated.
TEST(PortablePlatformTest, OwnPath) {
  char own[4096] = {};
  const uint32_t length = Sys().GetModuleFileNameA(nullptr, own, sizeof own);
  ASSERT_EQ(std::string(own), std::filesystem::canonical("/proc/self/exe").string());
  for (uint32_t size : {length + 1, length, length - 1, 1u}) {
    std::vector<char> buffer(size + 1, '#');
    EXPECT_EQ(Sys().GetModuleFileNameA(nullptr, buffer.data(), size), size > length ? length : size) << size;
    EXPECT_EQ(std::string(buffer.data()), std::string(own, std::min(length, size - 1))) << size;
    EXPECT_EQ(buffer[size], '#') << "past the buffer of " << size;
  }
  EXPECT_EQ(Sys().GetModuleFileNameA(nullptr, nullptr, 10), 0u);
  EXPECT_EQ(Sys().GetModuleFileNameA(nullptr, own, 0), 0u);
  EXPECT_NE(Sys().GetModuleHandleA(nullptr), nullptr);
  EXPECT_EQ(Sys().GetModuleHandleA("user32"), nullptr);
}

// Sections live while a handle or view of them is open; an unnamed one is its own.
TEST(PortablePlatformTest, Mappings) {
  bool taken = true;
  EXPECT_EQ(Shared().CreateFileMappingA(0, "QvZero", &taken), nullptr);
  KernelHandle named = Shared().CreateFileMappingA(300, "QvMap", &taken);
  KernelHandle other = Shared().CreateFileMappingA(10, nullptr, &taken);
  auto* out = static_cast<char*>(Shared().MapViewOfFile(named, win::kFileMapWrite));
  auto* elsewhere = static_cast<char*>(Shared().MapViewOfFile(other, win::kFileMapRead));
  std::strcpy(out, "shared");
  EXPECT_STREQ(elsewhere, "");
  EXPECT_TRUE(Shared().CloseHandle(named));
  EXPECT_FALSE(Shared().CloseHandle(named));
  EXPECT_STREQ(out, "shared") << "a view keeps its section";
  for (char* view : {out, elsewhere}) EXPECT_TRUE(Shared().UnmapViewOfFile(view));
  EXPECT_FALSE(Shared().UnmapViewOfFile(nullptr));
  EXPECT_EQ(Shared().MapViewOfFile(reinterpret_cast<KernelHandle>(0x1), win::kFileMapRead), nullptr);
  EXPECT_TRUE(Shared().CloseHandle(other));
}

}  // namespace
}  // namespace qv
