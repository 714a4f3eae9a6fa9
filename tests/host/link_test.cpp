// The link against an in-process host: discovery, paths, version, both
// transports, and hosts whose answers do not add up.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "host/discovery.h"
#include "host/editor_link.h"
#include "host/host_contract.h"
#include "host/module_version_info.h"
#include "platform/portable_heap.h"
#include "tests/support/fake_desktop.h"

namespace qv {
namespace {

using ::testing::ElementsAre;
using testing::FakeDesktop;
using testing::FakeWindow;

constexpr uint32_t kGetSel = win::kEmGetSel, kSetSel = win::kEmSetSel, kGetText = win::kWmGetText,
                   kReplace = win::kEmReplaceSel, kClear = win::kWmClear, kUndo = win::kEmUndo,
                   kLength = win::kWmGetTextLength;
const char kExe[] = "C:\\Tools\\TeraPad.exe";

class LinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetPlatformForTesting(&d);
    ResetProcessExeLookupForTesting();
    ResetVersionApiForTesting();
  }
  void TearDown() override {
    link.Detach();
    SetPlatformForTesting(nullptr);
  }
  // A host of the given version with `text` in its pane.
  FakeWindow* Host(const std::string& text, const char* version = nullptr, size_t s = 0, size_t e = 0) {
    FakeWindow* main = d.AddHost(text, s, e);
    d.AddWindow(host::kExeNameClass, main, kExe);
    if (version != nullptr) d.SetFileVersion(kExe, version);
    return main;
  }
  FakeWindow* Attached(const std::string& text, const char* version = nullptr, size_t s = 0, size_t e = 0) {
    FakeWindow* main = Host(text, version, s, e);
    link.Attach();
    EXPECT_TRUE(link.IsAttached());
    d.journal.clear();
    d.mappingsCreated.clear();
    return d.Pane(main);
  }
  FakeDesktop d;
  EditorLink link;
};


// --- finding the host --------------------------------------------------------

TEST_F(LinkTest, HostInFrontIsFoundWithoutWaiting) {
  FakeWindow* main = Host("abc");
  link.Attach();
  ASSERT_TRUE(link.IsAttached());
  EXPECT_EQ(link.mainWindow, main);
  EXPECT_EQ(link.currentPane, d.Pane(main));
  EXPECT_EQ(link.busy, 0);
  EXPECT_EQ(d.sleptMs, 0u);
}

TEST_F(LinkTest, WindowsThatAreNotTheHostAreWaitedOutFor2500ms) {
  for (const char* cls : {"Notepad", "TTeraPadMainForm2", "tTeraPadMainForm", "TTeraPadMainFor", ""}) {
    FakeDesktop fresh;
    SetPlatformForTesting(&fresh);
    fresh.AddWindow(host::kMainWindowClass);  // exists, but is not in front
    fresh.SetForeground({fresh.AddWindow(cls)});
    EditorLink l;
    l.Attach();
    EXPECT_FALSE(l.IsAttached()) << cls;
    EXPECT_EQ(l.mainWindow, nullptr) << cls;
    EXPECT_EQ(l.heap, nullptr) << cls;
    EXPECT_EQ(fresh.sleptMs, 2500u) << cls;
    l.Detach();
  }
  SetPlatformForTesting(&d);
}

TEST_F(LinkTest, HostComingToFrontLaterIsFound) {
  FakeWindow* main = Host("abc");
  FakeWindow* other = d.AddWindow("Other");
  d.SetForeground({other, other, other, main});
  link.Attach();
  EXPECT_TRUE(link.IsAttached());
  EXPECT_EQ(d.sleptMs, 150u);
}

TEST_F(LinkTest, OniWindowInFrontTakesTheFirstHostAnywhere) {
  FakeWindow* main = Host("abc");
  d.SetForeground({d.AddWindow(host::kOniWindowClass)});
  link.Attach();
  EXPECT_TRUE(link.IsAttached());
  EXPECT_EQ(link.mainWindow, main);
  EXPECT_EQ(d.sleptMs, 0u);
}

TEST_F(LinkTest, OniWindowWithoutHostStopsAtOnce) {
  d.SetForeground({d.AddWindow(host::kOniWindowClass)});
  link.Attach();
  EXPECT_FALSE(link.IsAttached());
  EXPECT_EQ(d.sleptMs, 0u);
}

