// The link's pieces on the real Windows calls: version resources of modules
// the build made, named sections, and the process behind a real window.
#include <windows.h>  // the test window only; the code under test goes through the platform groups

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "host/discovery.h"
#include "host/module_version_info.h"
#include "platform/platform.h"

namespace qv {
namespace {

// bin\host-test-data\<name>, beside this program.
std::string DataFile(const char* name) {
  char own[MAX_PATH] = {};
  Sys().GetModuleFileNameA(Sys().GetModuleHandleA(nullptr), own, sizeof own);
  std::string path = own;
  path.resize(FileNameStart(path));
  return path + "host-test-data\\" + name;
}

TEST(WineVersionTest, ResourcesOfRealModules) {
  ASSERT_TRUE(IsExistingFile(DataFile("two_translations.dll").c_str())) << DataFile("two_translations.dll");
  ModuleVersionInfo info(DataFile("no_version.dll").c_str());
  for (uint32_t i = 0; i < 12; ++i) EXPECT_EQ(info.GetStringField(i), nullptr) << i;
  info.SetModulePath(DataFile("two_translations.dll").c_str());
  // Only the second translation has the FileVersion; the first that has a field gives it.
  EXPECT_STREQ(info.GetStringField(kVersionFileVersion), "0.73.0.1");
  EXPECT_EQ(PackHostVersion(info.GetStringField(kVersionFileVersion)), 0x00490001u);
  EXPECT_STREQ(info.GetStringField(1), "First translation");
  EXPECT_EQ(info.GetStringField(9), nullptr);
  EXPECT_EQ(ModuleVersionInfo(DataFile("not_there.dll").c_str()).GetStringField(kVersionFileVersion), nullptr);
}

TEST(WineMappingTest, SecondOpenerSeesTheBytesAndIsToldTheNameWasTaken) {
  char name[64];
  std::snprintf(name, sizeof name, "QuorvelHostTest_Map_%lu", GetCurrentProcessId());
  bool taken = true;
  KernelHandle first = Shared().CreateFileMappingA(1257, name, &taken);
  ASSERT_NE(first, nullptr);
  EXPECT_FALSE(taken);
  KernelHandle second = Shared().CreateFileMappingA(10, name, &taken);
  ASSERT_NE(second, nullptr);
  EXPECT_TRUE(taken);
  auto* out = static_cast<char*>(Shared().MapViewOfFile(first, win::kFileMapWrite));
  std::memcpy(out, "\x83\x65\x83X\x83g", 7);  // テスト
  ASSERT_TRUE(Shared().UnmapViewOfFile(out));
  const auto* in = static_cast<const char*>(Shared().MapViewOfFile(second, win::kFileMapRead));
  EXPECT_STREQ(in, "\x83\x65\x83X\x83g");
  EXPECT_EQ(in[1256], '\0') << "the section keeps the size its creator gave";
  Shared().UnmapViewOfFile(const_cast<char*>(in));
  Shared().CloseHandle(second);
  Shared().CloseHandle(first);
}

LRESULT CALLBACK PlainWindowProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcA(w, m, wp, lp); }

TEST(WineProcessExeTest, WindowOfThisProcessNamesThisProgram) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = PlainWindowProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "QuorvelHostTestWindow";
  RegisterClassA(&wc);
  HWND window = CreateWindowExA(0, wc.lpszClassName, "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                wc.hInstance, nullptr);
  ASSERT_NE(window, nullptr);
  ResetProcessExeLookupForTesting();
  char found[kExePathBlockSize] = {}, own[MAX_PATH] = {}, tiny[8] = {};
  EXPECT_EQ(GetWindowProcessExePath(window, found, sizeof found), 1);
  GetModuleFileNameA(nullptr, own, sizeof own);
  EXPECT_EQ(lstrcmpiA(found, own), 0) << found << " vs " << own;
  EXPECT_EQ(GetWindowProcessExePath(window, tiny, sizeof tiny), 0) << "a path that does not fit is refused";
  EXPECT_EQ(tiny[0], '\0');
  DestroyWindow(window);
  EXPECT_EQ(GetWindowProcessExePath(window, found, sizeof found), 0) << "no longer a window";
  ResetProcessExeLookupForTesting();
}

}  // namespace
}  // namespace qv
