// Whole runs against the in-process host: the sequence, its messages and the
// exit code, and the conversions of the run.
#include "driver/run.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "context/messages.h"
#include "driver/switches.h"
#include "host/host_contract.h"
#include "tests/support/fake_os.h"
#include "tests/support/temp_dir.h"

namespace qv {
namespace {

using testing::Act;
using testing::Click;
using testing::FakeOs;
using testing::Quirks;

constexpr char kExe[] = "C:\\Tools\\TeraPad.exe";

std::string BadArgument(int index, const char* argument) {
  char text[kMessageBufferSize];
  FormatBadArgument(text, sizeof text, index, argument);
  return text;
}

struct RunCase {
  const char* name;
  std::string commandLine, text;
  size_t s, e;          // the selection before
  const char* version;  // null: none, and no host at all for "none"
  std::vector<testing::UserAct> dialog;  // the user's acts; the dialog is cancelled when they run out
  int result;
  std::string pane;     // after the run
  size_t selStart, selEnd;
  std::vector<std::string> messages;
  std::string settings = {};  // the tool's own INI file, when there is one
  Quirks quirks = {};
};

void PrintTo(const RunCase& c, std::ostream* os) { *os << c.name; }

class RunTest : public ::testing::TestWithParam<RunCase> {};

TEST_P(RunTest, Runs) {
  const RunCase& c = GetParam();
  FakeOs os;
  testing::TempDir dir;
  testing::FakeWindow* main = nullptr;
  if (c.version == nullptr || std::strcmp(c.version, "none") != 0) {
    main = os.AddHost(c.text, c.s, c.e);
    os.AddWindow(host::kExeNameClass, main, kExe);
    // The host's quote marks: "#" instead of the default ones.
    testing::WriteFile(dir / "TeraPad.ini", "[Option]\r\nInyouhu=#\r\n");
    os.AddWindow(host::kIniFilePathClass, main, dir / "TeraPad.ini");
    if (c.version != nullptr) os.SetFileVersion(kExe, c.version);
  }
  os.commandLine = c.commandLine;
  os.modulePath = dir / "Quorvel.exe";
  if (!c.settings.empty()) testing::WriteFile(dir / "Quorvel.ini", c.settings);
  os.script = c.dialog;
  os.script.push_back({Act::kCancel});
  os.quirks = c.quirks;
  EXPECT_EQ(qv::Run(nullptr), c.result);
  EXPECT_EQ(os.BoxTexts(main, win::kMbIconError), c.messages);
  EXPECT_EQ(os.LiveHeaps(), 0u);
  if (main == nullptr) return;
  EXPECT_EQ(os.Pane(main)->text, c.pane);
  EXPECT_EQ(os.Pane(main)->selStart, c.selStart);
  EXPECT_EQ(os.Pane(main)->selEnd, c.selEnd);
}

const char kHalf[] = "ab \xB6\xDE\r\n#cd";                          // ab ｶﾞ / #cd
const char kFull[] = "\x82\x81\x82\x82 \x83\x4B\r\n#cd";             // ａｂ ガ / #cd: a quoted line

const RunCase kRunCases[] = {
    {"WholeTextToFullCaretAtStart", "q.exe /xAK", kHalf, 4, 4, nullptr, {}, 0, kFull, 0, 0, {}},
    {"UnderbarsAfterAConversionThatMovesTheBlock", "q.exe /xaPU", "a b_c", 0, 0, nullptr, {}, 0,
     "a_b\x81\x51" "c", 0, 0, {}},
    // Nothing to convert: nothing written, the caret where it was; underscores are a change.
    {"NothingChangedWritesNothing", "q.exe /XANS", "abc 123", 3, 3, nullptr, {}, 0, "abc 123", 3, 3, {}},
    {"OnlyUnderbarsChangeIt", "q.exe /XaU", "a b", 3, 3, nullptr, {}, 0, "a_b", 0, 0, {}},
    {"NoHost", "q.exe /XA", "", 0, 0, "none", {}, -1, "", 0, 0, {kMsgAttachFailed}},
    {"BadArgumentsThenTheDialog", "q.exe /XAq hello", "ab", 0, 0, nullptr, {}, -1, "ab", 0, 0,
     {BadArgument(1, "/XAq"), BadArgument(2, "hello")}},
    {"NoSwitchesAskTheDialog", "q.exe", kHalf, 0, 0, nullptr,
     {Click(1002), Click(1008), {Act::kOk}}, 0, kFull, 0, 0, {}},
    {"HiraganaOnlyWithKatakana", "q.exe /XT", "\x82\xA0", 0, 0, nullptr, {}, 0, "\x82\xA0", 0, 0, {}},
    {"DialogCancelled", "q.exe /D", "ab", 0, 0, nullptr, {}, -1, "ab", 0, 0, {}},
    {"FetchFails", "q.exe /X", "ab", 0, 0, nullptr, {}, -1, "ab", 0, 0, {kMsgFetchFailed}, "",
     {.lengthOffset = 1}},
    {"WriteBackFailsAndIsUndone", "q.exe /xA", "ab", 0, 0, nullptr, {}, -1, "ab", 0, 0,
     {kMsgWriteBackFailedRestored}, "", {.replaceIgnored = true}},
    // Normalize, the kana case, the keep list: Ａｱ０ to Aア０, ｱ to あ.
    {"NormalizeInOnePass", "q.exe /MAK", "\x82\x60\xB1\x82\x4F", 0, 0, nullptr, {}, 0, "A\x83\x41\x82\x4F", 0, 0, {}},
    {"KanaCaseAfterTheWidth", "q.exe /xKG", "\xB1", 0, 1, nullptr, {}, 0, "\x82\xA0", 0, 2, {}},
    {"KeepCharsFromTheSettings", "q.exe /xA", "ab", 0, 0, nullptr, {}, 0, "\x82\x81" "b", 0, 0, {},
     "[Option]\r\nKeepChars=b\r\n"},
    {"KeepCharsEmpty", "q.exe /XAN", "\x82\x60", 0, 0, nullptr, {}, -1, "\x82\x60", 0, 0, {kMsgKeepCharsEmpty},
     "[Option]\r\nKeepChars=\r\n"},
    {"KeepCharsBroken", "q.exe /XAN", "\x82\x60", 0, 0, nullptr, {}, -1, "\x82\x60", 0, 0, {kMsgKeepCharsBroken},
     "[Option]\r\nKeepChars=" + std::string(2000, 'a') + "\r\n"},
#ifndef _WIN32  // Windows reads an INI file through Unicode: a broken byte comes back as another character
    {"KeepCharsNotShiftJis", "q.exe /XAN", "\x82\x60", 0, 0, nullptr, {}, -1, "\x82\x60", 0, 0, {kMsgKeepCharsBroken},
     "[Option]\r\nKeepChars=a\x82\r\n"},
#endif
    {"WriteBackFailsAndCannotBeUndone", "q.exe /xA", "ab", 0, 0, nullptr, {}, -1, "\x82\x81\x82\x82+", 0, 0,
     {kMsgWriteBackFailedUndo}, "", {.replaceExtra = 1, .undoIgnored = true}},
};

INSTANTIATE_TEST_SUITE_P(Cases, RunTest, ::testing::ValuesIn(kRunCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The block cannot be enlarged, or its size cannot even be expressed.
TEST(ConvertToFullTest, OutOfMemoryIsReported) {
  for (bool overflow : {false, true}) {
    FakeOs os;
    RunContext ctx;
    ctx.link.heap.reset(Mem().HeapCreate(0, 0, 0));
    ctx.link.mainWindow = reinterpret_cast<Window>(0x42);
    std::string huge = overflow ? std::string(0x40000000, 'a') : "";
    auto* text = overflow ? huge.data() : static_cast<char*>(Mem().HeapAlloc(ctx.link.heap.get(), win::kHeapZeroMemory, 4));
    const size_t events = os.heapLog.size();
    os.failHeapEvent = events + 1;
    EXPECT_FALSE(ConvertToFull(ctx, &text));
    EXPECT_EQ(text, nullptr);
    ASSERT_EQ(os.messageBoxes.size(), 1u);
    EXPECT_EQ(os.messageBoxes[0].text, kMsgOutOfMemory);
    EXPECT_EQ(os.messageBoxes[0].owner, ctx.link.mainWindow);
    EXPECT_EQ(os.messageBoxes[0].type, win::kMbIconError);
    EXPECT_EQ(os.heapLog.size(), events + (overflow ? 0 : 1)) << "nothing is asked for a size that overflows";
  }
}

}  // namespace
}  // namespace qv