TEST_F(LinkTest, PaneIsWaitedFor) {
  Host("abc");
  d.HidePaneFor(3);
  link.Attach();
  EXPECT_TRUE(link.IsAttached());
  EXPECT_EQ(d.sleptMs, 150u);
}

TEST_F(LinkTest, NoPaneReleasesTheHeapAndResets) {
  const size_t heaps = portable::LiveHeapCount();
  Host("abc");
  d.HidePaneFor(1000);
  link.Attach();
  EXPECT_FALSE(link.IsAttached());
  EXPECT_EQ(link.heap, nullptr);
  EXPECT_EQ(link.mainWindow, nullptr);
  EXPECT_EQ(link.busy, 0);
  EXPECT_EQ(d.sleptMs, 2500u);
  EXPECT_EQ(portable::LiveHeapCount(), heaps);
}

TEST_F(LinkTest, ActiveSecondPaneIsFollowed) {
  FakeWindow* main = Host("one");
  FakeWindow* second = d.AddWindow(host::kEditorPaneClass, main, "two");
  d.activePane = second;
  link.Attach();
  EXPECT_EQ(link.currentPane, second);
  link.Detach();

  d.activePane = d.AddWindow("Elsewhere");  // an answer that is none of its panes
  link.Attach();
  EXPECT_EQ(link.currentPane, d.Pane(main));
}

// --- paths and version -------------------------------------------------------

TEST_F(LinkTest, ExecutablePathSources) {
  struct Case {
    const char* child;      // text of TTeraPadExeName, null: no such child
    const char* process;    // the process's image, empty: not found
    std::string expected;
  };
  const std::string tooLong = "C:\\" + std::string(300, 'x') + ".exe";
  const Case cases[] = {
      {kExe, "", kExe},
      {"", "D:\\Other\\TeraPad.exe", ""},  // an empty child text is taken as it is
      {nullptr, "D:\\Apps\\TeraPad.exe", "D:\\Apps\\TeraPad.exe"},
      {nullptr, "", "TeraPad.exe"},
      {tooLong.c_str(), "D:\\Apps\\TeraPad.exe", "D:\\Apps\\TeraPad.exe"},
      {nullptr, tooLong.c_str(), "TeraPad.exe"},
  };
  for (const Case& c : cases) {
    FakeDesktop fresh;
    SetPlatformForTesting(&fresh);
    ResetProcessExeLookupForTesting();
    FakeWindow* main = fresh.AddHost("x");
    if (c.child != nullptr) fresh.AddWindow(host::kExeNameClass, main, c.child);
    fresh.SetProcessExe(c.process);
    EditorLink l;
    l.Attach();
    ASSERT_TRUE(l.IsAttached());
    EXPECT_EQ(std::string(l.hostExePath), c.expected) << (c.child ? c.child : "(none)");
    l.Detach();
  }
  SetPlatformForTesting(&d);
}

TEST_F(LinkTest, IniPathFromChildOrDerived) {
  struct Case {
    const char* child;
    const char* expected;
  };
  const Case cases[] = {
      {"D:\\Data\\my.ini", "D:\\Data\\my.ini"},
      {"", "C:\\Tools\\TeraPad.ini"},
      {nullptr, "C:\\Tools\\TeraPad.ini"},
  };
  for (const Case& c : cases) {
    FakeDesktop fresh;
    SetPlatformForTesting(&fresh);
    FakeWindow* main = fresh.AddHost("x");
    fresh.AddWindow(host::kExeNameClass, main, kExe);
    if (c.child != nullptr) fresh.AddWindow(host::kIniFilePathClass, main, c.child);
    EditorLink l;
    l.Attach();
    EXPECT_STREQ(l.hostIniPath, c.expected) << (c.child ? c.child : "(none)");
    l.Detach();
  }
  SetPlatformForTesting(&d);
}

