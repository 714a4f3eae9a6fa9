// Version packing and the separator scan.
#include "host/discovery.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/fake_desktop.h"

namespace qv {
namespace {

struct VersionCase {
  const char* text;
  uint32_t packed;
};

class PackHostVersionTest : public ::testing::TestWithParam<VersionCase> {};

TEST_P(PackHostVersionTest, Packs) { EXPECT_EQ(PackHostVersion(GetParam().text), GetParam().packed) << GetParam().text; }

INSTANTIATE_TEST_SUITE_P(
    Cases, PackHostVersionTest,
    ::testing::Values(VersionCase{"1.0.0.5", 0x01000005}, VersionCase{"0.73.0.1", 0x00490001},
                      VersionCase{"0.72.0.6", 0x00480006}, VersionCase{"2.1", 0x02010000},
                      VersionCase{"1, 0, 0, 5", 0x01000000}, VersionCase{"300.1.1.1", 0x2C010101},
                      VersionCase{"", 0}, VersionCase{"1.", 0x01000000}, VersionCase{"1..", 0x01000000},
                      VersionCase{"....", 0}, VersionCase{".5", 0}, VersionCase{"-1.2.3.4", 0xFF020304},
                      VersionCase{" 7. +8.\t9.10", 0x0708090A}, VersionCase{"4294967297.1.1.1", 0x01010101},
                      VersionCase{"99999999999999999999.0.0.0", 0xFF000000}, VersionCase{"1.2.3.4.5", 0x01020304},
                      VersionCase{"x", 0}, VersionCase{"0.73.0.1 beta", 0x00490001}));

TEST(PackHostVersionTest, NullIsZero) { EXPECT_EQ(PackHostVersion(nullptr), 0u); }

struct NameStartCase {
  std::string path;
  size_t start;
};

class FileNameStartTest : public ::testing::TestWithParam<NameStartCase> {};

TEST_P(FileNameStartTest, Finds) { EXPECT_EQ(FileNameStart(GetParam().path), GetParam().start); }

INSTANTIATE_TEST_SUITE_P(
    Cases, FileNameStartTest,
    ::testing::Values(NameStartCase{"", 0}, NameStartCase{"TeraPad.exe", 0},
                      NameStartCase{"C:\\Tools\\TeraPad\\TeraPad.exe", 17}, NameStartCase{"C:\\dir\\", 7},
                      NameStartCase{"\\", 1},
                      // 表 is 0x95 0x5C: its second byte is not a separator.
                      NameStartCase{"C:\\\x95\x5C\\a.exe", 6}, NameStartCase{"C:\\\x95\x5C" "a.exe", 3},
                      // A lead byte without a trail byte is a single byte.
                      NameStartCase{"C:\\\x95 \\a.exe", 6}, NameStartCase{"\x95", 0},
                      // 0x7F is no trail byte, so the backslash after it counts.
                      NameStartCase{"\x81\x7F\\b", 3},
                      // Half-width katakana are single bytes.
                      NameStartCase{"\xB1\\b", 2}));

// Paths near the 260-byte buffers: what does not fit is refused, never cut.
struct LongPathCase {
  const char* name;
  std::string exe;
  std::string expected;  // empty: the literal "TeraPad.ini"
};

void PrintTo(const LongPathCase& c, std::ostream* os) { *os << c.name; }

class LongIniPathTest : public ::testing::TestWithParam<LongPathCase> {
 protected:
  void SetUp() override {
    SetPlatformForTesting(&d);
    heap = Os().HeapCreate(0, 0, 0);
  }
  void TearDown() override {
    Os().HeapDestroy(heap);
    SetPlatformForTesting(nullptr);
  }
  testing::FakeDesktop d;
  HeapHandle heap = nullptr;
};

TEST_P(LongIniPathTest, RefusesWhatDoesNotFit) {
  const char* got = DeriveHostIniPath(heap, GetParam().exe.c_str());
  EXPECT_EQ(std::string(got), GetParam().expected.empty() ? "TeraPad.ini" : GetParam().expected) << GetParam().name;
}

const std::string kDir240 = "Q:\\" + std::string(240, 'd') + "\\";  // 244 bytes
const std::string kDir252 = "Q:\\" + std::string(248, 'd') + "\\";  // 252 bytes
const std::string kDir256 = "Q:\\" + std::string(252, 'd') + "\\";  // 256 bytes

INSTANTIATE_TEST_SUITE_P(
    Cases, LongIniPathTest,
    ::testing::Values(
        // usr\tester\TeraPad.ini after 244 bytes would need 266: the shared path is taken.
        LongPathCase{"per-user path too long", kDir240 + "TeraPad.exe", kDir240 + "TeraPad.ini"},
        // 256 + ".ini" needs 261 bytes with its NUL.
        LongPathCase{"short name grows past the buffer", kDir256 + "a.b", ""},
        LongPathCase{"259 bytes keep their length", kDir252 + "abc.exe", kDir252 + "abc.ini"},
        LongPathCase{"executable path of 260 bytes", kDir256 + "abcd", ""},
        LongPathCase{"executable path far too long", std::string(5000, 'x'), ""}));

#ifndef _WIN32  // the tree is made with this machine's paths
// With the marker present a per-user path that fitted would be chosen; one
// that does not fit must give the shared path, not a cut per-user one.
TEST_F(LongIniPathTest, PerUserPathThatDoesNotFitIsNotCut) {
  char pattern[] = "/tmp/qv-long-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string root = pattern;
  const std::string dir = root + "/" + std::string(244 - root.size() - 2, 'd');  // 244 bytes with its slash
  std::filesystem::create_directories(dir);
  std::ofstream(dir + "/usr.txt") << "";
  auto win = [](std::string p) {
    for (char& c : p) c = c == '/' ? '\\' : c;
    return p;
  };
  const std::string exe = win(dir + "/TeraPad.exe");
  EXPECT_EQ(std::string(DeriveHostIniPath(heap, exe.c_str())), win(dir + "/TeraPad.ini"));
  // A shorter directory with the same marker does get the per-user path.
  const std::string shortDir = root + "/s";
  std::filesystem::create_directories(shortDir);
  std::ofstream(shortDir + "/usr.txt") << "";
  EXPECT_EQ(std::string(DeriveHostIniPath(heap, win(shortDir + "/TeraPad.exe").c_str())),
            win(shortDir + "/usr/tester/TeraPad.ini"));
  std::filesystem::remove_all(root);
}
#endif

}  // namespace
}  // namespace qv
