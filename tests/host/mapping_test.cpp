// The shared-memory transfer when the section's name is already taken.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "host/editor_link.h"
#include "host/host_contract.h"
#include "tests/support/fake_desktop.h"

namespace qv {
namespace {

class TakenMappingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetPlatformForTesting(&d);
    main = d.AddHost("0123456789");
    link.heap = Os().HeapCreate(0, 0, 0);
    link.mainWindow = main;
    link.currentPane = d.Pane(main);
    link.HostVersion = host::kVersionTransferMapping;
    char name[64];
    std::snprintf(name, sizeof name, "%s%u", host::kMappingPrefix, host::MappingHandleValue(main));
    // Someone else holds a one-byte section under the link's name.
    squatter = Os().CreateFileMappingA(1, name);
    ASSERT_NE(squatter, nullptr);
  }
  void TearDown() override {
    Os().CloseHandle(squatter);
    link.Detach();
    SetPlatformForTesting(nullptr);
  }
  testing::FakeDesktop d;
  testing::FakeWindow* main = nullptr;
  EditorLink link;
  KernelHandle squatter = nullptr;
};

// Writing a long text into the smaller section would overrun it: the link
// leaves the section alone and uses edit-control messages.
TEST_F(TakenMappingTest, WriteFallsBackToMessages) {
  const std::string text(5000, 'x');
  char* p = const_cast<char*>(text.c_str());
  EXPECT_EQ(link.TransferText(true, &p, false), TransferResult::kRefused);
  EXPECT_EQ(d.Count(host::kMsgWriteText), 0u);
  EXPECT_EQ(link.ReplaceAllText(text.c_str()), WriteResult::kWritten);
  EXPECT_EQ(d.Pane(main)->text, text);
}

TEST_F(TakenMappingTest, ReadFallsBackToMessages) {
  char* text = nullptr;
  EXPECT_EQ(link.TransferText(false, &text, false), TransferResult::kRefused);
  EXPECT_EQ(d.Count(host::kMsgReadText), 0u);
  const char* all = link.ReadAllText();
  ASSERT_NE(all, nullptr);
  EXPECT_STREQ(all, "0123456789");
}

}  // namespace
}  // namespace qv