#ifndef _WIN32  // the tree is made with this machine's paths; the logic is the same everywhere
// The derivation on a real directory tree; paths are written the host's way.
class IniDerivationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetPlatformForTesting(&d);
    char pattern[] = "/tmp/qv-ini-XXXXXX";
    root = mkdtemp(pattern);
    heap = Os().HeapCreate(0, 0, 0);
  }
  void TearDown() override {
    Os().HeapDestroy(heap);
    std::filesystem::remove_all(root);
    SetPlatformForTesting(nullptr);
  }
  void File(const std::string& relative, const std::string& content = "") {
    std::filesystem::path p = root + "/" + relative;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p) << content;
  }
  // The root as the host would write it.
  std::string Win(const std::string& relative = "") {
    std::string r = root + "/" + relative;
    for (char& c : r) c = c == '/' ? '\\' : c;
    return r;
  }
  FakeDesktop d;
  std::string root;
  HeapHandle heap = nullptr;
};

TEST_F(IniDerivationTest, Cases) {
  struct Case {
    const char* name;
    std::vector<std::pair<std::string, std::string>> files;
    std::string exe;       // relative to the root, or absolute when it has no backslash
    std::string expected;  // relative to the root; "=" prefix: literal
  };
  const Case cases[] = {
      {"per-user file exists", {{"usr/tester/TeraPad.ini", ""}}, "TeraPad.exe", "usr/tester/TeraPad.ini"},
      {"only the marker", {{"usr.txt", ""}}, "TeraPad.exe", "usr/tester/TeraPad.ini"},
      {"neither", {}, "TeraPad.exe", "TeraPad.ini"},
      {"UserIni=0", {{"usr.ini", "[INI]\r\nUserIni=0\r\n"}, {"usr.txt", ""}, {"usr/tester/TeraPad.ini", ""}},
       "TeraPad.exe", "TeraPad.ini"},
      {"UserIni=2", {{"usr.ini", "[INI]\r\nUserIni=2\r\n"}, {"usr.txt", ""}}, "TeraPad.exe", "TeraPad.ini"},
      {"UserIni=1", {{"usr.ini", "[INI]\r\nUserIni=1\r\n"}, {"usr.txt", ""}}, "TeraPad.exe",
       "usr/tester/TeraPad.ini"},
      {"table in a directory name", {{"\x95\x5C/usr.txt", ""}}, "\x95\x5C/TP.exe", "\x95\x5C/usr/tester/TP.ini"},
      {"a name of four bytes", {}, "a.ex", ".ini"},
      {"per-user directory, not a file", {{"usr/tester/TeraPad.ini/x", ""}}, "TeraPad.exe", "TeraPad.ini"},
  };
  for (const Case& c : cases) {
    std::filesystem::remove_all(root);
    std::filesystem::create_directories(root);
    for (const auto& [path, content] : c.files) File(path, content);
    const std::string exe = Win(c.exe);
    const char* got = DeriveHostIniPath(heap, exe.c_str());
    EXPECT_EQ(std::string(got), Win(c.expected)) << c.name;
  }
  EXPECT_STREQ(DeriveHostIniPath(heap, "TeraPad.exe"), "TeraPad.ini");
  EXPECT_STREQ(DeriveHostIniPath(heap, nullptr), "TeraPad.ini");
  const std::string tooLong = "C:\\" + std::string(300, 'x') + "\\TeraPad.exe";
  EXPECT_STREQ(DeriveHostIniPath(heap, tooLong.c_str()), "TeraPad.ini");
}
#endif

TEST_F(LinkTest, VersionDecidesHostVersion) {
  struct Case {
    const char* version;
    uint32_t packed;
  };
  const Case cases[] = {{"1.0.0.5", 0x01000005}, {"0.73.0.1", 0x00490001}, {"2.1", 0x02010000},
                        {"1, 0, 0, 5", 0x01000000}, {"300.1.1.1", 0x2C010101}, {nullptr, 0}, {"", 0}};
  for (const Case& c : cases) {
    FakeDesktop fresh;
    SetPlatformForTesting(&fresh);
    FakeWindow* main = fresh.AddHost("x");
    fresh.AddWindow(host::kExeNameClass, main, kExe);
    if (c.version != nullptr) fresh.SetFileVersion(kExe, c.version);
    EditorLink l;
    l.Attach();
    EXPECT_EQ(l.HostVersion, c.packed) << (c.version ? c.version : "(none)");
    // No private message is sent while attaching.
    for (const auto& e : fresh.journal) EXPECT_LT(e.message, 0x8000u);
    l.Detach();
  }
  SetPlatformForTesting(&d);
}

// --- reading ------------------------------------------------------------------

