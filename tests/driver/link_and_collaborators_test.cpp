// The link record, and how the run's collaborators fail while they are not
// in the build.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "convert/convert.h"
#include "dialog/options_dialog.h"
#include "driver/messages.h"
#include "driver/run.h"
#include "host/editor_link.h"
#include "tests/driver/recording_platform.h"

namespace qv {
namespace {

using ::testing::Each;
using ::testing::SizeIs;

void ExpectReset(const EditorLink& link) {
  EXPECT_EQ(link.heap, nullptr);
  EXPECT_EQ(link.mainWindow, nullptr);
  EXPECT_EQ(link.HostVersion, 0u);
  EXPECT_EQ(link.currentPane, nullptr);
  EXPECT_EQ(link.hostExePath, nullptr);
  EXPECT_EQ(link.hostIniPath, nullptr);
  EXPECT_EQ(link.busy, 0);
  EXPECT_FALSE(link.IsAttached());
}

TEST(EditorLinkTest, DetachIsHarmlessOnAResetRecordAndTwice) {
  testing::RecordingPlatform os;
  EditorLink link;
  link.Detach();
  ExpectReset(link);
  link.heap = Os().HeapCreate(0, 0, 0);
  link.mainWindow = reinterpret_cast<Window>(0x10);
  link.currentPane = reinterpret_cast<Window>(0x20);
  link.HostVersion = 0x00490001;
  link.hostExePath = "TeraPad.exe";
  link.busy = 1;
  EXPECT_TRUE(link.IsAttached());
  link.Detach();
  ExpectReset(link);
  link.Detach();
  ExpectReset(link);
  EXPECT_EQ(os.heapsDestroyed, 1);
}

TEST(EditorLinkTest, NoHostInFrontGivesUpAfterFiftyPolls) {
  testing::RecordingPlatform os;
  EditorLink link;
  link.Attach();
  EXPECT_FALSE(link.IsAttached());
  EXPECT_EQ(link.mainWindow, nullptr);
  EXPECT_EQ(link.heap, nullptr) << "no heap is created without a main window";
  EXPECT_EQ(link.busy, 1);
  EXPECT_THAT(os.sleeps, SizeIs(50));
  EXPECT_THAT(os.sleeps, Each(50u));
}

TEST(ConvertToFullTest, BlockThatCannotBeEnlargedIsReported) {
  testing::RecordingPlatform os;
  RunContext ctx;
  ctx.link.heap = Os().HeapCreate(0, 0, 0);
  ctx.link.mainWindow = reinterpret_cast<Window>(0x42);
  auto* text = static_cast<char*>(Os().HeapAlloc(ctx.link.heap, win::kHeapZeroMemory, 4));
  std::memcpy(text, "abc", 4);
  os.failHeapOperation = os.heapOperations + 1;  // the reallocation
  EXPECT_FALSE(ConvertToFull(ctx, &text));
  EXPECT_EQ(text, nullptr);
  ASSERT_THAT(os.messageBoxes, SizeIs(1));
  EXPECT_EQ(os.messageBoxes[0].text, kMsgOutOfMemory);
  EXPECT_EQ(os.messageBoxes[0].caption, "Quorvel");
  EXPECT_EQ(os.messageBoxes[0].owner, ctx.link.mainWindow);
  EXPECT_EQ(os.messageBoxes[0].type, win::kMbIconError);
  ctx.link.Detach();
}

TEST(ConvertToFullTest, BlockSizeThatOverflowsIsOutOfMemory) {
  size_t bytes = 0;
  EXPECT_TRUE(FullBlockSize(0, &bytes));
  EXPECT_EQ(bytes, 4u);
  EXPECT_TRUE(FullBlockSize(1000, &bytes));
  EXPECT_EQ(bytes, 4004u);
  EXPECT_FALSE(FullBlockSize(SIZE_MAX / 4, &bytes));
  EXPECT_FALSE(FullBlockSize(0x40000000u, &bytes)) << "beyond the texts' 32-bit positions";
}

TEST(OptionsDialogTest, DialogThatCannotBeCreatedEndsTheRun) {
  testing::RecordingPlatform os;
  RunContext ctx;
  ctx.link.mainWindow = reinterpret_cast<Window>(0x42);
  EXPECT_EQ(RunOptionsDialog(ctx, nullptr), 2);
  ASSERT_THAT(os.messageBoxes, SizeIs(1));
  // "ダイアログの起動に失敗しました。"
  EXPECT_EQ(os.messageBoxes[0].text,
            "\x83_\x83\x43\x83\x41\x83\x8D\x83O\x82\xCC\x8BN\x93\xAE\x82\xC9\x8E\xB8\x94s\x82\xB5\x82\xDC\x82\xB5\x82\xBD"
            "\x81\x42");
  EXPECT_EQ(os.messageBoxes[0].owner, ctx.link.mainWindow);
  EXPECT_EQ(os.messageBoxes[0].type, win::kMbIconInformation);
}

}  // namespace
}  // namespace qv
