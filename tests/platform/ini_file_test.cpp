// The profile functions as the tool relies on them, on whichever platform
// the test runs: the portable stand-in natively, Win32 under Wine.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/platform.h"

namespace qv {
namespace {

class IniTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = ::testing::TempDir() + "qv_ini_test_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".ini";
    std::remove(path_.c_str());
  }
  void TearDown() override { std::remove(path_.c_str()); }
  void Write(const std::string& contents) { std::ofstream(path_, std::ios::binary) << contents; }
  std::string Read() {
    std::ifstream in(path_, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  uint32_t Int(const char* key, int32_t def) { return Os().GetPrivateProfileIntA("Option", key, def, path_.c_str()); }
  std::string String(const char* key, const char* def, uint32_t size = 1024) {
    std::string buffer(size, '\x7F');
    Os().GetPrivateProfileStringA("Option", key, def, buffer.data(), size, path_.c_str());
    return buffer.c_str();
  }
  std::string path_;
};

TEST_F(IniTest, MissingFileGivesTheDefault) {
  EXPECT_EQ(Int("ProcessNumber", 1), 1u);
  EXPECT_EQ(Int("ProcessNumber", 0), 0u);
  EXPECT_EQ(String("Inyouhu", ">|"), ">|");
}

TEST_F(IniTest, IntegerReadingTakesLeadingDigits) {
  Write("[Option]\r\nA=1\r\nB=2\r\nC=0\r\nD=12abc\r\nE=abc\r\nF= 7 \r\n[Other]\r\nG=5\r\n");
  struct Case {
    const char* key;
    int32_t def;
    uint32_t want;
  } cases[] = {{"A", 0, 1}, {"B", 0, 2}, {"C", 1, 0}, {"D", 0, 12}, {"E", 1, 0}, {"F", 0, 7}, {"G", 3, 3}, {"a", 0, 1}};
  for (const Case& c : cases) EXPECT_EQ(Int(c.key, c.def), c.want) << c.key;
}

TEST_F(IniTest, StringValueIsTrimmedAndCutToTheBuffer) {
  Write("[option]\nInyouhu=  > | :  \nLong=abcdefghij\n");
  EXPECT_EQ(String("Inyouhu", "x"), "> | :") << "section names match without regard to case";
  EXPECT_EQ(String("Long", "x", 5), "abcd");
  EXPECT_EQ(String("Missing", "dflt"), "dflt");
}

TEST_F(IniTest, EmptyValueIsEmpty) {
  Write("[Option]\r\nInyouhu=\r\n");
  EXPECT_EQ(String("Inyouhu", ">"), "");
}

TEST_F(IniTest, WritingCreatesTheFileWithOneLinePerKey) {
  ASSERT_TRUE(Os().WritePrivateProfileStringA("Option", "ExchangeZenHan", "1", path_.c_str()));
  ASSERT_TRUE(Os().WritePrivateProfileStringA("Option", "ProcessAlphabet", "0", path_.c_str()));
  EXPECT_EQ(Int("ExchangeZenHan", 0), 1u);
  EXPECT_EQ(Int("ProcessAlphabet", 1), 0u);
  const std::string text = Read();
  EXPECT_NE(text.find("ExchangeZenHan=1"), std::string::npos);
  EXPECT_NE(text.find("ProcessAlphabet=0"), std::string::npos);
  EXPECT_LT(text.find("ExchangeZenHan=1"), text.find("ProcessAlphabet=0"));
}

TEST_F(IniTest, WritingKeepsEverythingElse) {
  Write("[First]\r\nX=1\r\n\r\n[Option]\r\nExchangeZenHan=1\r\nOther=keep\r\n\r\n[Last]\r\nY=2\r\n");
  ASSERT_TRUE(Os().WritePrivateProfileStringA("Option", "ExchangeZenHan", "0", path_.c_str()));
  ASSERT_TRUE(Os().WritePrivateProfileStringA("Option", "NoConnectVoiced", "1", path_.c_str()));
  EXPECT_EQ(Int("ExchangeZenHan", 1), 0u);
  EXPECT_EQ(Int("NoConnectVoiced", 0), 1u);
  EXPECT_EQ(String("Other", ""), "keep");
  EXPECT_EQ(Os().GetPrivateProfileIntA("First", "X", 0, path_.c_str()), 1u);
  EXPECT_EQ(Os().GetPrivateProfileIntA("Last", "Y", 0, path_.c_str()), 2u);
  const std::string text = Read();
  EXPECT_LT(text.find("NoConnectVoiced=1"), text.find("[Last]")) << "a new key goes into its own section";
}

}  // namespace
}  // namespace qv