TEST_F(LinkTest, LongTextsAreReadInPiecesAndThePaneIsLeftAsItWas) {
  struct Case {
    size_t length;
    std::vector<size_t> pieces;
  };
  const Case cases[] = {{10, {10}}, {32760, {32760}}, {32761, {32760, 1}}, {70000, {32760, 32760, 4480}}};
  for (const Case& c : cases) {
    std::string text;
    for (size_t i = 0; i < c.length; ++i) text += static_cast<char>('a' + i % 26);
    FakeDesktop fresh;
    SetPlatformForTesting(&fresh);
    FakeWindow* main = fresh.AddHost(text, 3, 7);
    EditorLink l;
    l.Attach();
    fresh.journal.clear();
    const char* got = l.ReadAllText();
    ASSERT_NE(got, nullptr) << c.length;
    EXPECT_EQ(std::string(got), text) << c.length;
    EXPECT_EQ(fresh.Bytes(kGetText), c.pieces) << c.length;
    EXPECT_EQ(fresh.Count(kClear), c.pieces.size() - 1) << c.length;
    EXPECT_EQ(fresh.Count(kUndo), c.pieces.size() - 1) << c.length;
    FakeWindow* pane = fresh.Pane(main);
    EXPECT_EQ(pane->text, text);
    EXPECT_EQ(pane->selStart, 3u);
    EXPECT_EQ(pane->selEnd, 7u);
    EXPECT_TRUE(pane->undo.empty());
    l.Detach();
  }
  SetPlatformForTesting(&d);
}

TEST_F(LinkTest, SelectedTextByMessagesAndThroughTheMapping) {
  for (const char* version : {"0.72.0.5", "0.73.0.1"}) {
    FakeDesktop fresh;
    SetPlatformForTesting(&fresh);
    FakeWindow* main = fresh.AddHost("0123456789", 2, 5);
    fresh.AddWindow(host::kExeNameClass, main, kExe);
    fresh.SetFileVersion(kExe, version);
    EditorLink l;
    l.Attach();
    fresh.journal.clear();
    EXPECT_EQ(l.GetSelectionState(), std::string(version) == "0.72.0.5" ? 0 : 1);
    const char* got = l.ReadSelectedText();
    ASSERT_NE(got, nullptr);
    EXPECT_STREQ(got, "234") << version;
    const bool mapped = std::string(version) == "0.73.0.1";
    EXPECT_EQ(fresh.Count(host::kMsgReadText), mapped ? 1u : 0u) << version;
    if (mapped) {
      char name[64];
      std::snprintf(name, sizeof name, "TeraPad_Map_%u", host::MappingHandleValue(main));
      ASSERT_EQ(fresh.mappingsCreated.size(), 1u);
      EXPECT_EQ(fresh.mappingsCreated[0].first, name);
      EXPECT_EQ(fresh.mappingsCreated[0].second, 3u + 257u);
    }
    l.Detach();
  }
  SetPlatformForTesting(&d);
}

TEST_F(LinkTest, SelectionStateByVersion) {
  struct Case {
    const char* version;
    size_t s, e;
    intptr_t answer;  // 0: the host answers truthfully
    int32_t expected;
  };
  const Case cases[] = {
      {"0.72.0.5", 0, 0, 0, -1}, {"0.72.0.5", 0, 2, 0, 0},  {"0.72.0.6", 0, 0, 0, -1},
      {"0.72.0.6", 1, 2, 0, 1},  {"0.73.0.1", 1, 2, 12345, -99999}, {"0.73.0.1", 1, 2, -2, -99999},
  };
  for (const Case& c : cases) {
    FakeDesktop fresh;
    SetPlatformForTesting(&fresh);
    FakeWindow* main = fresh.AddHost("abc", c.s, c.e);
    fresh.AddWindow(host::kExeNameClass, main, kExe);
    fresh.SetFileVersion(kExe, c.version);
    fresh.quirks.selectionStateAnswer = c.answer;
    EditorLink l;
    l.Attach();
    EXPECT_EQ(l.GetSelectionState(), c.expected) << c.version << " " << c.answer;
    l.Detach();
  }
  SetPlatformForTesting(&d);
}

// --- writing ------------------------------------------------------------------

