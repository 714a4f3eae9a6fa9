// The link against the in-process host: finding it, both transports, and
// write-backs whose answers do not add up. Whole runs against hosts that
// answer anything (reads in pieces, selection states, lengths, deletions and
// insertions off by some bytes) are checked by the host-link fuzz target on
// its corpus, replayed by qv_test_hardening.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "host/editor_link.h"
#include "host/host_contract.h"
#include "tests/support/fake_os.h"

namespace qv {
namespace {

using ::testing::ElementsAre;
using testing::FakeOs;
using testing::FakeWindow;
using testing::Quirks;

constexpr char kExe[] = "C:\\Tools\\TeraPad.exe";
constexpr char kMessages[] = "0.72.0.5";  // no private messages but the selection state
constexpr char kMapping[] = "0.73.0.1";   // the shared memory too

std::string Letters(size_t n) {
  std::string text;
  for (size_t i = 0; i < n; ++i) text += static_cast<char>('a' + i % 26);
  return text;
}

// A host in front with `text` in its pane (selection s..e), naming its
// executable, whose FileVersion is `version`.
struct Scene {
  explicit Scene(const std::string& text, const char* version = nullptr, size_t s = 0, size_t e = 0)
      : main(os.AddHost(text, s, e)), pane(os.Pane(main)) {
    os.AddWindow(host::kExeNameClass, main, kExe);
    if (version != nullptr) os.SetFileVersion(kExe, version);
  }
  ~Scene() {
    link = EditorLink{};  // the heap goes with the link's state
    EXPECT_EQ(os.LiveHeaps(), 0u) << "a heap leaked";
  }
  // Attached, with what attaching sent forgotten.
  Scene& Attach() {
    link.Attach();
    EXPECT_TRUE(link.IsAttached());
    os.sent.clear();
    os.mappingsCreated.clear();
    return *this;
  }
  FakeOs os;
  FakeWindow* main;
  FakeWindow* pane;
  EditorLink link;
};

// --- finding the host ----------------------------------------------------------

// The foreground is looked at 50 times, 50 ms apart, for the host's class
// exactly, then its pane as long; nothing of the attach is kept but what it found.
TEST(AttachTest, WaitsForTheHostInFront) {
  const struct {
    std::vector<std::string> front;  // class names; "host": the host's main window
    bool attached;
    uint32_t slept;
    int paneHiddenFor = 0;  // lookups
  } cases[] = {
      {{"Notepad"}, false, 2500},          {{"TTeraPadMainForm2"}, false, 2500}, {{"tTeraPadMainForm"}, false, 2500},
      {{"TTeraPadMainFor"}, false, 2500},  {{""}, false, 2500},                  {{}, false, 2500},
      {{"A", "B", "C", "host"}, true, 150}, {{host::kOniWindowClass}, true, 0}, {{"host"}, true, 0},
      {{"host"}, true, 150, 3},             {{"host"}, false, 2500, 1000},
  };
  for (const auto& c : cases) {
    Scene s("abc", kMapping);
    s.os.foreground.clear();
    s.os.paneHiddenFor = c.paneHiddenFor;
    for (const std::string& cls : c.front) s.os.foreground.push_back(cls == "host" ? s.main : s.os.AddWindow(cls));
    s.link.Attach();
    const std::string where = ::testing::PrintToString(c.front);
    EXPECT_EQ(s.link.mainWindow, c.attached ? s.main : nullptr) << where;
    EXPECT_EQ(s.link.currentPane, c.attached ? s.pane : nullptr) << where;
    EXPECT_EQ(static_cast<bool>(s.link.heap), c.attached) << where;
    EXPECT_EQ(s.link.HostVersion, c.attached ? 0x00490001u : 0u) << where;
    EXPECT_EQ(s.os.sleptMs, c.slept) << where;
    EXPECT_TRUE((!c.attached && c.paneHiddenFor == 0) || s.link.busy == 0) << where;
    EXPECT_EQ(s.link.fetched, nullptr) << "the child windows' texts are no text of the run";
    EXPECT_TRUE(s.os.mappingsCreated.empty()) << "no transfer while attaching";
  }
  FakeOs os;  // a window of the launcher class in front, but no host anywhere
  os.foreground = {os.AddWindow(host::kOniWindowClass)};
  EditorLink link;
  link.Attach();
  EXPECT_FALSE(link.IsAttached());
  EXPECT_EQ(os.sleptMs, 0u);
}

TEST(AttachTest, TheActivePaneIsFollowed) {
  Scene s("one");
  FakeWindow* second = s.os.AddWindow(host::kEditorPaneClass, s.main, "two");
  for (FakeWindow* active : {second, s.pane, s.os.AddWindow("Elsewhere")}) {
    s.os.activePane = active;
    s.link.Attach();
    EXPECT_EQ(s.link.currentPane, active == second ? second : s.pane);
  }
}

// --- reading and writing ----------------------------------------------------------

// Deletions made to read in pieces that do not delete exactly the piece: the
// read fails and undoes just the deletions the answers show, never a step it
// cannot account for (here the user's own edit, "?").
TEST(ReadTest, OnlyDeletionsTheAnswersShowAreUndone) {
  const struct {
    Quirks quirks;
    bool noLength;  // the length after WM_CLEAR is -1
  } cases[] = {{{.clearIgnored = true}, false}, {{.clearIgnored = true}, true}, {{.clearExtra = 1 << 20}, false}};
  for (const auto& c : cases) {
    Scene s(Letters(40000), kMessages);
    s.Attach().pane->undo.push_back({0, "?", "", 0, 0});
    s.os.quirks = c.quirks;
    if (c.noLength) {
      s.os.beforeMessage = [](void*, Quirks& q, uint32_t m) { if (m == win::kWmClear) q.lengthOffset = -40001; };
    }
    EXPECT_EQ(s.link.ReadAllText(), nullptr);
    EXPECT_TRUE(s.pane->text == Letters(40000) && s.pane->undo.size() == 1) << c.noLength;
  }
}

TEST(WriteTest, EmptyDocumentAndTheCaret) {
  Scene s("");
  EXPECT_STREQ(s.Attach().link.ReadSelectedText(), "");
  EXPECT_STREQ(s.link.ReadAllText(), "");
  EXPECT_EQ(s.link.ReplaceAllText(""), WriteResult::kWritten);
  EXPECT_EQ(s.link.ReplaceSelectedText(""), WriteResult::kWritten);
  EXPECT_EQ(s.pane->text, "");
  s.pane->undo.push_back({0, "?", "", 0, 0});  // the user's own last edit: never undone for an insertion not taken
  s.os.quirks.replaceIgnored = true;
  EXPECT_EQ(s.link.ReplaceAllText("ab"), WriteResult::kRestored);
  EXPECT_EQ(s.link.ReplaceSelectedText("ab"), WriteResult::kRestored);
  EXPECT_EQ(s.pane->text, "");
  s.os.quirks.replaceIgnored = false;
  s.pane->text = "0123456789";
  EXPECT_EQ(s.link.ReplaceAllText(""), WriteResult::kWritten) << "a whole text replaced by nothing";
  EXPECT_EQ(s.pane->text, "");
  s.pane->text = "0123456789";
  s.link.SetCaret(4);
  EXPECT_EQ(s.pane->selStart, 4u);
  EXPECT_EQ(s.pane->selEnd, 4u);
}

// Someone else's section under the link's name may be smaller than asked:
// the link leaves it alone and uses edit-control messages. A busy link (while
// it attaches) never uses the mapping.
TEST(WriteTest, MappingThatIsTakenBusyOrRefusedFallsBackToMessages) {
  for (int how : {0, 1, 2}) {
    Scene s("0123456789", kMapping, 0, 10);
    s.Attach();
    // Spelled out, not from the contract: the host opens its section by this exact name; no other test spells it.
    const std::string name = "TeraPad_Map_" + std::to_string(host::MappingHandleValue(s.main));
    bool taken = false;
    const UniqueSection squatter(how == 0 ? Shared().CreateFileMappingA(1, name.c_str(), &taken) : nullptr);
    s.link.busy = how == 1 ? 1 : 0;
    s.os.quirks.refuseMapping = how == 2;
    std::string text5000 = Letters(5000);
    char* text = text5000.data();
    EXPECT_EQ(s.link.TransferText(true, &text, false), TransferResult::kRefused) << how;
    char* none = nullptr;
    EXPECT_EQ(s.link.TransferText(true, &none, false), TransferResult::kRefused);
    EXPECT_EQ(s.link.TransferText(false, nullptr, false), TransferResult::kRefused);
    EXPECT_EQ(s.os.Count(host::kMsgWriteText), how == 2 ? 1u : 0u) << how;
    EXPECT_STREQ(s.link.ReadSelectedText(), "0123456789") << how;
    EXPECT_EQ(s.link.ReplaceSelectedText(Letters(5000).c_str()), WriteResult::kWritten) << how;
    EXPECT_EQ(s.pane->text, Letters(5000)) << how;
    EXPECT_EQ(s.os.Count(host::kMsgReadText), how == 2 ? 2u : 0u) << how;
  }
}

TEST(WriteTest, WriteBacksAreVerifiedAndFailuresUndone) {
  using R = WriteResult;
  const struct {
    const char* name;
    const char* version;
    Quirks quirks;
    WriteResult selection, whole;
    size_t length = 10;    // of the document
    bool keepCopy = true;  // the copy of the fetched text could be made
    int takes = -1;        // the pane ignores EM_REPLACESEL after taking this many
    bool noMemory = false;  // the read that checks a failed write finds no memory
  } cases[] = {
      {"honest, messages", kMessages, {}, R::kWritten, R::kWritten},
      {"honest, mapping", kMapping, {}, R::kWritten, R::kWritten},
      {"a byte at a time", kMessages, {.replaceLimit = 1}, R::kWritten, R::kWritten},
      {"takes nothing", kMessages, {.replaceLimit = 0}, R::kRestored, R::kRestored},
      {"ignores", kMessages, {.replaceIgnored = true}, R::kRestored, R::kRestored},
      {"ignores, EM_GETSEL reversed", kMessages, {.replaceIgnored = true, .reversedSelection = true},
       R::kRestored, R::kRestored},
      {"inserts more", kMessages, {.replaceExtra = 3}, R::kRestored, R::kRestored},
      {"inserts more, no undo", kMessages, {.replaceExtra = 3, .undoIgnored = true},
       R::kNotRestored, R::kNotRestored},
      {"inserts more, no copy", kMessages, {.replaceExtra = 3}, R::kNotRestored, R::kNotRestored, 10, false},
      {"takes nothing, whole text too long to check", kMessages, {.replaceLimit = 0},
       R::kRestored, R::kNotRestored, 40000},
      {"takes nothing, whole text of one piece", kMessages, {.replaceLimit = 0}, R::kRestored, R::kRestored, 32760},
      {"ignores, its check delivers nothing", kMessages, {.replaceIgnored = true, .gettextLimit = 0},
       R::kNotRestored, R::kNotRestored},
      {"ignores, no memory to check", kMessages, {.replaceIgnored = true}, R::kNotRestored,
       R::kNotRestored, 10, true, -1, true},
      {"a byte at a time, then nothing", kMessages, {.replaceLimit = 1}, R::kWritten, R::kRestored, 10, true, 3},
      {"mapping write refused, pane ignores", kMapping,
       {.replaceIgnored = true, .refuseMappingWrite = true}, R::kRestored, R::kRestored},
      // Acknowledged, changed nothing, and the new text is as long: only its bytes tell.
      {"mapping ignores", kMapping, {.mappingWriteIgnored = true}, R::kRestored, R::kRestored},
      {"mapping puts more", kMapping, {.mappingWriteExtra = 1}, R::kRestored, R::kRestored},
      {"mapping puts less", kMapping, {.mappingWriteExtra = -1}, R::kRestored, R::kRestored},
      {"mapping puts more, long text", kMapping, {.mappingWriteExtra = 1}, R::kRestored, R::kRestored, 40000},
      {"mapping puts more, no undo", kMapping, {.undoIgnored = true, .mappingWriteExtra = 1},
       R::kNotRestored, R::kNotRestored},
      {"mapping puts more, its read does not add up", kMapping,
       {.mappingReadExtra = 1, .mappingWriteExtra = 1}, R::kNotRestored, R::kNotRestored},
  };
  for (const auto& c : cases) {
    for (bool selection : {true, false}) {
      std::string text;
      for (size_t i = 0; i < c.length; ++i) text += static_cast<char>('0' + i % 10);
      Scene s(text, c.version, 2, selection ? 5 : 2);
      const char* read = selection ? s.Attach().link.ReadSelectedText() : s.Attach().link.ReadAllText();
      ASSERT_NE(read, nullptr) << c.name;
      if (!c.keepCopy) s.link.fetched = nullptr;
      s.pane->undo.push_back({0, "?", "", 2, 2});  // the user's own last edit: undone, a "?" would come back
      // As long as what it replaces: only the caret tells whether the pane took it.
      const std::string written(std::strlen(read), 'x');
      s.os.quirks = c.quirks;
      int takes = c.takes;
      s.os.beforeMessageContext = &takes;
      s.os.beforeMessage = [](void* left, Quirks& q, uint32_t m) {
        if (m == win::kEmReplaceSel && (*static_cast<int*>(left))-- == 0) q.replaceIgnored = true;
      };
      if (c.noMemory) s.os.failHeapEvent = s.os.heapLog.size() + 1;
      const WriteResult r = selection ? s.link.ReplaceSelectedText(written.c_str()) : s.link.ReplaceAllText(written.c_str());
      const std::string where = std::string(c.name) + (selection ? ", selection" : ", whole text");
      EXPECT_EQ(r, selection ? c.selection : c.whole) << where;
      if (r == WriteResult::kWritten) {
        EXPECT_EQ(s.pane->text, selection ? text.substr(0, 2) + written + text.substr(5) : written) << where;
        EXPECT_EQ(s.pane->selStart, selection ? 2u : c.length) << where;
        EXPECT_EQ(s.pane->selEnd, selection ? 5u : c.length) << where;
        continue;
      }
      if (r == WriteResult::kRestored) {
        EXPECT_EQ(s.pane->text, text) << where;
        EXPECT_EQ(s.pane->undo.size(), 1u) << where << ": every insertion undone, nothing more";
      }
      EXPECT_EQ(s.pane->selStart, 2u) << where;
      EXPECT_EQ(s.pane->selEnd, selection ? 5u : 2u) << where;
    }
  }
}

}  // namespace
}  // namespace qv
