// The profile functions as the tool relies on them, on whichever platform
// the test runs: the portable stand-in natively, Win32 under Wine.
#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <string>

#include "platform/platform.h"
#include "tests/support/temp_dir.h"

namespace qv {
namespace {

using testing::ReadFile;
using testing::WriteFile;

struct Ini {
  testing::TempDir dir;
  std::string path = dir / "t.ini";
  uint32_t Int(const char* key, int32_t def, const char* section = "Option") {
    return Sys().GetPrivateProfileIntA(section, key, def, path.c_str());
  }
  std::string String(const char* key, const char* def, uint32_t size = 64) {
    std::string buffer(size + 1, '\x7F');
    const uint32_t n = Sys().GetPrivateProfileStringA("Option", key, def, buffer.data(), size, path.c_str());
    EXPECT_EQ(buffer[size], '\x7F') << "past the buffer";
    EXPECT_EQ(n, std::string(buffer.c_str()).size());
    return buffer.c_str();
  }
  bool Write(const char* key, const char* value, const char* section = "Option") {
    return Sys().WritePrivateProfileStringA(section, key, value, path.c_str());
  }
};

TEST(IniTest, Reading) {
  Ini ini;
  EXPECT_EQ(ini.Int("A", 1), 1u) << "no file";
  EXPECT_EQ(ini.String("A", ">|"), ">|");
  WriteFile(ini.path, "x=9\r\n[OPTION]\r\nA=1\r\nB=209\r\nC=0\r\nD=12abc\r\nE=abc\r\nF= 7 \r\nN=-3\r\nP=+4\r\n H = 6\r\n"
                      "Q=\"> | :\"\r\nR='x'\r\nS=\"x\r\nT=\r\nU=\"\"\r\n[option2]\r\nG=5\r\n");
  const struct {
    const char* key;
    int32_t def;
    uint32_t want;
  } ints[] = {{"A", 0, 1}, {"B", 0, 209}, {"C", 1, 0}, {"D", 0, 12}, {"E", 1, 0}, {"F", 0, 7}, {"G", 3, 3},
              {"a", 0, 1}, {"h", 0, 6}, {"N", 0, 0u - 3}, {"P", 0, 4}, {"T", 5, 5}, {"x", 8, 8}};
  for (const auto& c : ints) EXPECT_EQ(ini.Int(c.key, c.def), c.want) << c.key;
  EXPECT_EQ(ini.Int("G", 3, "option2"), 5u);
  EXPECT_EQ(ini.String("F", ""), "7");
  EXPECT_EQ(ini.String("Q", ""), "> | :") << "enclosing quotes go";
  EXPECT_EQ(ini.String("R", ""), "x");
  EXPECT_EQ(ini.String("S", ""), "\"x");
  EXPECT_EQ(ini.String("T", "dflt"), "");
  EXPECT_EQ(ini.String("U", "dflt"), "");
  char none[1] = {'#'};
  EXPECT_EQ(Sys().GetPrivateProfileStringA("Option", "A", "x", none, 0, ini.path.c_str()), 0u);
  EXPECT_EQ(none[0], '#');
  EXPECT_EQ(ini.String("Missing", "dflt  "), "dflt");
  EXPECT_EQ(ini.String("D", "", 5), "12ab");
  EXPECT_EQ(ini.String("D", "", 1), "");
}

TEST(IniTest, WritingChangesOneLineAndKeepsEverythingElse) {
  Ini ini;
  ASSERT_TRUE(ini.Write("ExchangeZenHan", "1"));
  ASSERT_TRUE(ini.Write("ProcessAlphabet", "0"));
  EXPECT_EQ(ini.Int("ExchangeZenHan", 0), 1u);
  EXPECT_EQ(ini.Int("ProcessAlphabet", 1), 0u);
  WriteFile(ini.path, "[First]\r\nX=1\r\n\r\n[Option]\r\nExchangeZenHan=1\r\nOther=keep\r\n\r\n[Last]\r\nY=2\r\n");
  ASSERT_TRUE(ini.Write("exchangezenhan", "0"));
  ASSERT_TRUE(ini.Write("NoConnectVoiced", "1"));
  ASSERT_TRUE(ini.Write("Z", "3", "New"));
  EXPECT_EQ(ini.Int("ExchangeZenHan", 1), 0u);
  EXPECT_EQ(ini.Int("NoConnectVoiced", 0), 1u);
  EXPECT_EQ(ini.String("Other", ""), "keep");
  EXPECT_EQ(ini.Int("X", 0, "First"), 1u);
  EXPECT_EQ(ini.Int("Y", 0, "Last"), 2u);
  EXPECT_EQ(ini.Int("Z", 0, "New"), 3u);
  EXPECT_FALSE(Sys().WritePrivateProfileStringA("Option", "A", "1", (ini.dir / "gone/t.ini").c_str()));
}

#ifndef _WIN32
// The stand-in's files, byte for byte: a new key goes right after the last
// line of its section, a new section at the end.
TEST(IniTest, PortableWritesExactly) {
  const struct {
    std::string before, after;
  } cases[] = {
      {"", "[Option]\r\nK=v\r\n"},
      {"[Option]", "[Option]\r\nK=v\r\n"},
      {"[Option]\r\n", "[Option]\r\nK=v\r\n"},
      {"[Option]\r\nA=1", "[Option]\r\nA=1\r\nK=v\r\n"},
      {"[Option]\nA=1\n\n[Last]\nY=2", "[Option]\nA=1\nK=v\r\n\n[Last]\nY=2"},
      {"[Option]\r\nA=1\r\n\r\n", "[Option]\r\nA=1\r\nK=v\r\n\r\n"},
      {"[Option]\r\n k = old \r\nA=1\r\n", "[Option]\r\nK=v\r\nA=1\r\n"},
      {"[Other]\r\nK=1\r\n[Option]\r\nB=2\r\n[Option]\r\n", "[Other]\r\nK=1\r\n[Option]\r\nB=2\r\nK=v\r\n[Option]\r\n"},
      {"x", "x\r\n[Option]\r\nK=v\r\n"},
      {"[Opt]\r\nK=1\r\n", "[Opt]\r\nK=1\r\n[Option]\r\nK=v\r\n"},
      {"[ option ]\r\n", "[ option ]\r\nK=v\r\n"},
      {"[Option\r\n", "[Option\r\nK=v\r\n"},
      {"K=1\r\n[Option]\r\n", "K=1\r\n[Option]\r\nK=v\r\n"},
  };
  const auto openFiles = [] {
    const std::filesystem::directory_iterator fds("/proc/self/fd");
    return std::distance(begin(fds), end(fds));
  };
  const auto open = openFiles();
  for (const auto& c : cases) {
    Ini ini;
    if (!c.before.empty()) WriteFile(ini.path, c.before);
    EXPECT_TRUE(ini.Write("K", "v"));
    EXPECT_EQ(ReadFile(ini.path), c.after) << c.before;
    EXPECT_EQ(ini.String("K", ""), "v");
  }
  EXPECT_EQ(openFiles(), open) << "every file is closed again";
  Ini ini;  // a file that cannot be replaced (a folder is in its place) is left alone
  WriteFile(ini.path + "/x", "");
  EXPECT_FALSE(ini.Write("K", "v"));
  EXPECT_FALSE(std::filesystem::exists(ini.path + ".tmp~"));
  EXPECT_FALSE(Sys().WritePrivateProfileStringA("Option", "K", nullptr, (ini.dir / "n.ini").c_str()));
}
#endif

}  // namespace
}  // namespace qv