TEST_F(LinkTest, ReplaceSelectedThroughTheMappingIsMeasuredBeforeAndAfter) {
  FakeWindow* pane = Attached("0123456789", "0.73.0.1", 2, 5);
  EXPECT_EQ(link.ReplaceSelectedText("abcdef"), WriteResult::kWritten);
  EXPECT_EQ(pane->text, "01abcdef56789");
  EXPECT_THAT(d.Messages(pane), ElementsAre(kGetSel, kGetSel, kLength, kLength, kGetSel, kSetSel));
  EXPECT_EQ(pane->selStart, 2u);
  EXPECT_EQ(pane->selEnd, 8u);
  ASSERT_EQ(d.Count(host::kMsgWriteText), 1u);
  EXPECT_EQ(d.mappingsCreated.at(0).second, 6u + 257u);
}

TEST_F(LinkTest, PaneTakingPartsGetsTheRestUntilAllIsIn) {
  std::string text(70000, 'q');
  FakeWindow* pane = Attached("old text");
  d.quirks.replaceLimit = 30000;
  EXPECT_EQ(link.ReplaceAllText(text.c_str()), WriteResult::kWritten);
  EXPECT_EQ(pane->text, text);
  EXPECT_EQ(d.Bytes(kReplace), (std::vector<size_t>{30000, 30000, 10000}));

  d.journal.clear();
  pane->selStart = 2;
  pane->selEnd = 3;
  EXPECT_EQ(link.ReplaceSelectedText(text.c_str()), WriteResult::kWritten);
  EXPECT_EQ(d.Bytes(kReplace), (std::vector<size_t>{30000, 30000, 10000}));
  EXPECT_EQ(pane->text.size(), 70000u + 69999u);
  EXPECT_EQ(pane->selStart, 2u);
  EXPECT_EQ(pane->selEnd, 70002u);
}

TEST_F(LinkTest, EmptyDocumentIsWritten) {
  FakeWindow* pane = Attached("");
  EXPECT_STREQ(link.ReadSelectedText(), "");
  ASSERT_NE(link.ReadAllText(), nullptr);
  EXPECT_EQ(link.ReplaceAllText(""), WriteResult::kWritten);
  EXPECT_EQ(link.ReplaceSelectedText(""), WriteResult::kWritten);
  EXPECT_EQ(pane->text, "");
}

TEST_F(LinkTest, RefusedMappingFallsBackToMessages) {
  FakeWindow* pane = Attached("abc", "0.73.0.1", 0, 3);
  d.quirks.refuseMapping = true;
  const char* got = link.ReadSelectedText();
  ASSERT_NE(got, nullptr);
  EXPECT_STREQ(got, "abc");
  EXPECT_EQ(link.ReplaceSelectedText("xyz1"), WriteResult::kWritten);
  EXPECT_EQ(pane->text, "xyz1");
  EXPECT_EQ(d.Count(kReplace), 1u);
}

// --- hostile answers ----------------------------------------------------------

