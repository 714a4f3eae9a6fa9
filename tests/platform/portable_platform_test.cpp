// The stand-in for Win32 on other systems: its files, names and mappings, a
// desktop without windows and dialogs. Named sections opened twice carry
// every transfer of the link tests; the command line it is handed is checked
// by the argument fuzz target, replayed by qv_test_hardening.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "tests/support/temp_dir.h"

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

TEST(PortablePlatformTest, UserAndFiles) {
  char user[64];
  uint32_t size = sizeof user;
  ASSERT_TRUE(Sys().GetUserNameA(user, &size));
  EXPECT_EQ(size, std::strlen(user) + 1);
  uint32_t small = size - 1;
  EXPECT_FALSE(Sys().GetUserNameA(user, &small));
  EXPECT_EQ(small, size) << "the size needed";
  EXPECT_FALSE(Sys().GetUserNameA(nullptr, &size));
  testing::TempDir dir;
  testing::WriteFile(dir / "f", "");
  EXPECT_EQ(Sys().GetFileAttributesA((dir / "f").c_str()), 0x80u);
  EXPECT_EQ(Sys().GetFileAttributesA((dir / "").c_str()), win::kFileAttributeDirectory);
  EXPECT_EQ(Sys().GetFileAttributesA((dir / "none").c_str()), win::kInvalidFileAttributes);
  EXPECT_EQ(Sys().GetFileAttributesA(nullptr), win::kInvalidFileAttributes);
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

TEST(PortablePlatformTest, NoWindowsNoDialogsNoLibraries) {
  Platform& os = NativePlatform();
  char buffer[8] = "x";
  uint32_t n = 5;
  Rect rect{1, 2, 3, 4};
  EXPECT_EQ(os.GetForegroundWindow(), nullptr);
  EXPECT_EQ(os.GetClassNameA(nullptr, buffer, 0), 0);
  EXPECT_STREQ(buffer, "x");
  EXPECT_EQ(os.GetClassNameA(nullptr, nullptr, 8), 0);
  EXPECT_EQ(os.GetClassNameA(nullptr, buffer, sizeof buffer), 0);
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(os.FindWindowA("TTeraPadMainForm", nullptr), nullptr);
  EXPECT_EQ(os.FindWindowExA(nullptr, nullptr, "TEditor", nullptr), nullptr);
  EXPECT_FALSE(os.IsWindow(buffer));
  EXPECT_EQ(Desktop().SendMessageA(buffer, win::kWmGetTextLength, 0, 0), 0);
  EXPECT_EQ(os.GetWindowThreadProcessId(buffer, &n), 0u);
  EXPECT_EQ(n, 0u);
  EXPECT_EQ(os.GetVersionPlatformId(), win::kVerPlatformWin32Nt);
  EXPECT_FALSE(os.BindToolhelp() || os.BindPsapi() || os.BindVersionApi());
  EXPECT_FALSE(os.FindProcessExeBySnapshot(1, buffer, 8) || os.FindProcessExeByModules(1, buffer, 8));
  n = 5;
  EXPECT_EQ(os.GetFileVersionInfoSizeA("x", &n), 0u);
  EXPECT_EQ(n, 0u);
  void* value = nullptr;
  EXPECT_FALSE(os.GetFileVersionInfoA("x", 0, 8, buffer) || os.VerQueryValueA(buffer, "\\", &value, &n));
  EXPECT_EQ(os.DialogBoxParamA(nullptr, 101, nullptr, nullptr, 0), -1);
  EXPECT_FALSE(os.EndDialog(buffer, 1) || os.CheckDlgButton(buffer, 1001, 1) || os.EnableWindow(buffer, true));
  EXPECT_EQ(os.IsDlgButtonChecked(buffer, 1001), win::kBstUnchecked);
  EXPECT_EQ(os.GetDlgItem(buffer, 1001), nullptr);
  EXPECT_FALSE(os.GetWindowRect(buffer, &rect) || os.MoveWindow(buffer, 0, 0, 1, 1, true));
  EXPECT_FALSE(os.AnimateWindowIfPresent(buffer, 1, 1) || os.RedrawWindow(buffer));
  ASSERT_TRUE(os.GetWorkArea(&rect));
  EXPECT_EQ(std::vector({rect.left, rect.top, rect.right, rect.bottom}), std::vector({0, 0, 1024, 768}));
  EXPECT_FALSE(os.GetWorkArea(nullptr));
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(os.MessageBoxA(nullptr, "\x83\x65\x83X\x83g \xFF", "Quorvel", win::kMbIconError), win::kIdOk);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Quorvel: \xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88 \xEF\xBF\xBD\n");
}

}  // namespace
}  // namespace qv
