// The version reader against scripted version resources.
#include "host/module_version_info.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/fake_desktop.h"

namespace qv {
namespace {

// A version resource as the reader sees it: a translation table and string
// values under "\StringFileInfo\<lang><cp>\<name>".
struct Resource {
  std::vector<std::pair<uint16_t, uint16_t>> translations;
  std::map<std::string, std::string> strings;  // "041103a4\\FileVersion" -> value
};

// The version functions over resources kept by path. The block holds the
// translation table, then "query\0value\0" pairs, so that every answer points
// into the block like the real functions' answers do.
class VersionDesktop : public testing::FakeDesktop {
 public:
  std::map<std::string, Resource> files;
  bool bindFails = false;
  bool failReads = false;
  int binds = 0;
  int blockReads = 0;
  int queries = 0;
  // Reports this many bytes more for every string value than it has.
  uint32_t lengthSurplus = 0;

  bool BindVersionApi() override {
    ++binds;
    return !bindFails;
  }
  uint32_t GetFileVersionInfoSizeA(const char* path, uint32_t* handle) override {
    if (handle != nullptr) *handle = 0;
    auto it = files.find(path);
    return it == files.end() ? 0 : static_cast<uint32_t>(Serialize(it->second).size());
  }
  bool GetFileVersionInfoA(const char* path, uint32_t, uint32_t size, void* block) override {
    ++blockReads;
    auto it = files.find(path);
    if (it == files.end() || failReads) return false;
    const std::string bytes = Serialize(it->second);
    if (size < bytes.size()) return false;
    std::memcpy(block, bytes.data(), bytes.size());
    tableLength_ = static_cast<uint32_t>(it->second.translations.size() * 4);
    return true;
  }
  bool VerQueryValueA(const void* block, const char* subBlock, void** value, uint32_t* length) override {
    ++queries;
    auto* b = static_cast<char*>(const_cast<void*>(block));
    const std::string query = subBlock;
    if (query == "\\VarFileInfo\\Translation") {
      if (tableLength_ == 0) return false;
      *value = b;
      *length = tableLength_;
      return true;
    }
    const std::string prefix = "\\StringFileInfo\\";
    if (query.compare(0, prefix.size(), prefix) != 0) return false;
    const std::string key = query.substr(prefix.size());
    for (char* p = b + tableLength_; *p != '\0';) {
      char* v = p + std::strlen(p) + 1;
      if (key == p) {
        *value = v;
        *length = static_cast<uint32_t>(std::strlen(v) + 1) + lengthSurplus;
        return true;
      }
      p = v + std::strlen(v) + 1;
    }
    return false;
  }

 private:
  static std::string Serialize(const Resource& r) {
    std::string out;
    for (auto [language, codePage] : r.translations) {
      out += static_cast<char>(language & 0xFF);
      out += static_cast<char>(language >> 8);
      out += static_cast<char>(codePage & 0xFF);
      out += static_cast<char>(codePage >> 8);
    }
    for (const auto& [key, value] : r.strings) out += key + '\0' + value + '\0';
    out += '\0';
    return out;
  }
  uint32_t tableLength_ = 0;
};

class ModuleVersionInfoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetPlatformForTesting(&d);
    ResetVersionApiForTesting();
  }
  void TearDown() override { SetPlatformForTesting(nullptr); }
  VersionDesktop d;
};

TEST(VersionStringFieldNameTest, NamesTheTwelveFields) {
  EXPECT_STREQ(VersionStringFieldName(0), "Comments");
  EXPECT_STREQ(VersionStringFieldName(kVersionFileVersion), "FileVersion");
  EXPECT_STREQ(VersionStringFieldName(7), "OriginalFilename");
  EXPECT_STREQ(VersionStringFieldName(11), "SpecialBuild");
  EXPECT_EQ(VersionStringFieldName(12), nullptr);
  EXPECT_EQ(VersionStringFieldName(0xFFFFFFFF), nullptr);
}

TEST_F(ModuleVersionInfoTest, OnlyTheSecondTranslationHasTheFieldSoItWins) {
  d.files["a.exe"] = {{{0x0409, 0x04E4}, {0x0411, 0x03A4}},
                      {{"040904e4\\CompanyName", "Maker"}, {"041103a4\\FileVersion", "0.73.0.1"}}};
  ModuleVersionInfo info("a.exe");
  EXPECT_STREQ(info.GetStringField(kVersionFileVersion), "0.73.0.1");
  EXPECT_STREQ(info.GetStringField(kVersionCompanyName), "Maker");
  EXPECT_EQ(info.GetStringField(kVersionProductName), nullptr);
}

TEST_F(ModuleVersionInfoTest, FirstTranslationWithTheFieldWins) {
  d.files["a.exe"] = {{{0x0411, 0x03A4}, {0x0409, 0x04B0}},
                      {{"041103a4\\FileVersion", "1.0"}, {"040904b0\\FileVersion", "2.0"}}};
  ModuleVersionInfo info("a.exe");
  EXPECT_STREQ(info.QueryStringValue("FileVersion"), "1.0");
}

TEST_F(ModuleVersionInfoTest, TwoQueriesReadTheFileOnceAndGiveSeparateCopies) {
  d.files["a.exe"] = {{{0x0411, 0x03A4}}, {{"041103a4\\FileVersion", "1.2.3.4"}}};
  ModuleVersionInfo info("a.exe");
  const char* first = info.GetStringField(kVersionFileVersion);
  const char* second = info.GetStringField(kVersionFileVersion);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_NE(first, second);
  EXPECT_STREQ(first, "1.2.3.4");
  EXPECT_STREQ(second, "1.2.3.4");
  EXPECT_EQ(d.blockReads, 1);
  EXPECT_EQ(d.binds, 1);
}

