// Version packing and the separator scan.
#include "host/discovery.h"

#include <gtest/gtest.h>

#include <string>

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

}  // namespace
}  // namespace qv