TEST_F(LinkTest, InconsistentAnswersFailTheReadAndLeaveThePaneAlone) {
  struct Case {
    const char* name;
    testing::Quirks quirks;
    bool selection;
    size_t length;
    const char* version = nullptr;
  };
  auto q = [](auto set) {
    testing::Quirks x;
    set(x);
    return x;
  };
  const Case cases[] = {
      {"end before start", q([](auto& x) { x.reversedSelection = true; }), true, 100},
      {"positions past the text", q([](auto& x) { x.selectionOffset = 1000; }), true, 100},
      {"length announced too long", q([](auto& x) { x.lengthOffset = 1000; }), false, 100},
      {"length announced too long, long text", q([](auto& x) { x.lengthOffset = 1000; }), false, 70000},
      {"absurd length", q([](auto& x) { x.lengthOffset = int64_t{1} << 40; }), false, 100},
      {"negative length", q([](auto& x) { x.lengthOffset = -1000; }), false, 100},
      {"delivers nothing", q([](auto& x) { x.gettextLimit = 0; }), false, 100},
      {"delivers nothing, selection", q([](auto& x) { x.gettextLimit = 0; }), true, 100},
      {"deletion ignored", q([](auto& x) { x.clearIgnored = true; }), false, 70000},
      {"deletion one byte short", q([](auto& x) { x.clearExtra = -1; }), false, 70000},
      {"deletion one byte more", q([](auto& x) { x.clearExtra = 1; }), false, 70000},
      {"length one short", q([](auto& x) { x.lengthOffset = -1; }), false, 100},
      {"length one short, long text", q([](auto& x) { x.lengthOffset = -1; }), false, 70000},
      {"length one short, mapping", q([](auto& x) { x.lengthOffset = -1; }), false, 100, "0.73.0.1"},
      {"mapping writes more", q([](auto& x) { x.mappingReadExtra = 1; }), false, 100, "0.73.0.1"},
      {"mapping writes less", q([](auto& x) { x.mappingReadExtra = -1; }), true, 100, "0.73.0.1"},
  };
  for (const Case& c : cases) {
    const std::string text(c.length, 'z');
    FakeDesktop fresh;
    SetPlatformForTesting(&fresh);
    FakeWindow* main = fresh.AddHost(text, 10, 20);
    fresh.AddWindow(host::kExeNameClass, main, kExe);
    if (c.version != nullptr) fresh.SetFileVersion(kExe, c.version);
    EditorLink l;
    l.Attach();
    fresh.quirks = c.quirks;
    fresh.journal.clear();
    FakeWindow* pane = fresh.Pane(main);
    pane->undo.push_back({});  // the user's own last edit: must survive the read
    EXPECT_EQ(c.selection ? l.ReadSelectedText() : l.ReadAllText(), nullptr) << c.name;
    EXPECT_EQ(pane->text, text) << c.name;
    EXPECT_EQ(pane->undo.size(), 1u) << c.name;  // every deletion undone, nothing more
    EXPECT_EQ(pane->selStart, 10u) << c.name;
    EXPECT_EQ(pane->selEnd, 20u) << c.name;
    // A mapping answer that does not add up is not read again by messages.
    if (c.version != nullptr) {
      EXPECT_EQ(fresh.Count(kGetText), 0u) << c.name;
    }
    l.Detach();
  }
  SetPlatformForTesting(&d);
}

TEST_F(LinkTest, PaneDeliveringSmallerPiecesIsReadWhole) {
  for (int64_t limit : {1000, 20000}) {
    std::string text;
    for (int i = 0; i < 70000; ++i) text += static_cast<char>('a' + i % 26);
    FakeWindow* pane = Attached(text, nullptr, 5, 6);
    d.quirks.gettextLimit = limit;
    const char* got = link.ReadAllText();
    ASSERT_NE(got, nullptr) << limit;
    EXPECT_EQ(std::string(got), text) << limit;
    EXPECT_EQ(pane->text, text) << limit;
    EXPECT_TRUE(pane->undo.empty()) << limit;
    EXPECT_EQ(pane->selStart, 5u);
    link.Detach();
  }
}

TEST_F(LinkTest, TextChangingWhileReadFailsTheRead) {
  Attached(std::string(70000, 'z'));
  d.quirks.growOnRead = true;
  EXPECT_EQ(link.ReadAllText(), nullptr);
}

TEST_F(LinkTest, AbsurdSelectionNeverReplacesBlindly) {
  FakeWindow* pane = Attached("0123456789", "0.72.0.5", 2, 5);
  d.quirks.reversedSelection = true;
  EXPECT_EQ(link.ReplaceSelectedText("abc"), WriteResult::kRestored);
  EXPECT_EQ(pane->text, "0123456789");
}

