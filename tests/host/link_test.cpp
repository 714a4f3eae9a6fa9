// The link against the in-process host: finding it, its paths and version,
// both transports, and hosts whose answers do not add up.
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
using testing::With;

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
    link.Detach();
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
    EXPECT_EQ(s.link.heap != nullptr, c.attached) << where;
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
    s.link.Detach();
  }
}

TEST(AttachTest, ExecutableAndIniPaths) {
  const std::string tooLong = "C:\\" + std::string(300, 'x') + ".exe";
  const struct {
    const char* exeChild;  // text of TTeraPadExeName; null: no such child
    std::string process;   // the image of the host's process
    const char* iniChild;
    std::string exe, ini;
  } cases[] = {
      {kExe, "", nullptr, kExe, "C:\\Tools\\TeraPad.ini"},
      {kExe, "", "i", kExe, "i"},
      {"", "D:\\Other\\TeraPad.exe", nullptr, "", ".ini"},  // an empty child text is taken as it is
      {nullptr, "D:\\Apps\\TeraPad.exe", "", "D:\\Apps\\TeraPad.exe", "D:\\Apps\\TeraPad.ini"},
      {nullptr, "", "D:\\Data\\my.ini", "TeraPad.exe", "D:\\Data\\my.ini"},
      {tooLong.c_str(), "D:\\Apps\\TeraPad.exe", tooLong.c_str(), "D:\\Apps\\TeraPad.exe", "D:\\Apps\\TeraPad.ini"},
      {nullptr, tooLong, nullptr, "TeraPad.exe", "TeraPad.ini"},
  };
  for (const auto& c : cases) {
    FakeOs os;
    FakeWindow* main = os.AddHost("x");
    if (c.exeChild != nullptr) os.AddWindow(host::kExeNameClass, main, c.exeChild);
    if (c.iniChild != nullptr) os.AddWindow(host::kIniFilePathClass, main, c.iniChild);
    os.processExe = c.process;
    EditorLink link;
    link.Attach();
    ASSERT_TRUE(link.IsAttached());
    EXPECT_EQ(std::string(link.hostExePath), c.exe) << c.process;
    EXPECT_EQ(std::string(link.hostIniPath), c.ini) << c.process;
    EXPECT_EQ(os.Count("version " + c.exe), 1u);
    link.Detach();
  }
}

// --- reading ---------------------------------------------------------------------

// A pane delivering less than asked is read until all is in.
TEST(ReadTest, LongTextsAreReadInPiecesAndThePaneIsLeftAsItWas) {
  const struct {
    size_t length;
    std::vector<size_t> pieces;  // empty: not checked
    int64_t limit = -1;          // WM_GETTEXT delivers at most this much
  } cases[] = {{10, {10}}, {32760, {32760}}, {32761, {32760, 1}}, {70000, {32760, 32760, 4480}},
               {70000, {}, 1000}, {70000, {}, 20000}};
  for (const auto& c : cases) {
    Scene s(Letters(c.length), nullptr, 3, 7);
    s.Attach().os.quirks.gettextLimit = c.limit;
    const char* got = s.link.ReadAllText();
    ASSERT_NE(got, nullptr);
    EXPECT_EQ(std::string(got), Letters(c.length));
    EXPECT_EQ(std::string(s.link.fetched, s.link.fetchedLength), Letters(c.length)) << "a copy is kept";
    for (const auto& m : s.os.sent) {
      EXPECT_TRUE(m.message != win::kWmGetText || m.wParam <= 32761u) << "a request past the piece size";
    }
    if (!c.pieces.empty()) {
      EXPECT_EQ(s.os.Bytes(win::kWmGetText), c.pieces);
      EXPECT_EQ(s.os.Count(win::kWmClear), c.pieces.size() - 1);
      EXPECT_EQ(s.os.Count(win::kEmUndo), c.pieces.size() - 1);
    }
    EXPECT_EQ(s.pane->text, Letters(c.length));
    EXPECT_EQ(s.pane->selStart, 3u);
    EXPECT_EQ(s.pane->selEnd, 7u);
    EXPECT_TRUE(s.pane->undo.empty());
  }
}

TEST(ReadTest, SelectionAndItsStateByVersion) {
  const struct {
    const char* version;
    size_t s, e;
    intptr_t answer;  // of HostMsgGetSelectionState; 0: the truth
    int32_t state;
  } cases[] = {
      {kMessages, 0, 0, 0, -1}, {kMessages, 2, 5, 0, 0},      {"0.72.0.6", 0, 0, 0, -1},       {"0.72.0.6", 2, 5, 0, 1},
      {kMapping, 2, 5, 0, 1},   {kMapping, 4, 4, 0, -1},       {kMapping, 2, 5, 12345, -99999}, {kMapping, 2, 5, -2, -99999},
      {"0.73.0.0", 2, 5, 0, 1},
  };
  for (const auto& c : cases) {
    Scene s("0123456789", c.version, c.s, c.e);
    s.Attach().os.quirks.selectionStateAnswer = c.answer;
    EXPECT_EQ(s.link.GetSelectionState(), c.state) << c.version << " " << c.answer;
    const char* got = s.link.ReadSelectedText();
    ASSERT_NE(got, nullptr);
    EXPECT_EQ(std::string(got), std::string("0123456789").substr(c.s, c.e - c.s));
    const bool mapped = std::string(c.version) == kMapping;
    EXPECT_EQ(s.os.Count(host::kMsgReadText), mapped ? 1u : 0u) << c.version;
    EXPECT_EQ(s.os.Count(win::kWmGetText), mapped ? 0u : 1u) << c.version;
    if (!mapped) continue;
    const std::string name = "TeraPad_Map_" + std::to_string(host::MappingHandleValue(s.main));
    EXPECT_THAT(s.os.mappingsCreated, ElementsAre(std::pair{name, uint32_t(c.e - c.s + 257)}));
  }
}