TEST_F(ModuleVersionInfoTest, NewPathReadsTheNewFileAndEarlierStringsStayValid) {
  d.files["a.exe"] = {{{0x0411, 0x03A4}}, {{"041103a4\\FileVersion", "1.0"}}};
  d.files["b.exe"] = {{{0x0411, 0x03A4}}, {{"041103a4\\FileVersion", "2.0"}}};
  ModuleVersionInfo info("a.exe");
  const char* before = info.GetStringField(kVersionFileVersion);
  info.SetModulePath("b.exe");
  EXPECT_STREQ(info.GetStringField(kVersionFileVersion), "2.0");
  EXPECT_STREQ(before, "1.0");
  EXPECT_EQ(d.blockReads, 2);
}

TEST_F(ModuleVersionInfoTest, FileWithoutResourceOrMissingYieldsNoneEveryTime) {
  d.files["bare.exe"] = {{}, {}};
  ModuleVersionInfo missing("missing.exe");
  for (uint32_t i = 0; i < 12; ++i) EXPECT_EQ(missing.GetStringField(i), nullptr);
  EXPECT_EQ(d.blockReads, 0) << "no block is read when the size is 0";
  ModuleVersionInfo bare("bare.exe");
  EXPECT_EQ(bare.GetStringField(kVersionFileVersion), nullptr) << "no translation table";
}

TEST_F(ModuleVersionInfoTest, IndexPastTheTableTouchesNothing) {
  d.files["a.exe"] = {{{0x0411, 0x03A4}}, {{"041103a4\\FileVersion", "1.0"}}};
  ModuleVersionInfo info("a.exe");
  EXPECT_EQ(info.GetStringField(12), nullptr);
  EXPECT_EQ(info.GetStringField(1000), nullptr);
  EXPECT_EQ(d.binds, 0);
  EXPECT_EQ(d.blockReads, 0);
  EXPECT_EQ(d.queries, 0);
}

TEST_F(ModuleVersionInfoTest, LibraryThatCannotBeLoadedIsTriedAgainNextTime) {
  d.files["a.exe"] = {{{0x0411, 0x03A4}}, {{"041103a4\\FileVersion", "1.0"}}};
  ModuleVersionInfo info("a.exe");
  d.bindFails = true;
  EXPECT_EQ(info.GetStringField(kVersionFileVersion), nullptr);
  d.bindFails = false;
  EXPECT_STREQ(info.GetStringField(kVersionFileVersion), "1.0");
  EXPECT_EQ(d.binds, 2);
  EXPECT_STREQ(info.GetStringField(kVersionFileVersion), "1.0");
  EXPECT_EQ(d.binds, 2) << "bound once for the process";
}

TEST_F(ModuleVersionInfoTest, FailedReadLeavesNoBlockSoTheNextQueryReadsAgain) {
  d.files["a.exe"] = {{{0x0411, 0x03A4}}, {{"041103a4\\FileVersion", "1.0"}}};
  ModuleVersionInfo info("a.exe");
  d.failReads = true;
  EXPECT_EQ(info.GetStringField(kVersionFileVersion), nullptr);
  d.failReads = false;
  EXPECT_STREQ(info.GetStringField(kVersionFileVersion), "1.0");
  EXPECT_EQ(d.blockReads, 2);
}

TEST_F(ModuleVersionInfoTest, ReportedLengthPastTheBlockIsCutAtItsEnd) {
  d.files["a.exe"] = {{{0x0411, 0x03A4}}, {{"041103a4\\FileVersion", "1.0"}}};
  d.lengthSurplus = 1u << 20;  // far beyond the block
  ModuleVersionInfo info("a.exe");
  EXPECT_STREQ(info.GetStringField(kVersionFileVersion), "1.0");
}

TEST_F(ModuleVersionInfoTest, NoPathReadsTheOwnExecutable) {
  char own[260] = {};
  ASSERT_GT(Os().GetModuleFileNameA(Os().GetModuleHandleA(nullptr), own, sizeof own), 0u);
  d.files[own] = {{{0x0411, 0x03A4}}, {{"041103a4\\FileVersion", "9.8.7.6"}}};
  ModuleVersionInfo info;
  EXPECT_STREQ(info.GetStringField(kVersionFileVersion), "9.8.7.6");
}

TEST_F(ModuleVersionInfoTest, ReaderWithoutHeapDoesNothingAndYieldsNone) {
  struct NoHeap : VersionDesktop {
    HeapHandle HeapCreate(uint32_t, size_t, size_t) override { return nullptr; }
  } noHeap;
  noHeap.files["a.exe"] = {{{0x0411, 0x03A4}}, {{"041103a4\\FileVersion", "1.0"}}};
  SetPlatformForTesting(&noHeap);
  {
    ModuleVersionInfo info("a.exe");
    EXPECT_EQ(info.GetStringField(kVersionFileVersion), nullptr);
    info.SetModulePath("a.exe");
    EXPECT_EQ(info.GetStringField(kVersionFileVersion), nullptr);
  }
  EXPECT_EQ(noHeap.blockReads, 0);
  SetPlatformForTesting(&d);
}

TEST_F(ModuleVersionInfoTest, NullNameYieldsNone) {
  d.files["a.exe"] = {{{0x0411, 0x03A4}}, {{"041103a4\\FileVersion", "1.0"}}};
  ModuleVersionInfo info("a.exe");
  EXPECT_EQ(info.QueryStringValue(nullptr), nullptr);
}

}  // namespace
}  // namespace qv