// A write-back is written only when the pane then holds exactly the new text
// in place; otherwise every insertion it took is undone and the result says
// whether the old text is verifiably back. Each case runs on the selection
// (2..5) and on the whole text, after a read as in a run.
TEST_F(LinkTest, WriteBacksAreVerifiedAndFailuresUndone) {
  struct Case {
    const char* name;
    const char* version;  // 0.73.0.1: through the mapping
    testing::Quirks quirks;
    WriteResult expected;
    size_t length = 10;   // of the document
    bool keepCopy = true;  // the copy of the fetched text could be made
    WriteResult expectedWhole = expected;
  };
  auto q = [](auto set) {
    testing::Quirks x;
    set(x);
    return x;
  };
  const char* const kMessages = "0.72.0.5";
  const char* const kMapping = "0.73.0.1";
  const Case cases[] = {
      {"honest, messages", kMessages, {}, WriteResult::kWritten},
      {"honest, mapping", kMapping, {}, WriteResult::kWritten},
      {"pane takes a byte at a time", kMessages, q([](auto& x) { x.replaceLimit = 1; }), WriteResult::kWritten},
      {"pane takes nothing", kMessages, q([](auto& x) { x.replaceLimit = 0; }), WriteResult::kRestored},
      {"pane ignores", kMessages, q([](auto& x) { x.replaceIgnored = true; }), WriteResult::kRestored},
      {"pane ignores, EM_GETSEL reversed", kMessages, q([](auto& x) { x.replaceIgnored = x.reversedSelection = true; }),
       WriteResult::kRestored},
      {"pane inserts more", kMessages, q([](auto& x) { x.replaceExtra = 3; }), WriteResult::kRestored},
      {"pane inserts more, no undo", kMessages, q([](auto& x) { x.replaceExtra = 3, x.undoIgnored = true; }),
       WriteResult::kNotRestored},
      {"pane inserts more, no copy", kMessages, q([](auto& x) { x.replaceExtra = 3; }), WriteResult::kNotRestored,
       10, false},
      {"pane takes nothing, whole text too long to check", kMessages, q([](auto& x) { x.replaceLimit = 0; }),
       WriteResult::kRestored, 40000, true, WriteResult::kNotRestored},
      {"mapping write refused, pane ignores", kMapping,
       q([](auto& x) { x.refuseMappingWrite = true, x.replaceIgnored = true; }), WriteResult::kRestored},
      {"mapping puts more", kMapping, q([](auto& x) { x.mappingWriteExtra = 1; }), WriteResult::kRestored},
      {"mapping puts less", kMapping, q([](auto& x) { x.mappingWriteExtra = -1; }), WriteResult::kRestored},
      {"mapping puts more, long text", kMapping, q([](auto& x) { x.mappingWriteExtra = 1; }),
       WriteResult::kRestored, 40000},
      {"mapping puts more, no undo", kMapping, q([](auto& x) { x.mappingWriteExtra = 1, x.undoIgnored = true; }),
       WriteResult::kNotRestored},
      {"mapping puts more, its read does not add up", kMapping,
       q([](auto& x) { x.mappingWriteExtra = 1, x.mappingReadExtra = 1; }), WriteResult::kNotRestored},
  };
  for (const Case& c : cases) {
    for (bool selection : {true, false}) {
      std::string text;
      for (size_t i = 0; i < c.length; ++i) text += static_cast<char>('0' + i % 10);
      FakeDesktop fresh;
      SetPlatformForTesting(&fresh);
      FakeWindow* main = fresh.AddHost(text, 2, selection ? 5 : 2);
      fresh.AddWindow(host::kExeNameClass, main, kExe);
      fresh.SetFileVersion(kExe, c.version);
      EditorLink l;
      l.Attach();
      FakeWindow* pane = fresh.Pane(main);
      const char* read = selection ? l.ReadSelectedText() : l.ReadAllText();
      ASSERT_NE(read, nullptr) << c.name;
      if (!c.keepCopy) l.fetched = nullptr;
      pane->undo.push_back({0, "?", "", 2, 2});  // the user's own last edit: undone, a "?" would come back
      // As long as what it replaces: only the caret tells whether the pane took it.
      const std::string written(std::strlen(read), 'x');
      fresh.quirks = c.quirks;
      const WriteResult r = selection ? l.ReplaceSelectedText(written.c_str()) : l.ReplaceAllText(written.c_str());
      const std::string where = std::string(c.name) + (selection ? ", selection" : ", whole text");
      EXPECT_EQ(r, selection ? c.expected : c.expectedWhole) << where;
      if (r == WriteResult::kWritten) {
        EXPECT_EQ(pane->text, selection ? text.substr(0, 2) + written + text.substr(5) : written) << where;
      }
      if (r == WriteResult::kRestored) {
        EXPECT_EQ(pane->text, text) << where;
        EXPECT_EQ(pane->undo.size(), 1u) << where << ": every insertion undone, nothing more";
      }
      if (r != WriteResult::kWritten) {
        EXPECT_EQ(pane->selStart, 2u) << where;
        EXPECT_EQ(pane->selEnd, selection ? 5u : 2u) << where;
      }
      l.Detach();
    }
  }
  SetPlatformForTesting(&d);
}

}  // namespace
}  // namespace qv