TEST(ReadTest, InconsistentAnswersFailTheReadAndLeaveThePaneAlone) {
  const struct {
    const char* name;
    Quirks quirks;
    bool selection;
    size_t length;
    const char* version = nullptr;
  } cases[] = {
      {"end before start", With([](Quirks& q) { q.reversedSelection = true; }), true, 100},
      {"positions past the text", With([](Quirks& q) { q.selectionOffset = 1000; }), true, 100},
      {"length announced too long", With([](Quirks& q) { q.lengthOffset = 1000; }), false, 100},
      {"length announced too long, long text", With([](Quirks& q) { q.lengthOffset = 1000; }), false, 70000},
      {"absurd length", With([](Quirks& q) { q.lengthOffset = int64_t{1} << 40; }), false, 100},
      {"negative length", With([](Quirks& q) { q.lengthOffset = -1000; }), false, 100},
      {"delivers nothing", With([](Quirks& q) { q.gettextLimit = 0; }), false, 100},
      {"delivers nothing, selection", With([](Quirks& q) { q.gettextLimit = 0; }), true, 100},
      {"deletion ignored", With([](Quirks& q) { q.clearIgnored = true; }), false, 70000},
      {"deletion one byte short", With([](Quirks& q) { q.clearExtra = -1; }), false, 70000},
      {"deletion one byte more", With([](Quirks& q) { q.clearExtra = 1; }), false, 70000},
      {"length one short", With([](Quirks& q) { q.lengthOffset = -1; }), false, 100},
      {"length one short, long text", With([](Quirks& q) { q.lengthOffset = -1; }), false, 70000},
      {"text grows while read", With([](Quirks& q) { q.growOnRead = "+"; }), false, 70000},
      {"length one short, mapping", With([](Quirks& q) { q.lengthOffset = -1; }), false, 100, kMapping},
      {"mapping writes more", With([](Quirks& q) { q.mappingReadExtra = 1; }), false, 100, kMapping},
      {"mapping writes less", With([](Quirks& q) { q.mappingReadExtra = -1; }), true, 100, kMapping},
  };
  for (const auto& c : cases) {
    Scene s(std::string(c.length, 'z'), c.version, 10, 20);
    s.Attach().os.quirks = c.quirks;
    s.pane->undo.push_back({});  // the user's own last edit: must survive the read
    EXPECT_EQ(c.selection ? s.link.ReadSelectedText() : s.link.ReadAllText(), nullptr) << c.name;
    EXPECT_EQ(s.pane->text.substr(0, c.length), std::string(c.length, 'z')) << c.name;
    EXPECT_EQ(s.pane->undo.size(), 1u) << c.name << ": every deletion undone, nothing more";
    EXPECT_EQ(s.pane->selStart, 10u) << c.name;
    EXPECT_EQ(s.pane->selEnd, 20u) << c.name;
    // A mapping answer that does not add up is not read again by messages.
    EXPECT_TRUE(c.version == nullptr || s.os.Count(win::kWmGetText) == 0) << c.name;
  }
}

// --- writing ------------------------------------------------------------------------

TEST(WriteTest, SelectionThroughTheMappingIsMeasuredBeforeAndAfter) {
  Scene s("0123456789", kMapping, 2, 5);
  EXPECT_EQ(s.Attach().link.ReplaceSelectedText("abcdef"), WriteResult::kWritten);
  EXPECT_EQ(s.pane->text, "01abcdef56789");
  std::vector<uint32_t> messages;
  for (const auto& m : s.os.sent) messages.push_back(m.message);
  EXPECT_THAT(messages, ElementsAre(win::kEmGetSel, win::kEmGetSel, win::kWmGetTextLength, host::kMsgWriteText,
                                    win::kWmGetTextLength, win::kEmGetSel, win::kEmSetSel));
  EXPECT_EQ(s.pane->selStart, 2u);
  EXPECT_EQ(s.pane->selEnd, 8u);
  EXPECT_EQ(s.os.mappingsCreated.at(0).second, 6u + 257u);
}

