#include "driver/run.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "driver/messages.h"
#include "driver/switches.h"
#include "tests/driver/recording_platform.h"

namespace qv {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

Window const kMainWindow = reinterpret_cast<Window>(0x1234);
Window const kPane = reinterpret_cast<Window>(0x5678);

// Collaborators that record the calls of the sequence and answer as scripted.
class FakeServices : public RunServices {
 public:
  bool attach = true;
  int32_t selectionState = -1;
  std::string text = "abc";
  bool fetchFails = false;
  intptr_t dialogResult = 1;
  WriteResult writeBack = WriteResult::kWritten;
  bool conversionFails = false;
  std::vector<std::string> calls;
  std::string written;
  ConversionOptions convertedWith;

  void Attach(EditorLink& link) override {
    calls.push_back("Attach");
    link.heap = Os().HeapCreate(0, 0, 0);
    link.busy = 1;
    if (!attach) return;
    link.mainWindow = kMainWindow;
    link.currentPane = kPane;
    link.busy = 0;
  }
  int32_t GetSelectionState(EditorLink&) override {
    calls.push_back("GetSelectionState");
    return selectionState;
  }
  char* ReadAllText(EditorLink& link) override {
    calls.push_back("ReadAllText");
    return Fetch(link);
  }
  char* ReadSelectedText(EditorLink& link) override {
    calls.push_back("ReadSelectedText");
    return Fetch(link);
  }
  WriteResult ReplaceAllText(EditorLink&, const char* t) override {
    calls.push_back("ReplaceAllText");
    written = t;
    return writeBack;
  }
  WriteResult ReplaceSelectedText(EditorLink&, const char* t) override {
    calls.push_back("ReplaceSelectedText");
    written = t;
    return writeBack;
  }
  void SetCaret(EditorLink&, int32_t position) override { calls.push_back("SetCaret(" + std::to_string(position) + ")"); }
  bool ConvertToHalf(RunContext& ctx, char* t) override {
    calls.push_back("ConvertToHalf");
    convertedWith = ctx.options;
    for (char* p = t; *p != '\0'; ++p) *p = static_cast<char>(*p == 'a' ? 'A' : *p);
    return !conversionFails;
  }
  bool ConvertToFull(RunContext& ctx, char** t) override {
    calls.push_back("ConvertToFull");
    convertedWith = ctx.options;
    if (conversionFails) {
      *t = nullptr;
      return false;
    }
    return true;
  }
  intptr_t RunOptionsDialog(RunContext& ctx, ModuleHandle) override {
    calls.push_back("RunOptionsDialog");
    if (dialogResult == 1) {
      ctx.options.ExchangeZenHan = 0;  // the user chose half-width to full-width
      ctx.options.ProcessImpossibleReverse = 1;
    }
    return dialogResult;
  }

 private:
  char* Fetch(EditorLink& link) {
    if (fetchFails) return nullptr;
    auto* block = static_cast<char*>(Os().HeapAlloc(link.heap, win::kHeapZeroMemory, text.size() + 1));
    std::memcpy(block, text.c_str(), text.size() + 1);
    return block;
  }
};

class RunTest : public ::testing::Test {
 protected:
  int RunWith(const std::string& commandLine) {
    os_.commandLine = commandLine;
    const int result = qv::Run(nullptr, services_);
    EXPECT_EQ(os_.heapsCreated, 2) << "the link's heap and the argument list's";
    EXPECT_EQ(os_.heapsDestroyed, os_.heapsCreated) << "every heap is released";
    return result;
  }
  void ExpectOneError(const char* text, Window owner) {
    ASSERT_EQ(os_.messageBoxes.size(), 1u);
    EXPECT_EQ(os_.messageBoxes[0].text, text);
    EXPECT_EQ(os_.messageBoxes[0].caption, "Quorvel");
    EXPECT_EQ(os_.messageBoxes[0].owner, owner);
    EXPECT_EQ(os_.messageBoxes[0].type, win::kMbIconError);
  }

