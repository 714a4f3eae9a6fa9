#include "dialog/settings_file.h"

#include <array>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "tests/dialog/fake_dialog_platform.h"

namespace qv {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFile(const fs::path& p, const std::string& text) {
  std::ofstream out(p, std::ios::binary);
  out << text;
}

// The file's lines without line ends and trailing blanks.
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

class SettingsFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("qv-settings-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    ini_ = (dir_ / "Quorvel.ini").string();
  }
  void TearDown() override { fs::remove_all(dir_); }

  fs::path dir_;
  std::string ini_;
};

struct PathCase {
  std::string exe;
  std::string expected;  // empty: no settings path
};

TEST(SettingsPathTest, LastThreeCharactersBecomeIni) {
  const PathCase cases[] = {
      {"C:\\Tools\\CONV.EXE", "C:\\Tools\\CONV.ini"},
      {"C:\\Program Files\\Quorvel\\Quorvel.exe", "C:\\Program Files\\Quorvel\\Quorvel.ini"},
      // No extension is looked for.
      {"C:\\Tools\\quorvel", "C:\\Tools\\quorini"},
      {"C:\\Tools\\Q.COM", "C:\\Tools\\Q.ini"},
      {"abc", "ini"},
      // Too short to hold the three characters.
      {"ab", ""},
      {"", ""},
      // 259 characters still fit the buffer with their terminator.
      {std::string(255, 'a') + ".exe", std::string(255, 'a') + ".ini"},
      // 260 characters are cut short by the platform: no file beside a cut path.
      {std::string(256, 'a') + ".exe", ""},
      {std::string(400, 'a') + ".exe", ""},
  };
  for (const PathCase& c : cases) {
    testing::FakeDialogPlatform os;
    os.modulePath = c.exe;
    std::array<char, kSettingsPathSize> path;
    path.fill('#');
    const bool ok = BuildSettingsPath(path);
    EXPECT_EQ(ok, !c.expected.empty()) << c.exe;
    EXPECT_EQ(std::string(path.data()), c.expected) << c.exe;
  }
}

TEST(SettingsPathTest, AskedForTheProcessModuleWithTheWholeBuffer) {
  struct Spy : testing::FakeDialogPlatform {
    uint32_t GetModuleFileNameA(ModuleHandle m, char* b, uint32_t s) override {
      module = m;
      size = s;
      return FakeDialogPlatform::GetModuleFileNameA(m, b, s);
    }
    ModuleHandle module = reinterpret_cast<ModuleHandle>(1);
    uint32_t size = 0;
  } os;
  os.modulePath = "C:\\q.exe";
  std::array<char, kSettingsPathSize> path{};
  ASSERT_TRUE(BuildSettingsPath(path));
  EXPECT_EQ(os.module, os.GetModuleHandleA(nullptr));
  EXPECT_EQ(os.size, kSettingsPathSize);
}

TEST(SettingsKeysTest, TwelveKeysInFileOrder) {
  const char* const names[] = {"ExchangeZenHan",    "ProcessAlphabet",        "ProcessNumber",
                               "ProcessSpace",      "ProcessPunct",           "ProcessJPPunct",
                               "ProcessKatakana",   "ProcessQuotedLine",      "ReplaceSpaceToUnderbar",
                               "ProcessImpossibleReverse", "TransformHiraToKana", "NoConnectVoiced"};
  ASSERT_EQ(kSettingsKeys.size(), std::size(names));
  for (size_t i = 0; i < kSettingsKeys.size(); ++i) EXPECT_STREQ(kSettingsKeys[i].name, names[i]);
  EXPECT_STREQ(kSettingsSection, "Option");
}

ConversionOptions AllSet(uint8_t v) {
  ConversionOptions o;
  for (const SettingsKey& key : kSettingsKeys) o.*key.flag = v;
  return o;
}

TEST_F(SettingsFileTest, MissingFileKeepsTheContextValues) {
  for (const ConversionOptions& start : {ConversionOptions{}, AllSet(0), AllSet(1)}) {
    ConversionOptions options = start;
    LoadSettings(ini_.c_str(), options);
    EXPECT_EQ(options, start);
  }
  EXPECT_FALSE(fs::exists(ini_));
}

TEST_F(SettingsFileTest, MissingKeysKeepTheContextValues) {
  WriteFile(ini_, "[Option]\r\nProcessNumber=1\r\nExchangeZenHan=0\r\n[Other]\r\nProcessAlphabet=0\r\n");
  ConversionOptions options = AllSet(1);
  options.ProcessNumber = 0;
  LoadSettings(ini_.c_str(), options);
  ConversionOptions expected = AllSet(1);
  expected.ExchangeZenHan = 0;  // from the file
  EXPECT_EQ(options, expected);
}