TEST(WriteTest, PaneTakingPartsGetsTheRestUntilAllIsIn) {
  Scene s("old text");
  s.Attach().os.quirks.replaceLimit = 30000;
  EXPECT_EQ(s.link.ReplaceAllText(Letters(70000).c_str()), WriteResult::kWritten);
  EXPECT_EQ(s.pane->text, Letters(70000));
  EXPECT_EQ(s.os.Bytes(win::kEmReplaceSel), (std::vector<size_t>{30000, 30000, 10000}));
  s.os.sent.clear();
  s.pane->selStart = 2;
  s.pane->selEnd = 3;
  EXPECT_EQ(s.link.ReplaceSelectedText(Letters(70000).c_str()), WriteResult::kWritten);
  EXPECT_EQ(s.os.Bytes(win::kEmReplaceSel), (std::vector<size_t>{30000, 30000, 10000}));
  EXPECT_EQ(s.pane->text, "ab" + Letters(70000) + Letters(70000).substr(3));
  EXPECT_EQ(s.pane->selStart, 2u);
  EXPECT_EQ(s.pane->selEnd, 70002u);
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
    const std::string name = "TeraPad_Map_" + std::to_string(host::MappingHandleValue(s.main));
    KernelHandle squatter = how == 0 ? Os().CreateFileMappingA(1, name.c_str()) : nullptr;
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
    if (squatter != nullptr) Os().CloseHandle(squatter);
  }
}

TEST(WriteTest, AbsurdSelectionNeverReplacesBlindly) {
  for (const Quirks& q : {With([](Quirks& x) { x.reversedSelection = true; }),
                          With([](Quirks& x) { x.selectionOffset = 6; }), With([](Quirks& x) { x.lengthOffset = -6; })}) {
    Scene s("0123456789", kMessages, 2, 5);
    s.Attach().os.quirks = q;
    EXPECT_EQ(s.link.ReplaceSelectedText("abc"), WriteResult::kRestored);
    EXPECT_EQ(s.pane->text, "0123456789");
    EXPECT_EQ(s.os.Count(win::kEmReplaceSel), 0u);
  }
}

// A write-back is written only when the pane then holds exactly the new text
// in place; otherwise every insertion it took is undone and the result says
// whether the old text is verifiably back. Each case runs on the selection
// (2..5) and on the whole text, after a read as in a run.
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
      {"a byte at a time", kMessages, With([](Quirks& q) { q.replaceLimit = 1; }), R::kWritten, R::kWritten},
      {"takes nothing", kMessages, With([](Quirks& q) { q.replaceLimit = 0; }), R::kRestored, R::kRestored},
      {"ignores", kMessages, With([](Quirks& q) { q.replaceIgnored = true; }), R::kRestored, R::kRestored},
      {"ignores, EM_GETSEL reversed", kMessages, With([](Quirks& q) { q.replaceIgnored = q.reversedSelection = true; }),
       R::kRestored, R::kRestored},
      {"inserts more", kMessages, With([](Quirks& q) { q.replaceExtra = 3; }), R::kRestored, R::kRestored},
      {"inserts more, no undo", kMessages, With([](Quirks& q) { q.replaceExtra = 3, q.undoIgnored = true; }),
       R::kNotRestored, R::kNotRestored},
      {"inserts more, no copy", kMessages, With([](Quirks& q) { q.replaceExtra = 3; }), R::kNotRestored,
       R::kNotRestored, 10, false},
      {"takes nothing, whole text too long to check", kMessages, With([](Quirks& q) { q.replaceLimit = 0; }),
       R::kRestored, R::kNotRestored, 40000},
      {"takes nothing, whole text of one piece", kMessages, With([](Quirks& q) { q.replaceLimit = 0; }), R::kRestored,
       R::kRestored, 32760},
      {"ignores, its check delivers nothing", kMessages, With([](Quirks& q) { q.replaceIgnored = true, q.gettextLimit = 0; }),
       R::kNotRestored, R::kNotRestored},
      {"ignores, no memory to check", kMessages, With([](Quirks& q) { q.replaceIgnored = true; }), R::kNotRestored,
       R::kNotRestored, 10, true, -1, true},
      {"a byte at a time, then nothing", kMessages, With([](Quirks& q) { q.replaceLimit = 1; }), R::kWritten,
       R::kRestored, 10, true, 3},
      {"mapping write refused, pane ignores", kMapping,
       With([](Quirks& q) { q.refuseMappingWrite = true, q.replaceIgnored = true; }), R::kRestored, R::kRestored},
      {"mapping puts more", kMapping, With([](Quirks& q) { q.mappingWriteExtra = 1; }), R::kRestored, R::kRestored},
      {"mapping puts less", kMapping, With([](Quirks& q) { q.mappingWriteExtra = -1; }), R::kRestored, R::kRestored},
      {"mapping puts more, long text", kMapping, With([](Quirks& q) { q.mappingWriteExtra = 1; }), R::kRestored,
       R::kRestored, 40000},
      {"mapping puts more, no undo", kMapping, With([](Quirks& q) { q.mappingWriteExtra = 1, q.undoIgnored = true; }),
       R::kNotRestored, R::kNotRestored},
      {"mapping puts more, its read does not add up", kMapping,
       With([](Quirks& q) { q.mappingWriteExtra = 1, q.mappingReadExtra = 1; }), R::kNotRestored, R::kNotRestored},
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