  testing::RecordingPlatform os_;
  FakeServices services_;
};

TEST_F(RunTest, WholeTextIsConvertedAndCaretPutAtStart) {
  EXPECT_EQ(RunWith("q.exe /XA"), 0);
  EXPECT_THAT(services_.calls, ElementsAre("Attach", "GetSelectionState", "ReadAllText", "ConvertToHalf",
                                           "ReplaceAllText", "SetCaret(0)"));
  EXPECT_EQ(services_.written, "Abc");
  EXPECT_THAT(os_.messageBoxes, IsEmpty());
}

TEST_F(RunTest, AnyOtherSelectionStateReadsTheSelection) {
  for (int32_t state : {0, 1, -99999}) {
    FakeServices services;
    services.selectionState = state;
    os_.heapsCreated = os_.heapsDestroyed = 0;
    os_.commandLine = "q.exe /xK";
    EXPECT_EQ(qv::Run(nullptr, services), 0);
    EXPECT_THAT(services.calls, ElementsAre("Attach", "GetSelectionState", "ReadSelectedText", "ConvertToFull",
                                            "ReplaceSelectedText"))
        << state;
    EXPECT_EQ(os_.heapsDestroyed, os_.heapsCreated);
  }
}

TEST_F(RunTest, NoHostShowsAttachFailureWithoutOwner) {
  services_.attach = false;
  EXPECT_EQ(RunWith("q.exe /XA"), -1);
  EXPECT_THAT(services_.calls, ElementsAre("Attach"));
  ExpectOneError(kMsgAttachFailed, nullptr);
}

TEST_F(RunTest, BadArgumentIsReportedThenTheDialogDecides) {
  EXPECT_EQ(RunWith("q.exe /XAq hello"), 0);
  ASSERT_EQ(os_.messageBoxes.size(), 2u);
  char expected[kMessageBufferSize];
  FormatBadArgument(expected, sizeof expected, 1, "/XAq");
  EXPECT_EQ(os_.messageBoxes[0].text, expected);
  FormatBadArgument(expected, sizeof expected, 2, "hello");
  EXPECT_EQ(os_.messageBoxes[1].text, expected);
  for (const auto& box : os_.messageBoxes) {
    EXPECT_EQ(box.owner, kMainWindow);
    EXPECT_EQ(box.caption, "Quorvel");
    EXPECT_EQ(box.type, win::kMbIconError);
  }
  EXPECT_EQ(services_.calls[1], "RunOptionsDialog");
}

TEST_F(RunTest, DialogChoiceIsFixedUpBeforeConverting) {
  EXPECT_EQ(RunWith("q.exe"), 0);
  EXPECT_THAT(services_.calls, ElementsAre("Attach", "RunOptionsDialog", "GetSelectionState", "ReadAllText",
                                           "ConvertToFull", "ReplaceAllText", "SetCaret(0)"));
  EXPECT_EQ(services_.convertedWith.ProcessImpossibleReverse, 0);
}

TEST_F(RunTest, CancelledDialogEndsTheRun) {
  services_.dialogResult = 2;
  EXPECT_EQ(RunWith("q.exe /D"), -1);
  EXPECT_THAT(services_.calls, ElementsAre("Attach", "RunOptionsDialog"));
  EXPECT_THAT(os_.messageBoxes, IsEmpty());
}

TEST_F(RunTest, OtherDialogResultsContinue) {
  services_.dialogResult = 0;
  EXPECT_EQ(RunWith("q.exe /D/X"), 0);
  EXPECT_EQ(services_.calls.back(), "SetCaret(0)");
}

TEST_F(RunTest, FetchFailureIsReported) {
  services_.fetchFails = true;
  EXPECT_EQ(RunWith("q.exe /X"), -1);
  EXPECT_THAT(services_.calls, ElementsAre("Attach", "GetSelectionState", "ReadAllText"));
  ExpectOneError(kMsgFetchFailed, kMainWindow);
}

TEST_F(RunTest, ConversionFailureEndsWithoutWriting) {
  services_.conversionFails = true;
  EXPECT_EQ(RunWith("q.exe /x"), -1);
  EXPECT_EQ(services_.calls.back(), "ConvertToFull");
  EXPECT_THAT(os_.messageBoxes, IsEmpty()) << "the conversion shows its own message";
}

TEST_F(RunTest, FailedWriteBackSaysWhetherTheTextIsAsItWas) {
  const std::pair<WriteResult, const char*> results[] = {{WriteResult::kRestored, kMsgWriteBackFailedRestored},
                                                         {WriteResult::kNotRestored, kMsgWriteBackFailedUndo}};
  for (const auto& [result, message] : results) {
    for (int32_t state : {-1, 1}) {
      FakeServices services;
      services.writeBack = result;
      services.selectionState = state;
      os_.messageBoxes.clear();
      os_.commandLine = "q.exe /X";
      EXPECT_EQ(qv::Run(nullptr, services), -1);
      ExpectOneError(message, kMainWindow);
      // The caret stays where the failed write-back left it.
      EXPECT_EQ(services.calls.back(), state == -1 ? "ReplaceAllText" : "ReplaceSelectedText");
    }
  }
}

TEST_F(RunTest, UnderbarsReplaceSpacesAfterConverting) {
  services_.text = "a b\x81\x40 c";
  EXPECT_EQ(RunWith("q.exe /XU"), 0);
  EXPECT_EQ(services_.written, "A_b\x81\x40_c") << "the ideographic space stays";
}

TEST_F(RunTest, ArgumentListFailureShowsTheDialog) {
  os_.failHeapOperation = 2;  // the link's heap is the first, the list's the second
  os_.commandLine = "q.exe /XA";
  EXPECT_EQ(qv::Run(nullptr, services_), 0);
  EXPECT_EQ(services_.calls[1], "RunOptionsDialog");
  EXPECT_EQ(os_.heapsDestroyed, os_.heapsCreated);
}

}  // namespace
}  // namespace qv