TEST_F(SettingsFileTest, ValuesReadAsIntegersAndAnyNonZeroIsOne) {
  const struct {
    const char* value;
    uint8_t before;
    uint8_t expected;
  } cases[] = {
      {"1", 0, 1}, {"0", 1, 0}, {"2", 0, 1}, {"255", 0, 1}, {"256", 0, 1},
      {"12abc", 0, 1}, {"abc", 1, 0}, {"00", 1, 0}, {" 7", 0, 1},
  };
  for (const auto& c : cases) {
    WriteFile(ini_, std::string("[Option]\r\nProcessNumber=") + c.value + "\r\n");
    ConversionOptions options;
    options.ProcessNumber = c.before;
    LoadSettings(ini_.c_str(), options);
    EXPECT_EQ(options.ProcessNumber, c.expected) << '"' << c.value << '"';
  }
}

TEST_F(SettingsFileTest, WritesTwelveKeysInOrderAsOneAndZero) {
  ConversionOptions options = AllSet(0);
  options.ExchangeZenHan = 1;
  options.ProcessSpace = 1;
  options.NoConnectVoiced = 1;
  EXPECT_TRUE(SaveSettings(ini_.c_str(), options));
  const std::vector<std::string> expected = {
      "[Option]",
      "ExchangeZenHan=1",
      "ProcessAlphabet=0",
      "ProcessNumber=0",
      "ProcessSpace=1",
      "ProcessPunct=0",
      "ProcessJPPunct=0",
      "ProcessKatakana=0",
      "ProcessQuotedLine=0",
      "ReplaceSpaceToUnderbar=0",
      "ProcessImpossibleReverse=0",
      "TransformHiraToKana=0",
      "NoConnectVoiced=1",
  };
  EXPECT_EQ(Lines(ReadFile(ini_)), expected);
}

TEST_F(SettingsFileTest, WritingKeepsOtherSectionsAndKeys) {
  WriteFile(ini_, "[Before]\r\nA=x\r\n[Option]\r\nExtra=7\r\nProcessKatakana=5\r\n[After]\r\nB=y\r\n");
  SaveSettings(ini_.c_str(), AllSet(1));
  const std::vector<std::string> lines = Lines(ReadFile(ini_));
  const auto has = [&](const std::string& l) { return std::find(lines.begin(), lines.end(), l) != lines.end(); };
  EXPECT_TRUE(has("[Before]"));
  EXPECT_TRUE(has("A=x"));
  EXPECT_TRUE(has("Extra=7"));
  EXPECT_TRUE(has("[After]"));
  EXPECT_TRUE(has("B=y"));
  EXPECT_TRUE(has("ProcessKatakana=1"));
  EXPECT_FALSE(has("ProcessKatakana=5"));
  // One line per key.
  for (const SettingsKey& key : kSettingsKeys) {
    EXPECT_EQ(std::count(lines.begin(), lines.end(), std::string(key.name) + "=1"), 1) << key.name;
  }
}

TEST_F(SettingsFileTest, AKeyNotStoredFailsTheSaveAndTheOthersAreStillWritten) {
  for (const char* refused : {kSettingsKeys.front().name, kSettingsKeys.back().name}) {
    fs::remove(ini_);
    testing::FakeDialogPlatform os;
    os.refuseKey = refused;
    EXPECT_FALSE(SaveSettings(ini_.c_str(), AllSet(1))) << refused;
    EXPECT_EQ(os.journal.size(), kSettingsKeys.size()) << refused;
    EXPECT_EQ(Lines(ReadFile(ini_)).size(), kSettingsKeys.size()) << refused;  // the section and eleven keys
  }
}

TEST_F(SettingsFileTest, RoundTripOfEveryPattern) {
  for (int bits = 0; bits < (1 << 12); bits += 37) {
    ConversionOptions written;
    for (size_t i = 0; i < kSettingsKeys.size(); ++i) written.*kSettingsKeys[i].flag = (bits >> i) & 1;
    SaveSettings(ini_.c_str(), written);
    ConversionOptions read = AllSet(bits & 1 ? 0 : 1);
    LoadSettings(ini_.c_str(), read);
    EXPECT_EQ(read, written) << bits;
  }
}

TEST_F(SettingsFileTest, EmptyPathNeitherReadsNorWrites) {
  ConversionOptions options = AllSet(1);
  LoadSettings("", options);
  LoadSettings(nullptr, options);
  EXPECT_EQ(options, AllSet(1));
  EXPECT_TRUE(SaveSettings("", options));
  EXPECT_TRUE(SaveSettings(nullptr, options));
  EXPECT_TRUE(fs::is_empty(dir_));
}

}  // namespace
}  // namespace qv
