// Finding the executable behind a window: the road is chosen once per process.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "host/discovery.h"
#include "tests/support/fake_desktop.h"

namespace qv {
namespace {

class RoadDesktop : public testing::FakeDesktop {
 public:
  uint32_t platformId = win::kVerPlatformWin32Nt;
  bool psapiPresent = true;
  bool toolhelpPresent = true;
  int versionCalls = 0, psapiBinds = 0, toolhelpBinds = 0, snapshotWalks = 0, moduleLookups = 0;
  std::string exe = "C:\\Tools\\TeraPad.exe";

  uint32_t GetVersionPlatformId() override {
    ++versionCalls;
    return platformId;
  }
  bool BindPsapi() override {
    ++psapiBinds;
    return psapiPresent;
  }
  bool BindToolhelp() override {
    ++toolhelpBinds;
    return toolhelpPresent;
  }
  bool FindProcessExeBySnapshot(uint32_t, char* buffer, uint32_t size) override {
    ++snapshotWalks;
    std::strncpy(buffer, exe.c_str(), size);
    return true;
  }
  bool FindProcessExeByModules(uint32_t, char* buffer, uint32_t size) override {
    ++moduleLookups;
    std::strncpy(buffer, exe.c_str(), size);
    return true;
  }
};

class ProcessExeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetPlatformForTesting(&d);
    ResetProcessExeLookupForTesting();
    window = d.AddWindow("TTeraPadMainForm");
  }
  void TearDown() override {
    ResetProcessExeLookupForTesting();
    SetPlatformForTesting(nullptr);
  }
  RoadDesktop d;
  testing::FakeWindow* window = nullptr;
  char buffer[262] = {};
};

TEST_F(ProcessExeTest, NtTakesTheModuleRoadAndChoosesOnce) {
  EXPECT_EQ(GetWindowProcessExePath(window, buffer, sizeof buffer), 1);
  EXPECT_STREQ(buffer, "C:\\Tools\\TeraPad.exe");
  EXPECT_EQ(GetWindowProcessExePath(window, buffer, sizeof buffer), 1);
  EXPECT_EQ(d.versionCalls, 1);
  EXPECT_EQ(d.psapiBinds, 1);
  EXPECT_EQ(d.moduleLookups, 2);
  EXPECT_EQ(d.snapshotWalks, 0);
}

TEST_F(ProcessExeTest, OtherPlatformsTakeTheSnapshotRoad) {
  d.platformId = 1;
  EXPECT_EQ(GetWindowProcessExePath(window, buffer, sizeof buffer), 1);
  EXPECT_EQ(d.toolhelpBinds, 1);
  EXPECT_EQ(d.snapshotWalks, 1);
  EXPECT_EQ(d.moduleLookups, 0);
}

TEST_F(ProcessExeTest, MissingEntryPointsAreNotRememberedSoTheyAreTriedAgain) {
  d.psapiPresent = false;
  EXPECT_EQ(GetWindowProcessExePath(window, buffer, sizeof buffer), 0);
  d.psapiPresent = true;
  EXPECT_EQ(GetWindowProcessExePath(window, buffer, sizeof buffer), 1);
  EXPECT_EQ(d.versionCalls, 2);
  EXPECT_EQ(d.psapiBinds, 2);
}

TEST_F(ProcessExeTest, NoWindowNoBufferOrNoRoomIsZeroWithoutLooking) {
  EXPECT_EQ(GetWindowProcessExePath(reinterpret_cast<Window>(0x1234), buffer, sizeof buffer), 0);
  EXPECT_EQ(GetWindowProcessExePath(window, nullptr, sizeof buffer), 0);
  EXPECT_EQ(GetWindowProcessExePath(window, buffer, 0), 0);
  EXPECT_EQ(d.versionCalls, 0);
}

struct FitCase {
  size_t pathLength;
  int result;
};

class ProcessExeFitTest : public ProcessExeTest, public ::testing::WithParamInterface<FitCase> {};

// A path that fills the buffer may have been cut: refused, and no part of it
// stays behind.
TEST_P(ProcessExeFitTest, PathMustFitWithRoomToSpare) {
  d.exe = "C:\\" + std::string(GetParam().pathLength - 3, 'a');
  EXPECT_EQ(GetWindowProcessExePath(window, buffer, sizeof buffer), GetParam().result);
  if (GetParam().result == 1) {
    EXPECT_EQ(std::string(buffer), d.exe);
  } else {
    EXPECT_EQ(std::string(buffer, sizeof buffer), std::string(sizeof buffer, '\0'));
  }
}

INSTANTIATE_TEST_SUITE_P(Lengths, ProcessExeFitTest,
                         ::testing::Values(FitCase{3, 1}, FitCase{259, 1}, FitCase{260, 1}, FitCase{261, 0},
                                           FitCase{262, 0}, FitCase{400, 0}));

TEST_F(ProcessExeTest, EmptyAnswerIsNoPath) {
  d.exe.clear();
  EXPECT_EQ(GetWindowProcessExePath(window, buffer, sizeof buffer), 0);
}

}  // namespace
}  // namespace qv
