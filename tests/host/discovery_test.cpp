// What the link learns about the host: the INI file it uses, the executable
// behind its window. (Its version number is read against a model by the
// host-version fuzz target on its corpus, replayed by qv_test_hardening.)
#include "host/discovery.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/support/fake_os.h"
#include "tests/support/temp_dir.h"

namespace qv {
namespace {

using testing::FakeOs;

TEST(FileNameStartTest, PassesOverTwoByteCharactersWhole) {
  const struct {
    std::string path;
    size_t start;
  } cases[] = {
      {"", 0}, {"TeraPad.exe", 0}, {"C:\\Tools\\TeraPad\\TeraPad.exe", 17}, {"C:\\dir\\", 7}, {"\\", 1},
      {"C:\\\x95\x5C\\a.exe", 6}, {"C:\\\x95\x5C" "a.exe", 3}, {"C:\\\x95\x5C", 3},   // 表 is 0x95 0x5C
      {"C:\\\x9F\x5C" "a", 3}, {"C:\\\xE0\x5C" "a", 3}, {"C:\\\xFC\x5C" "a", 3}, {"C:\\\xFD\\a", 5},
      {"C:\\\x81\xFC\\a", 6}, {"C:\\\x95 \\a.exe", 6}, {"\x95", 0}, {"\x81\x7F\\b", 3}, {"\xB1\\b", 2},
      {"\x81\x3F\\b", 3}, {"\x80\\b", 2}, {"\xA0\\b", 2},
  };
  for (const auto& c : cases) EXPECT_EQ(FileNameStart(c.path), c.start) << ::testing::PrintToString(c.path);
  EXPECT_EQ(FileNameStart(std::string_view("C:\\x\\y", 4)), 3u) << "nothing past the view is looked at";
  const auto lead = std::make_unique<char[]>(1);  // a lead byte ending the buffer: no byte past it is read
  lead[0] = '\x95';
  EXPECT_EQ(FileNameStart(std::string_view(lead.get(), 1)), 0u);
}

#ifndef _WIN32  // the trees are made with this machine's paths; the rules are the same everywhere
// The host's way of writing a path under the test's folder.
std::string HostPath(const testing::TempDir& root, const std::string& relative) {
  std::string path = (root / "") + relative;
  for (char& c : path) c = c == '/' ? '\\' : c;
  return path;
}

// On a real tree; what does not fit the 260-byte buffers is refused, never cut.
TEST(HostIniPathTest, PerUserOrBesideTheExecutable) {
  const std::string d240(240, 'd'), d248(248, 'd'), d252(252, 'd');
  const struct {
    const char* name;
    std::vector<std::pair<std::string, std::string>> files;
    std::string exe;       // relative to the root; "Q:..." as it is
    std::string expected;  // relative to the root; "=" first: as it is
    std::string user = "tester";
  } cases[] = {
      {"per-user file", {{"usr/tester/TeraPad.ini", ""}}, "TeraPad.exe", "usr/tester/TeraPad.ini"},
      {"only the marker", {{"usr.txt", ""}}, "TeraPad.exe", "usr/tester/TeraPad.ini"},
      {"neither", {}, "TeraPad.exe", "TeraPad.ini"},
      {"UserIni=0", {{"usr.ini", "[INI]\r\nUserIni=0\r\n"}, {"usr.txt", ""}, {"usr/tester/TeraPad.ini", ""}},
       "TeraPad.exe", "TeraPad.ini"},
      {"UserIni=2", {{"usr.ini", "[INI]\r\nUserIni=2\r\n"}, {"usr.txt", ""}}, "TeraPad.exe", "TeraPad.ini"},
      {"UserIni=1", {{"usr.ini", "[INI]\r\nUserIni=1\r\n"}, {"usr.txt", ""}}, "TeraPad.exe", "usr/tester/TeraPad.ini"},
      {"one-letter user", {{"usr.txt", ""}}, "TeraPad.exe", "usr/t/TeraPad.ini", "t"},
      {"no user name", {{"usr.txt", ""}}, "TeraPad.exe", "TeraPad.ini", ""},
      {"per-user directory, not a file", {{"usr/tester/TeraPad.ini/x", ""}}, "TeraPad.exe", "TeraPad.ini"},
      {"table in a directory name", {{"\x95\x5C/usr.txt", ""}}, "\x95\x5C/TP.exe", "\x95\x5C/usr/tester/TP.ini"},
      {"a name of four bytes", {}, "a.ex", ".ini"},
      {"a name of five bytes", {}, "a.exe", "a.ini"},
      {"a cut never splits a character", {}, "a\x95\x5Cxyz", "a.ini"},
      {"nor keeps half of one", {}, "a\x81\xFDxyz", "a\x81.ini"},
      {"per-user path too long", {}, "Q:\\" + d240 + "\\TeraPad.exe", "=Q:\\" + d240 + "\\TeraPad.ini"},
      {"short name grows past the buffer", {}, "Q:\\" + d252 + "\\a.b", "=TeraPad.ini"},
      {"259 bytes keep their length", {}, "Q:\\" + d248 + "\\abc.exe", "=Q:\\" + d248 + "\\abc.ini"},
      {"executable path of 260 bytes", {}, "Q:\\" + d252 + "\\abcd", "=TeraPad.ini"},
      {"far too long", {}, std::string(5000, 'x'), "=TeraPad.ini"},
  };
  for (const auto& c : cases) {
    FakeOs os;
    os.userName = c.user;
    testing::TempDir root;
    for (const auto& [path, content] : c.files) testing::WriteFile(root / path, content);
    const UniqueHeap heap(Mem().HeapCreate(0, 0, 0));
    const std::string exe = c.exe.starts_with("Q:") || c.exe.size() > 300 ? c.exe : HostPath(root, c.exe);
    const std::string expected = c.expected[0] == '=' ? c.expected.substr(1) : HostPath(root, c.expected);
    EXPECT_EQ(std::string(DeriveHostIniPath(heap.get(), exe.c_str())), expected) << c.name;
  }
}

// With the marker there, a per-user path that fitted would be taken.
TEST(HostIniPathTest, PerUserPathThatDoesNotFitIsNotCut) {
  FakeOs os;
  testing::TempDir root;
  const std::string dir = HostPath(root, std::string(243 - (root / "").size(), 'd'));  // 244 bytes with its separator
  testing::WriteFile(root / (std::string(243 - (root / "").size(), 'd') + "/usr.txt"), "");
  const UniqueHeap heap(Mem().HeapCreate(0, 0, 0));
  EXPECT_EQ(std::string(DeriveHostIniPath(heap.get(), (dir + "\\TeraPad.exe").c_str())), dir + "\\TeraPad.ini");
}
#endif

// The way to the executable is chosen once per process, and only once every
// entry point of it was found.
TEST(ProcessExeTest, TheRoadIsChosenOnce) {
  FakeOs os;
  Window window = os.AddWindow("TTeraPadMainForm");
  os.processExe = "C:\\Tools\\TeraPad.exe";
  char buffer[kExePathBlockSize] = {};
  os.psapi = false;
  EXPECT_EQ(GetWindowProcessExePath(window, buffer, sizeof buffer), 0);
  os.psapi = true;
  EXPECT_EQ(GetWindowProcessExePath(window, buffer, sizeof buffer), 1);
  EXPECT_STREQ(buffer, "C:\\Tools\\TeraPad.exe");
  EXPECT_EQ(GetWindowProcessExePath(window, buffer, sizeof buffer), 1);
  EXPECT_EQ(os.journal, (std::vector<std::string>{"GetVersionPlatformId", "BindPsapi", "GetVersionPlatformId",
                                                   "BindPsapi", "modules", "modules"}));

  FakeOs other;
  other.platformId = 1;
  other.processExe = "C:\\Tools\\TeraPad.exe";
  window = other.AddWindow("TTeraPadMainForm");
  EXPECT_EQ(GetWindowProcessExePath(window, buffer, sizeof buffer), 1);
  EXPECT_EQ(GetWindowProcessExePath(window, buffer, sizeof buffer), 1);
  EXPECT_EQ(other.journal, (std::vector<std::string>{"GetVersionPlatformId", "BindToolhelp", "snapshot", "snapshot"}));
  EXPECT_EQ(GetWindowProcessExePath(reinterpret_cast<Window>(0x1234), buffer, sizeof buffer), 0);
  EXPECT_EQ(GetWindowProcessExePath(window, nullptr, sizeof buffer), 0);
  EXPECT_EQ(GetWindowProcessExePath(window, buffer, 0), 0);
  EXPECT_EQ(other.journal.size(), 4u) << "nothing is looked up for them";
}

// A path that fills the buffer may have been cut: refused, and no part of it stays behind.
TEST(ProcessExeTest, PathMustFitWithRoomToSpare) {
  for (size_t length : {0, 1, 259, 260, 261, 262, 400}) {
    FakeOs os;
    os.processExe = std::string(length, 'a');
    char buffer[kExePathBlockSize];
    std::memset(buffer, '#', sizeof buffer);
    const int found = GetWindowProcessExePath(os.AddWindow("TTeraPadMainForm"), buffer, sizeof buffer);
    EXPECT_EQ(found, length != 0 && length <= 260 ? 1 : 0) << length;
    EXPECT_EQ(std::string(buffer, found == 1 ? length + 1 : sizeof buffer),
              found == 1 ? os.processExe + '\0' : std::string(sizeof buffer, '\0')) << length;
  }
}

}  // namespace
}  // namespace qv
